// The repair command and its two delete-with-backup operations.
#include "repair/repair.h"

#include <exception>
#include <optional>

#include "repair/file_copies.h"
#include "repair/reference_recheck.h"
#include "base/text.h"

namespace ks {

namespace {

std::string Text(TextLookup lookupText, const char* key, const char* english) {
    return lookupText ? lookupText(key, english) : std::string(english);
}

// The keys of a tree, the key itself included; nullopt when it is gone.
std::optional<std::size_t> CountKeys(Registry& registry, RootKey root, const std::string& path) {
    const auto key = registry.OpenKey(root, path, Access::QueryEnumerate);
    if (!key) return std::nullopt;
    std::size_t count = 1;
    for (const std::string& name : key->SubkeyNames())
        if (const auto below = CountKeys(registry, root, path + "\\" + name)) count += *below;
    return count;
}

RemoveResult FromBackup(BackupResult result) {
    return result == BackupResult::FileFailed ? RemoveResult::BackupFailed : RemoveResult::NotRemoved;
}

}  // namespace

// The classes root merges the user's classes over the machine's, and a backup
// naming HKEY_CLASSES_ROOT would be restored into the machine's classes even
// when the key was the user's.
std::string WhereKeyLives(Registry& registry, RootKey& root, std::string_view path) {
    if (root != RootKey::ClassesRoot || path.empty()) return std::string(path);
    const auto home = registry.ClassesRootHome(path);
    if (!home) return std::string(path);
    root = *home;
    return "Software\\Classes\\" + std::string(path);
}

RemoveResult DeleteKeyWithBackup(RepairContext& context, const std::string& backupFile, std::string_view rootName,
                                 std::string_view keyPath) {
    auto root = RootByName(rootName);
    if (!root) return RemoveResult::NotRemoved;
    const std::string path = WhereKeyLives(context.registry, *root, WithoutTrailingBackslash(keyPath, context.leadBytes));
    if (path.empty() || !context.registry.KeyExists(*root, path)) return RemoveResult::NotRemoved;
    BackupContext backup{context.registry, context.store, context.leadBytes, context.fidelity, context.names};
    std::size_t keysBackedUp = 0;
    const auto written = WriteRegBackup(backup, backupFile, *root, true, "", path, &keysBackedUp);
    if (written != BackupResult::Written) return FromBackup(written);
    if (context.registry.DeleteKey(*root, path) != Status::Ok) {
        // The tree is deleted from its leaves up and the first key that will
        // not go ends it: keys below may be gone while this one stays.
        const auto left = CountKeys(context.registry, *root, path);
        if (left && *left < keysBackedUp) {
            if (context.names) context.names->TreeChanged(*root, path);
            return RemoveResult::PartlyRemoved;
        }
        if (left) return RemoveResult::NotRemoved;
    }
    if (context.names) {
        const size_t slash = LastBackslash(path, context.leadBytes);
        if (slash == std::string_view::npos) context.names->SubkeyDeleted(*root, "", path);
        else context.names->SubkeyDeleted(*root, path.substr(0, slash), path.substr(slash + 1));
    }
    return RemoveResult::Removed;
}

RemoveResult DeleteValueWithBackup(RepairContext& context, const std::string& backupFile,
                                   std::string_view rootName, std::string_view keyPath, std::string_view valueName) {
    auto root = RootByName(rootName);
    if (!root) return RemoveResult::NotRemoved;
    const std::string path = WhereKeyLives(context.registry, *root, WithoutTrailingBackslash(keyPath, context.leadBytes));
    const auto key = context.registry.OpenKey(*root, path, Access::Full);
    if (!key || !key->ValueExists(valueName)) return RemoveResult::NotRemoved;
    BackupContext backup{context.registry, context.store, context.leadBytes, context.fidelity, context.names};
    const auto written = WriteRegBackup(backup, backupFile, *root, false, valueName, path);
    if (written != BackupResult::Written) return FromBackup(written);
    if (key->DeleteValue(valueName) != Status::Ok) return RemoveResult::NotRemoved;
    if (context.names) context.names->ValueDeleted(*root, path, valueName);
    return RemoveResult::Removed;
}

RemovalTarget TargetOf(const Finding& finding, const LeadBytes& leadBytes) {
    using Kind = RemovalTarget::Kind;
    const std::string_view keyPath = finding.KeyPath;
    // A key path may be a root key alone (a value right in a hive's root);
    // a root key itself is never deleted, as DeleteKeyWithBackup refuses an
    // empty path.
    const size_t slash = FirstBackslash(keyPath, leadBytes);
    RemovalTarget target;
    target.rootName = std::string(keyPath.substr(0, slash));
    const std::string_view rest = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
    auto value = [&](std::string_view key, std::string name) {
        target.kind = Kind::Value;
        target.keyPath = std::string(key);
        target.valueName = std::move(name);
        return target;
    };
    switch (finding.RemovalKind) {
    case RemovalKind::DeleteKey:
        target.kind = Kind::Key;
        target.keyPath = std::string(rest);
        return target;
    case RemovalKind::DeleteValueInPath: {
        const size_t last = LastBackslash(rest, leadBytes);
        if (last == std::string_view::npos) return value("", std::string(rest));
        return value(rest.substr(0, last), std::string(rest.substr(last + 1)));
    }
    case RemovalKind::DeleteNamedValue: return value(rest, finding.Value);
    case RemovalKind::DeleteSubkey:
        // Without a subkey name the path would name the parent itself.
        if (finding.Value.empty()) return RemovalTarget{};
        target.kind = Kind::Key;
        target.keyPath = std::string(rest) + "\\" + finding.Value;
        return target;
    case RemovalKind::DeleteFile: return RemovalTarget{Kind::File, {}, {}, {}, finding.KeyPath};
    case RemovalKind::DeleteDefaultValue: return value(rest, "");
    case RemovalKind::DeleteEncodedValue: return value(rest, Rot13Text(finding.Value));
    }
    return RemovalTarget{};
}

RemoveResult RemoveFinding(RepairContext& context, const std::string& backupFile, const Finding& finding) {
    const RemovalTarget target = TargetOf(finding, context.leadBytes);
    switch (target.kind) {
    case RemovalTarget::Kind::Key: return DeleteKeyWithBackup(context, backupFile, target.rootName, target.keyPath);
    case RemovalTarget::Kind::Value:
        return DeleteValueWithBackup(context, backupFile, target.rootName, target.keyPath, target.valueName);
    case RemovalTarget::Kind::File: return DeleteFileWithCopy(context, backupFile, target.filePath);
    case RemovalTarget::Kind::None: break;
    }
    return RemoveResult::NotRemoved;
}

std::string MissingFolderQuestion(std::string_view folder, TextLookup lookupText) {
    return std::string(folder) + "," + Text(lookupText, "RES_Directory_Not_Exist", "The backup directory does not exist.") +
           "\r\n" + Text(lookupText, "RES_Create_Directory", "creates a new directory?");
}

std::string RepairHintText(std::size_t count, TextLookup lookupText) {
    return Text(lookupText, "RES_ThereTotal", "There are total") + " " + std::to_string(count) + " " +
           Text(lookupText, "RES_RepairProblems", "problems to be repaired.");
}

std::string RepairEndMessage(const RepairOutcome& outcome, std::string_view backupFile,
                             const std::vector<Finding>& partlyRemoved, TextLookup lookupText) {
    std::string text;
    if (outcome.backupFailed)
        text = std::to_string(outcome.removed) + " " +
               Text(lookupText, "RES_Repair_Backup_Failed",
                    "problems were repaired. The others were not, because their backup could not be written to "
                    "this file:") +
               "\n" + std::string(backupFile);
    if (!partlyRemoved.empty()) {
        if (!text.empty()) text += "\n\n";
        text += std::to_string(partlyRemoved.size()) + " " +
                Text(lookupText, "RES_Repair_Partly_Removed",
                     "keys were removed only in part, as a key below each could not be deleted. The backup holds "
                     "all of each, and their rows stay in the list, unticked:");
        for (std::size_t i = 0; i < partlyRemoved.size() && i < 5; ++i) {
            const Finding& finding = partlyRemoved[i];
            text += "\n" + finding.KeyPath;
            if (finding.RemovalKind == RemovalKind::DeleteSubkey) text += "\\" + finding.Value;
        }
        if (partlyRemoved.size() > 5) text += "\n...";
    }
    return text;
}

RepairOutcome RepairFindings(ProblemList& list, UnrepairedFindings& unrepaired, RepairContext& caller,
                             const RepairOptions& options, std::string& currentBackupFile) {
    RepairOutcome outcome;
    // One enumeration of each key's names for the whole run.
    KeyNameCache names;
    RepairContext context = caller;
    if (!context.names) context.names = &names;
    try {
        if (!context.files.FolderExists(options.OutputDirectory)) {
            if (!context.ui.AskYesNo(MissingFolderQuestion(options.OutputDirectory, context.lookupText))) return outcome;
            if (!context.store.CreateFolderTree(options.OutputDirectory)) return outcome;
        }
        if (list.Count() == 0) return outcome;
        if (options.RestorePoint && options.WindowsVersion >= 9 && options.WindowsVersion <= 12 &&
            context.ui.RunRestorePointDialog() == 2)
            return outcome;

        outcome.started = true;
        currentBackupFile = MakeBackupFileName(options.OutputDirectory, context.clock(), context.leadBytes);
        for (size_t i = list.Count(); i-- > 0;) {
            if (!list.IsChecked(i)) continue;
            ++outcome.count;
            // A copy: removing the row frees the one the list holds.
            Finding finding = list.Row(i);
            std::string foundPath;
            if (context.recheck && RecheckReference(context.registry, context.files, *context.recheck, finding,
                                                    context.leadBytes, foundPath) == RecheckAnswer::FoundAgain) {
                // Not removed, and not remembered as unrepaired: the row
                // stays in the list, unticked, saying why.
                finding.Reason.Kind = ReasonKind::FoundAgain;
                finding.Reason.Detail = std::move(foundPath);
                list.SetReason(i, finding.Reason);
                list.SetChecked(i, false);
                ++outcome.foundAgain;
                if (context.rowDone) context.rowDone(finding, RemoveResult::FoundAgain);
                continue;
            }
            const auto result = RemoveFinding(context, currentBackupFile, finding);
            if (context.rowDone) context.rowDone(finding, result);
            if (result == RemoveResult::BackupFailed) {
                // Rows already repaired have left the list: its counts change.
                outcome.backupFailed = true;
                context.ui.UpdateProblemCounts();
                return outcome;
            }
            if (result == RemoveResult::Removed) {
                list.Remove(i);
                ++outcome.removed;
            } else if (result == RemoveResult::PartlyRemoved) {
                // Unticked, the row stays: what is left of the key is still a finding.
                list.SetChecked(i, false);
                ++outcome.partlyRemoved;
            }
        }
        for (size_t i = list.Count(); i-- > 0;) {
            if (!list.IsChecked(i)) continue;
            unrepaired.Add(list.Row(i).KeyPath, list.Row(i).Value);
            list.Remove(i);
            ++outcome.unrepaired;
        }
        outcome.finished = true;
        context.ui.UpdateProblemCounts();
        if (options.ShowHint) context.ui.ShowHint(outcome.count);
        if (options.Beep) context.ui.Beep();
    } catch (const std::exception&) {
        // The command ends quietly; what was done stays done.
        outcome.finished = false;
    }
    return outcome;
}

}  // namespace ks
