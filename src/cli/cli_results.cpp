// Exit codes and the result lines of keyscrub-cli.
#include "cli/cli_results.h"

#include "cli/cli_output.h"
#include "base/text.h"

namespace ks::cli {

int ScanExitCode(bool completed, std::size_t reported) {
    if (!completed) return kExitFailure;
    return reported == 0 ? kExitClean : kExitLeft;
}

int RepairExitCode(const RepairRun& run) {
    if (!run.scanCompleted) return kExitFailure;
    if (run.findings == 0) return kExitClean;
    if (run.dryRun) return kExitLeft;
    // Not started with findings to repair: the backup folder could not be
    // made. Not finished: a backup could not be written.
    if (!run.outcome.started || !run.outcome.finished) return kExitFailure;
    return run.outcome.unrepaired == 0 && run.outcome.removed == run.findings ? kExitClean : kExitLeft;
}

int RestoreExitCode(const RestoreResult& result) {
    switch (result.kind) {
    case RestoreResult::Kind::Restored: return kExitClean;
    case RestoreResult::Kind::Incomplete: return kExitLeft;
    case RestoreResult::Kind::Refused: return result.fault == BackupFault::Unreadable ? kExitFailure : kExitLeft;
    case RestoreResult::Kind::NotRun: return kExitFailure;
    }
    return kExitFailure;
}

std::string RepairedLine(const Finding& finding, RemoveResult result) {
    switch (result) {
    case RemoveResult::Removed: return "removed: " + TextLine(finding);
    case RemoveResult::NotRemoved:
        return "left: " + TextLine(finding) +
               "  (already gone, access refused, or no exact backup could be made of it)";
    case RemoveResult::PartlyRemoved:
        return "partly removed: " + TextLine(finding) +
               "  (a key below it could not be deleted; the backup holds all of it)";
    case RemoveResult::BackupFailed:
        return "left: " + TextLine(finding) + "  (the backup file could not be written; the repair stopped)";
    case RemoveResult::FoundAgain:
        return "left: " + TextLine(finding) + "  (found again: " + finding.Reason.Detail + " is there now)";
    }
    return {};
}

std::string NotVisitedLine(const Finding& finding) {
    return "not visited: " + TextLine(finding) + "  (the repair stopped before it)";
}

std::string BackupListLine(const BackupRow& row, std::optional<std::size_t> items) {
    return row.name + '\t' + row.date + '\t' + row.size + '\t' + (items ? std::to_string(*items) : "?");
}

std::size_t BackupItemCount(const std::vector<RegBlock>& blocks, RegTextForm form, const LeadBytes& leadBytes) {
    // A repair writes one block per item, so a key often comes back several
    // times; like the import check, each key, value and deletion counts once.
    return PlanImport(blocks, form, leadBytes).Items();
}

}  // namespace ks::cli
