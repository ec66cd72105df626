// The repair command and its two delete-with-backup operations.
#include "repair/repair.h"

#include <exception>

#include "repair/file_copies.h"
#include "base/text.h"

namespace ks {

namespace {

std::string Text(TextLookup lookupText, const char* key, const char* english) {
    return lookupText ? lookupText(key, english) : std::string(english);
}

RemoveResult FromBackup(BackupResult result) {
    return result == BackupResult::FileFailed ? RemoveResult::BackupFailed : RemoveResult::NotRemoved;
}

// A key below HKEY_CLASSES_ROOT is backed up and deleted under the name of the
// hive that holds it: the classes root merges the user's classes over the
// machine's, and a backup naming HKEY_CLASSES_ROOT would be restored into the
// machine's classes even when the key was the user's.
std::string WhereKeyLives(Registry& registry, RootKey& root, std::string_view path) {
    if (root != RootKey::ClassesRoot || path.empty()) return std::string(path);
    const auto home = registry.ClassesRootHome(path);
    if (!home) return std::string(path);
    root = *home;
    return "Software\\Classes\\" + std::string(path);
}

}  // namespace

RemoveResult DeleteKeyWithBackup(RepairContext& context, const std::string& backupFile, std::string_view rootName,
                                 std::string_view keyPath) {
    auto root = RootByName(rootName);
    if (!root) return RemoveResult::NotRemoved;
    const std::string path = WhereKeyLives(context.registry, *root, WithoutTrailingBackslash(keyPath, context.leadBytes));
    if (path.empty() || !context.registry.KeyExists(*root, path)) return RemoveResult::NotRemoved;
    BackupContext backup{context.registry, context.store, context.leadBytes, context.fidelity, context.names};
    const auto written = WriteRegBackup(backup, backupFile, *root, true, "", path);
    if (written != BackupResult::Written) return FromBackup(written);
    if (context.registry.DeleteKey(*root, path) != Status::Ok) return RemoveResult::NotRemoved;
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

RemoveResult RemoveFinding(RepairContext& context, const std::string& backupFile, const Finding& finding) {
    const std::string_view keyPath = finding.KeyPath;
    // A key path may be a root key alone (a value right in a hive's root);
    // a root key itself is never deleted, as DeleteKeyWithBackup refuses an
    // empty path.
    const size_t slash = FirstBackslash(keyPath, context.leadBytes);
    const std::string_view root = keyPath.substr(0, slash);
    const std::string_view rest = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
    switch (finding.RemovalKind) {
    case RemovalKind::DeleteKey: return DeleteKeyWithBackup(context, backupFile, root, rest);
    case RemovalKind::DeleteValueInPath: {
        const size_t last = LastBackslash(rest, context.leadBytes);
        if (last == std::string_view::npos) return DeleteValueWithBackup(context, backupFile, root, "", rest);
        return DeleteValueWithBackup(context, backupFile, root, rest.substr(0, last), rest.substr(last + 1));
    }
    case RemovalKind::DeleteNamedValue:
        return DeleteValueWithBackup(context, backupFile, root, rest, finding.Value);
    case RemovalKind::DeleteSubkey:
        // Without a subkey name the path would name the parent itself.
        if (finding.Value.empty()) return RemoveResult::NotRemoved;
        return DeleteKeyWithBackup(context, backupFile, root, std::string(rest) + "\\" + finding.Value);
    case RemovalKind::DeleteFile:
        return DeleteFileWithCopy(context, backupFile, finding.KeyPath);
    case RemovalKind::DeleteDefaultValue: return DeleteValueWithBackup(context, backupFile, root, rest, "");
    case RemovalKind::DeleteEncodedValue:
        return DeleteValueWithBackup(context, backupFile, root, rest, Rot13Text(finding.Value));
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
            const Finding finding = list.Row(i);
            const auto result = RemoveFinding(context, currentBackupFile, finding);
            if (context.rowDone) context.rowDone(finding, result);
            if (result == RemoveResult::BackupFailed) return outcome;
            if (result == RemoveResult::Removed) {
                list.Remove(i);
                ++outcome.removed;
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
