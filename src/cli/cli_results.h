// How keyscrub-cli ends: the exit code of each command's outcome, and the
// lines that say what a repair, a restore or a backup listing did.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "repair/repair.h"
#include "restore/backup_listing.h"
#include "restore/restore_backup.h"

namespace ks::cli {

enum ExitCode : int {
    kExitClean = 0,     // nothing found, or everything repaired or restored
    kExitLeft = 1,      // findings present, or some left unrepaired or not restored
    kExitUsage = 2,     // bad command line
    kExitFailure = 3,   // backup folder, registry editor, failed scan, busy lock
};

int ScanExitCode(bool completed, std::size_t reported);

// The repair of `findings` filtered findings (or its dry run).
struct RepairRun {
    bool scanCompleted = true;
    std::size_t findings = 0;
    bool dryRun = false;
    RepairOutcome outcome;
};
int RepairExitCode(const RepairRun& run);

int RestoreExitCode(const RestoreResult& result);

// One line of the repair's list: "removed: ", "left: " or "partly removed: "
// with the reason in brackets after the finding, or "not visited: " for rows
// after a backup that could not be written.
std::string RepairedLine(const Finding& finding, RemoveResult result);
std::string NotVisitedLine(const Finding& finding);

// A backup listing line: name, date, size and the number of keys and values
// (or "?" when the file cannot be read as a complete backup), tab-separated.
std::string BackupListLine(const BackupRow& row, std::optional<std::size_t> items);

// Keys, values and deletions a checked backup names, each once.
std::size_t BackupItemCount(const std::vector<RegBlock>& blocks, RegTextForm form = RegTextForm::Ansi,
                            const LeadBytes& leadBytes = {});

}  // namespace ks::cli
