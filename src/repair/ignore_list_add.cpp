// Ignore-list entries from problem-list rows.
#include "repair/ignore_list_add.h"

#include "base/text.h"
#include "scan/registry.h"
#include "settings/settings.h"

namespace ks {

std::optional<IgnoreEntry> IgnoreEntryFor(const Finding& row) {
    if (FirstBackslash(row.KeyPath) == std::string::npos) {
        // A root's name alone: the row is about a value in the root, or a key
        // right below it. The entry holds the item itself, so that it never
        // covers the whole root.
        if (row.RemovalKind == RemovalKind::DeleteFile || !RootByName(row.KeyPath)) return std::nullopt;
        switch (row.RemovalKind) {
        case RemovalKind::DeleteNamedValue: return IgnoreEntry{row.KeyPath + "\\" + row.Value, IgnoreListKind::Value};
        case RemovalKind::DeleteSubkey: return IgnoreEntry{row.KeyPath + "\\" + row.Value, IgnoreListKind::Key};
        case RemovalKind::DeleteDefaultValue: return IgnoreEntry{row.KeyPath + "\\@", IgnoreListKind::Value};
        case RemovalKind::DeleteEncodedValue:
            return IgnoreEntry{row.KeyPath + "\\" + Rot13Text(row.Value), IgnoreListKind::Value};
        default: return std::nullopt;
        }
    }
    switch (row.RemovalKind) {
    case RemovalKind::DeleteKey:
    case RemovalKind::DeleteDefaultValue:
        return IgnoreEntry{row.KeyPath, IgnoreListKind::Key};
    case RemovalKind::DeleteValueInPath:
        return IgnoreEntry{row.KeyPath, IgnoreListKind::Value};
    case RemovalKind::DeleteNamedValue:
        return IgnoreEntry{row.KeyPath + "\\" + row.Value, IgnoreListKind::Value};
    case RemovalKind::DeleteSubkey:
        return IgnoreEntry{row.KeyPath + "\\" + row.Value, IgnoreListKind::Key};
    case RemovalKind::DeleteEncodedValue:
        // The list holds the name as the registry stores it.
        return IgnoreEntry{row.KeyPath + "\\" + Rot13Text(row.Value), IgnoreListKind::Value};
    case RemovalKind::DeleteFile:
        break;
    }
    return IgnoreEntry{};
}

bool IsInIgnoreList(std::string_view entry, const std::vector<std::string>& list) {
    for (const std::string& held : list)
        if (EqualsNoCase(held, entry)) return true;
    return false;
}

IgnoreAddOutcome AddSelectedToIgnoreLists(ProblemList& list, SettingsRecord& settings) {
    IgnoreAddOutcome outcome;
    if (!list.Focused()) return outcome;
    for (std::size_t i = list.Count(); i-- > 0;) {
        if (!list.IsSelected(i)) continue;
        const std::optional<IgnoreEntry> entry = IgnoreEntryFor(list.Row(i));
        if (!entry) {
            ++outcome.Kept;
            continue;
        }
        if (entry->List == IgnoreListKind::None) {
            list.Remove(i);
            ++outcome.FilesRemoved;
            continue;
        }
        const bool keys = entry->List == IgnoreListKind::Key;
        std::vector<std::string>& target = keys ? settings.IgnoreKeys : settings.IgnoreValues;
        if (IsInIgnoreList(entry->Text, target)) {
            ++outcome.Kept;
            continue;
        }
        target.push_back(entry->Text);
        ++(keys ? settings.IgnoreKeyCount : settings.IgnoreValueCount);
        list.Remove(i);
        ++outcome.Added;
    }
    return outcome;
}

}  // namespace ks
