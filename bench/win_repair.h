// The repair run without a window, over the real registry and file system:
// what the repair benchmarks time against.
#pragma once

#if defined(KS_WIN_BENCH)
#include <string>

#include "bench.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "support/quiet_repair_ui.h"

namespace ks::bench {

struct TimedRepair {
    RepairOutcome outcome;
    double seconds = 0;
    std::string backupFile;
};

// Repairs the ticked rows of the list with backups in the folder, saying yes to everything.
inline TimedRepair RepairWithoutWindow(ProblemListModel& list, const std::string& backupFolder) {
    auto registry = MakeWin32Registry();
    auto files = MakeWin32FileSystem();
    auto store = MakeWin32BackupStore();
    auto fidelity = MakeWin32TextFidelity();
    test::QuietRepairUi ui;
    RepairContext context{*registry, *files, *store, ui, &LocalBackupTime, SystemLeadBytes(), fidelity.get()};
    RepairOptions options;
    options.OutputDirectory = backupFolder;
    UnrepairedFindings unrepaired;
    TimedRepair run;
    const double start = Now();
    run.outcome = RepairFindings(list, unrepaired, context, options, run.backupFile);
    run.seconds = Now() - start;
    return run;
}

}  // namespace ks::bench
#endif
