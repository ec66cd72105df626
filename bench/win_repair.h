// The repair run without a window, over the real registry and file system:
// what the repair benchmarks time against.
#pragma once

#if defined(KS_WIN_BENCH)
#include <string>

#include "bench.h"
#include "repair/reference_recheck.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "support/quiet_repair_ui.h"

namespace ks::bench {

struct TimedRepair {
    RepairOutcome outcome;
    double seconds = 0;
    std::string backupFile;
};

// Repairs the ticked rows of the list with backups in the folder, saying yes
// to everything; with `recheck`, each reference row is tested again first.
inline TimedRepair RepairWithoutWindow(ProblemListModel& list, const std::string& backupFolder,
                                       bool recheck = false) {
    auto registry = MakeWin32Registry();
    auto files = MakeWin32FileSystem();
    auto store = MakeWin32BackupStore();
    auto fidelity = MakeWin32TextFidelity();
    test::QuietRepairUi ui;
    RepairContext context{*registry, *files, *store, ui, &LocalBackupTime, SystemLeadBytes(), fidelity.get()};
    FileReferenceTest test(*files, RecheckOptions(*files, false));
    ReferenceRecheck second{test, BuildScanDrives(*files, false, false)};
    if (recheck) context.recheck = &second;
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
