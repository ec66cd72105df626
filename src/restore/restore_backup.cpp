// Checking a backup before its import, the import afterwards, and the texts
// that tell the user.
#include "restore/restore_backup.h"

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "base/text.h"
#include "repair/reg_file_text.h"

namespace ks {

namespace {

bool HasHeaderLine(std::string_view text) {
    for (const std::string_view header : {kRegHeaderLine, kRegVersion5HeaderLine}) {
        if (!text.starts_with(header)) continue;
        const std::string_view rest = text.substr(header.size());
        if (rest.empty() || rest.front() == '\r' || rest.front() == '\n') return true;
    }
    return false;
}

BackupFault FaultOfEnd(RegParseResult::End end) {
    switch (end) {
    case RegParseResult::End::CutOff: return BackupFault::CutOff;
    case RegParseResult::End::Continued: return BackupFault::Continued;
    case RegParseResult::End::Damaged: break;
    }
    return BackupFault::BadLine;
}

}  // namespace

BackupFileCheck CheckBackupText(std::string_view bytes, const LeadBytes& leadBytes) {
    BackupFileCheck check;
    const RegFileText file = DecodeRegFile(bytes);
    check.form = file.unicode ? RegTextForm::Unicode : RegTextForm::Ansi;
    std::string_view text = file.text;
    if (!HasHeaderLine(text)) {
        check.fault = BackupFault::NoHeader;
        return check;
    }
    // A write that a power cut interrupted can leave the room it took filled
    // with zeros; and half a UTF-16 unit is a write cut short as well. (A cut
    // between CR and LF needs no care: a lone CR ends a line for the importer
    // as CR LF does, and every line before it is whole.)
    const size_t written = text.find_last_not_of('\0') + 1;
    const bool neverWritten = written < text.size() || file.strayByte;
    text = text.substr(0, written);

    RegParseResult parsed = ParseRegText(text, true, leadBytes, check.form);
    if (parsed.ok && !neverWritten) {
        check.blocks = std::move(parsed.blocks);
        return check;
    }
    BackupFault tornEnd = BackupFault::NeverWritten;
    std::string_view complete = text;
    if (!parsed.ok) {
        tornEnd = FaultOfEnd(parsed.end);
        if (tornEnd == BackupFault::BadLine) {
            check.fault = BackupFault::BadLine;
            check.line = parsed.errorLine;
            return check;
        }
        // The end is torn inside its last block: that block goes, and what
        // comes before it must read cleanly.
        if (parsed.blockStart != std::string_view::npos) {
            complete = text.substr(0, parsed.blockStart);
            parsed = ParseRegText(complete, true, leadBytes, check.form);
        }
    }
    // Nothing to import before a torn end: the file is refused for it.
    if (!parsed.ok || parsed.blocks.empty()) {
        check.fault = tornEnd;
        return check;
    }
    check.blocks = std::move(parsed.blocks);
    check.tornEnd = tornEnd;
    check.completePart = EncodeRegFile(complete, file.unicode);
    return check;
}

namespace {

// Every key path that ends at a separator of the path, and the path itself.
std::vector<std::string> PathAndParents(const std::string& path, RegTextForm form, const LeadBytes& leadBytes) {
    std::vector<std::string> paths;
    const bool ansi = form == RegTextForm::Ansi;
    for (size_t i = 0; i < path.size(); ++i) {
        if (ansi && leadBytes.IsLead(path[i])) ++i;
        else if (path[i] == '\\') paths.push_back(path.substr(0, i));
    }
    paths.push_back(path);
    return paths;
}

bool IsAtOrBelow(std::string_view path, std::string_view key) {
    return path.starts_with(key) && (path.size() == key.size() || path[key.size()] == '\\');
}

struct PlannedKey {
    std::string path;
    std::vector<std::string> order;  // name keys, first seen first
    std::map<std::string, RegValue> values;
    std::map<std::string, std::string> gone;
};

void AddMissing(ImportCheck& check, MissingItem item, std::size_t count = 1) {
    check.missing += count;
    if (check.firstMissing.size() < kMissingItemsNamed) check.firstMissing.push_back(std::move(item));
    else check.moreMissing = true;
}

std::string ValueName(const std::string& keyPath, const std::string& name) {
    return keyPath + (name.empty() ? std::string(" @") : " \"" + name + "\"");
}

class RegistryKeyProbe final : public RegistryProbe::Key {
public:
    explicit RegistryKeyProbe(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}
    std::optional<RegValue> ReadValue(std::string_view name) const override { return key_->ReadValue(name); }
    std::vector<std::string> SubkeyNames() const override { return key_->SubkeyNames(); }

private:
    std::unique_ptr<RegistryKey> key_;
};

class RegistryThroughProbe final : public RegistryProbe {
public:
    explicit RegistryThroughProbe(Registry& registry) : registry_(registry) {}
    std::unique_ptr<Key> Open(std::string_view fullPath) override {
        RootKey root{};
        std::string path;
        if (!SplitKeyPath(fullPath, root, path)) return nullptr;
        auto key = registry_.OpenKey(root, path, Access::Read);
        if (!key) return nullptr;
        return std::make_unique<RegistryKeyProbe>(std::move(key));
    }

private:
    Registry& registry_;
};

}  // namespace

std::size_t ImportPlan::Items() const {
    std::size_t items = goneKeys.size();
    for (const Key& key : keys) items += 1 + key.values.size() + key.goneValues.size();
    return items;
}

ImportPlan PlanImport(const std::vector<RegBlock>& blocks, RegTextForm form, const LeadBytes& leadBytes) {
    std::vector<PlannedKey> keys;
    std::map<std::string, std::size_t> live;  // name key of a path -> its entry
    std::vector<std::string> goneOrder;
    std::map<std::string, std::string> gone;
    for (const RegBlock& block : blocks) {
        const std::string path = RegNameKey(block.keyPath, form);
        if (block.deleted) {
            for (auto it = live.lower_bound(path); it != live.end() && it->first.starts_with(path);)
                it = IsAtOrBelow(it->first, path) ? live.erase(it) : std::next(it);
            if (gone.emplace(path, block.keyPath).second) goneOrder.push_back(path);
            continue;
        }
        for (const std::string& made : PathAndParents(path, form, leadBytes)) gone.erase(made);
        const auto [at, added] = live.try_emplace(path, keys.size());
        if (added) keys.push_back({block.keyPath, {}, {}, {}});
        PlannedKey& key = keys[at->second];
        for (const RegValue& value : block.values) {
            const std::string name = RegNameKey(value.name, form);
            key.gone.erase(name);
            if (key.values.insert_or_assign(name, value).second) key.order.push_back(name);
        }
        for (const std::string& deleted : block.deletedValues) {
            const std::string name = RegNameKey(deleted, form);
            if (key.values.erase(name) == 0 && !key.gone.count(name)) key.order.push_back(name);
            key.gone.insert_or_assign(name, deleted);
        }
    }

    ImportPlan plan;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto found = live.find(RegNameKey(keys[i].path, form));
        if (found == live.end() || found->second != i) continue;
        ImportPlan::Key key{keys[i].path, {}, {}};
        std::set<std::string> seen;
        for (const std::string& name : keys[i].order) {
            if (!seen.insert(name).second) continue;
            if (const auto value = keys[i].values.find(name); value != keys[i].values.end())
                key.values.push_back(value->second);
            else if (const auto deleted = keys[i].gone.find(name); deleted != keys[i].gone.end())
                key.goneValues.push_back(deleted->second);
        }
        plan.keys.push_back(std::move(key));
    }
    std::set<std::string> seen;
    for (const std::string& path : goneOrder)
        if (gone.count(path) && seen.insert(path).second) plan.goneKeys.push_back(gone.at(path));
    return plan;
}

std::unique_ptr<RegistryProbe> ProbeThrough(Registry& registry) {
    return std::make_unique<RegistryThroughProbe>(registry);
}

ImportCheck CheckImport(RegistryProbe& registry, const ImportPlan& plan) {
    ImportCheck check;
    for (const ImportPlan::Key& key : plan.keys) {
        check.items += 1 + key.values.size() + key.goneValues.size();
        const auto open = registry.Open(key.path);
        if (!open) {
            // Values to be gone are gone with their key.
            AddMissing(check, {MissingItem::Kind::Key, key.path}, 1 + key.values.size());
            continue;
        }
        for (const RegValue& value : key.values) {
            const std::optional<RegValue> stored = open->ReadValue(value.name);
            if (stored && stored->type == value.type && stored->data == value.data) continue;
            AddMissing(check, {MissingItem::Kind::Value, ValueName(key.path, value.name)});
        }
        for (const std::string& name : key.goneValues)
            if (open->ReadValue(name)) AddMissing(check, {MissingItem::Kind::ValueNotGone, ValueName(key.path, name)});
    }
    for (const std::string& path : plan.goneKeys) {
        ++check.items;
        if (registry.Open(path)) AddMissing(check, {MissingItem::Kind::KeyNotGone, path});
    }
    return check;
}

ImportCheck CheckImport(Registry& registry, const std::vector<RegBlock>& blocks) {
    const auto probe = ProbeThrough(registry);
    return CheckImport(*probe, PlanImport(blocks));
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
    const std::optional<std::string> bytes = context.files.ReadFile(file);
    BackupFileCheck before;
    if (bytes) before = CheckBackupText(*bytes, context.leadBytes);
    else before.fault = BackupFault::Unreadable;
    const auto ansi = ProbeThrough(context.registry);
    RegistryProbe* const registry = before.form == RegTextForm::Ansi ? ansi.get() : context.unicodeRegistry;
    if (before.fault == BackupFault::None && !registry) before.fault = BackupFault::Unreadable;
    // A torn end is never handed to the editor: it would import a cut value
    // as something else. The complete part goes in a copy of its own.
    std::optional<std::string> copy;
    if (before.fault == BackupFault::None && before.tornEnd != BackupFault::None) {
        copy = context.files.WriteTemporary(before.completePart);
        if (!copy) before.fault = BackupFault::NoCopy;
    }
    if (before.fault != BackupFault::None) {
        result.kind = RestoreResult::Kind::Refused;
        result.fault = before.fault;
        result.faultLine = before.line;
        return result;
    }
    const bool ended = context.runEditor && context.runEditor(copy ? std::string_view(*copy) : file);
    if (copy) (void)context.files.RemoveFile(*copy);
    if (!ended) {
        result.kind = RestoreResult::Kind::NotRun;
        return result;
    }
    result.tornEnd = before.tornEnd;
    result.check = CheckImport(*registry, PlanImport(before.blocks, before.form, context.leadBytes));
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

std::string BackupFaultText(BackupFault fault, std::size_t line, const RestoreTextLookup& lookup) {
    switch (fault) {
    case BackupFault::Unreadable: return lookup("RES_Backup_Unreadable", "The file cannot be read.");
    case BackupFault::NoHeader:
        return lookup("RES_Backup_No_Header",
                      "It does not begin with the line REGEDIT4 or Windows Registry Editor Version 5.00.");
    case BackupFault::CutOff: return lookup("RES_Backup_Cut_Off", "Its last line is cut off.");
    case BackupFault::Continued:
        return lookup("RES_Backup_Continued", "Its last line goes on in a line that is missing.");
    case BackupFault::BadLine:
        return lookup("RES_Backup_Bad_Line", "This line cannot be read back exactly:") + ' ' + std::to_string(line);
    case BackupFault::NeverWritten:
        return lookup("RES_Backup_Never_Written", "It ends in bytes that were never written.");
    case BackupFault::NoCopy:
        return lookup("RES_Backup_No_Copy", "Its complete part could not be copied for the registry editor.");
    case BackupFault::None: break;
    }
    return {};
}

std::string RestoreMessage(const RestoreResult& result, std::string_view fileName, const RestoreTextLookup& lookup) {
    std::string text(fileName);
    switch (result.kind) {
    case RestoreResult::Kind::Refused:
        text += ' ';
        text += lookup("RES_Backup_Not_Complete",
                       "is not a complete backup file. Nothing was restored, and the file is kept.");
        return text + "\n\n" + BackupFaultText(result.fault, result.faultLine, lookup);
    case RestoreResult::Kind::Restored:
    case RestoreResult::Kind::Incomplete: break;
    case RestoreResult::Kind::NotRun: return {};
    }
    if (result.tornEnd != BackupFault::None) {
        text += ' ';
        text += lookup("RES_Backup_Torn_End",
                       "ends inside a block, as a repair leaves it when it is interrupted while writing. Nothing "
                       "was deleted after that block was begun, so the complete blocks before it were imported "
                       "and the incomplete end was left out.");
        text += "\n\n" + BackupFaultText(result.tornEnd, 0, lookup);
    }
    if (result.kind == RestoreResult::Kind::Restored)
        return result.tornEnd == BackupFault::None ? std::string() : text;
    text += "\n\n" + std::to_string(result.check.missing) + ' ' +
            lookup("RES_Restore_Not_Back", "items of the backup did not come back, so the file is kept:");
    for (const MissingItem& item : result.check.firstMissing) {
        text += '\n' + item.name;
        switch (item.kind) {
        case MissingItem::Kind::ShortcutTaken:
            text += " (" + lookup("RES_Shortcut_Taken", "another file is already there") + ')';
            break;
        case MissingItem::Kind::ShortcutFailed:
            text += " (" + lookup("RES_Shortcut_Failed", "the copy could not be put back") + ')';
            break;
        case MissingItem::Kind::KeyNotGone:
        case MissingItem::Kind::ValueNotGone:
            text += " (" + lookup("RES_Restore_Still_There", "still there, though the file deletes it") + ')';
            break;
        case MissingItem::Kind::Key:
        case MissingItem::Kind::Value: break;
        }
    }
    if (result.check.moreMissing) text += "\n...";
    return text;
}

FullBackupCheck CheckFullBackup(const BackupFileCheck& file, RegistryProbe& registry) {
    FullBackupCheck check;
    check.fault = file.fault != BackupFault::None ? file.fault : file.tornEnd;
    check.line = file.line;
    if (check.fault != BackupFault::None) return check;
    // Every key path of the file, and every root it exports.
    std::set<std::string> paths;
    std::set<std::string> roots = {"HKEY_LOCAL_MACHINE", "HKEY_USERS"};
    for (const RegBlock& block : file.blocks) {
        const std::string path = RegNameKey(block.keyPath, file.form);
        paths.insert(path);
        roots.insert(path.substr(0, path.find('\\')));
    }
    for (const std::string& root : roots) {
        const auto key = registry.Open(root);
        if (!key) continue;
        for (const std::string& name : key->SubkeyNames()) {
            const std::string path = root + '\\' + name;
            if (paths.count(RegNameKey(path, file.form))) continue;
            check.missingKey = path;
            return check;
        }
    }
    return check;
}

}  // namespace ks
