// Checking a backup before its import, the import afterwards, and the texts
// that tell the user.
#include "restore/restore_backup.h"

#include <map>
#include <optional>
#include <utility>

#include "base/text.h"

namespace ks {

BackupFileCheck CheckBackupText(std::string_view text, const LeadBytes& leadBytes) {
    BackupFileCheck check;
    const std::string header = std::string(kRegHeaderLine) + std::string(kLineEnd);
    if (!text.starts_with(kRegHeaderLine) ||
        (text.size() > kRegHeaderLine.size() && !text.starts_with(header))) {
        check.fault = BackupFault::NoHeader;
        return check;
    }
    if (!text.ends_with(kLineEnd)) {
        check.fault = BackupFault::CutOff;
        return check;
    }
    if (text.substr(0, text.size() - kLineEnd.size()).ends_with('\\')) {
        check.fault = BackupFault::Continued;
        return check;
    }
    RegParseResult parsed = ParseRegText(text, true, leadBytes);
    if (!parsed.ok) {
        check.fault = BackupFault::BadLine;
        check.line = parsed.errorLine;
        return check;
    }
    check.blocks = std::move(parsed.blocks);
    return check;
}

namespace {

void AddMissing(ImportCheck& check, MissingItem item, std::size_t count = 1) {
    check.missing += count;
    if (check.firstMissing.size() < kMissingItemsNamed) check.firstMissing.push_back(std::move(item));
    else check.moreMissing = true;
}

}  // namespace

ImportCheck CheckImport(Registry& registry, const std::vector<RegBlock>& blocks) {
    // Keys in file order, each with its values; a later line for the same
    // value replaces the earlier one.
    struct Key {
        std::string path;
        std::vector<RegValue> values;
        std::map<std::string, std::size_t> valueIndex;  // upper-cased name
    };
    std::vector<Key> keys;
    std::map<std::string, std::size_t> keyIndex;  // upper-cased path
    for (const RegBlock& block : blocks) {
        const auto [found, added] = keyIndex.try_emplace(UpperAnsi(block.keyPath), keys.size());
        if (added) keys.push_back({block.keyPath, {}, {}});
        Key& key = keys[found->second];
        for (const RegValue& value : block.values) {
            const auto [at, isNew] = key.valueIndex.try_emplace(UpperAnsi(value.name), key.values.size());
            if (isNew) key.values.push_back(value);
            else key.values[at->second] = value;
        }
    }

    ImportCheck check;
    for (const Key& key : keys) {
        check.items += 1 + key.values.size();
        RootKey root{};
        std::string path;
        std::unique_ptr<RegistryKey> open;
        if (SplitKeyPath(key.path, root, path)) open = registry.OpenKey(root, path, Access::Read);
        if (!open) {
            AddMissing(check, {MissingItem::Kind::Key, key.path}, 1 + key.values.size());
            continue;
        }
        for (const RegValue& value : key.values) {
            const std::optional<RegValue> stored = open->ReadValue(value.name);
            if (stored && stored->type == value.type && stored->data == value.data) continue;
            const std::string name = value.name.empty() ? " @" : " \"" + value.name + "\"";
            AddMissing(check, {MissingItem::Kind::Value, key.path + name});
        }
    }
    return check;
}

void AddShortcutProblems(ImportCheck& check, const ShortcutRestore& restore) {
    check.items += restore.items;
    for (const ShortcutProblem& problem : restore.problems)
        AddMissing(check, {problem.why == ShortcutProblem::Why::Taken ? MissingItem::Kind::ShortcutTaken
                                                                      : MissingItem::Kind::ShortcutFailed,
                           problem.path});
}

RestoreResult RestoreBackupFile(RestoreContext& context, std::string_view file) {
    RestoreResult result;
    const std::optional<std::string> text = context.files.ReadFile(file);
    const BackupFileCheck before = text ? CheckBackupText(*text, context.leadBytes)
                                        : BackupFileCheck{BackupFault::Unreadable, 0, {}};
    if (before.fault != BackupFault::None) {
        result.kind = RestoreResult::Kind::Refused;
        result.fault = before.fault;
        result.faultLine = before.line;
        return result;
    }
    if (!context.runEditor || !context.runEditor(file)) {
        result.kind = RestoreResult::Kind::NotRun;
        return result;
    }
    result.check = CheckImport(context.registry, before.blocks);
    AddShortcutProblems(result.check, RestoreShortcutCopies(context.files, file));
    result.kind = result.check.missing == 0 ? RestoreResult::Kind::Restored : RestoreResult::Kind::Incomplete;
    return result;
}

bool DeleteBackupWithCopies(RestoreFiles& files, std::string_view file,
                            const std::function<bool(const std::string&)>& deleteFile) {
    const bool deleted = deleteFile(std::string(file));
    DeleteShortcutCopies(files, file);
    return deleted;
}

std::string RestoreMessage(const RestoreResult& result, std::string_view fileName, const RestoreTextLookup& lookup) {
    std::string text(fileName);
    switch (result.kind) {
    case RestoreResult::Kind::Refused: {
        text += ' ';
        text += lookup("RES_Backup_Not_Complete",
                       "is not a complete backup file. Nothing was restored, and the file is kept.");
        text += "\n\n";
        switch (result.fault) {
        case BackupFault::Unreadable: text += lookup("RES_Backup_Unreadable", "The file cannot be read."); break;
        case BackupFault::NoHeader:
            text += lookup("RES_Backup_No_Header", "It does not begin with the line REGEDIT4.");
            break;
        case BackupFault::CutOff: text += lookup("RES_Backup_Cut_Off", "Its last line is cut off."); break;
        case BackupFault::Continued:
            text += lookup("RES_Backup_Continued", "Its last line goes on in a line that is missing.");
            break;
        case BackupFault::BadLine:
            text += lookup("RES_Backup_Bad_Line", "This line cannot be read back exactly:") + ' ' +
                    std::to_string(result.faultLine);
            break;
        case BackupFault::None: break;
        }
        return text;
    }
    case RestoreResult::Kind::Incomplete: {
        text += "\n\n" + std::to_string(result.check.missing) + ' ' +
                lookup("RES_Restore_Not_Back", "items of the backup did not come back, so the file is kept:");
        for (const MissingItem& item : result.check.firstMissing) {
            text += '\n' + item.name;
            if (item.kind == MissingItem::Kind::ShortcutTaken)
                text += " (" + lookup("RES_Shortcut_Taken", "another file is already there") + ')';
            else if (item.kind == MissingItem::Kind::ShortcutFailed)
                text += " (" + lookup("RES_Shortcut_Failed", "the copy could not be put back") + ')';
        }
        if (result.check.moreMissing) text += "\n...";
        return text;
    }
    case RestoreResult::Kind::NotRun:
    case RestoreResult::Kind::Restored: break;
    }
    return {};
}

}  // namespace ks
