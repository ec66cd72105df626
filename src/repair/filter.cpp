// Post-scan filter: fixed rules, unrepaired findings, ignore lists.
#include "repair/filter.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "base/text.h"

namespace ks {

const std::array<const char*, 42> ListBox1 = {
    "HKEY_CLASSES_ROOT\\.DAT",
    "HKEY_CLASSES_ROOT\\.hta",
    "HKEY_CLASSES_ROOT\\.htc",
    "HKEY_CLASSES_ROOT\\.manifest",
    "HKEY_CLASSES_ROOT\\Applications\\WINWORD.EXE\\TaskbarExceptionsIcons",
    "HKEY_CLASSES_ROOT\\CLSID\\{08EE6878-C867-4D8C-A360-FED4B6501D54}",
    "HKEY_CURRENT_USER\\Software\\Lexmark",
    "HKEY_CURRENT_USER\\Software\\JavaSoft",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\lexmark\\MarkVision\\LexBCE\\Debug Options",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WBEM\\WDM",
    "HKEY_USERS\\S-1-5-20\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-19\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-20\\Software\\Microsoft\\MediaPlayer\\Setup\\CreatedLinks",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\IMAPI\\StashInfo",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Journal",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Office\\10.0\\Outlook\\Journal",
    "HKEY_CURRENT_USER\\Software\\ThinPrint",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\11.0\\Outlook\\Journal",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Office\\11.0\\Outlook\\Journal",
    "HKEY_CURRENT_USER\\Software\\Ahead\\Nero - Burning Rom\\Database",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Ahead\\Nero - Burning Rom\\Database",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Citrix Program Neighborhood",
    "HKEY_CURRENT_USER\\Software\\Funk Software, Inc.",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-21-1229272821-854245398-1343024091-1003\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Media Center\\MRU",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hewlett-Packard\\DigitalImaging",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SilverFast UScan-SE_is1",
    "HKEY_CLASSES_ROOT\\CLSID\\{01483019-D8C9-47D8-8E93-AF032EBFADA6}",
    "HKEY_CLASSES_ROOT\\CLSID\\{19CAD08F-0413-47F8-B1D9-5D66826E1E39}",
    "HKEY_CLASSES_ROOT\\CLSID\\{42130E6A-0045-4208-A252-71CA12C8FE99}",
    "HKEY_CLASSES_ROOT\\CLSID\\{4D6295C9-2765-49B0-A45B-4136B610954C}",
    "HKEY_CLASSES_ROOT\\CLSID\\{56101D38-6A8B-49D6-8C9D-939595AB2D19}",
    "HKEY_CLASSES_ROOT\\CLSID\\{5A810830-B199-4a4c-89CB-928D960A5C04}",
    "HKEY_CLASSES_ROOT\\CLSID\\{83E6F60E-7147-4475-9DF6-5F1E237FE2CE}",
    "HKEY_CLASSES_ROOT\\CLSID\\{959BA0A4-0893-48B4-8B02-BA0DA0A401FE}",
    "HKEY_CLASSES_ROOT\\CLSID\\{D8E9E2ED-846D-4711-A9B8-A29312157DB4}",
    "HKEY_CLASSES_ROOT\\CLSID\\{DEBBD32E-1D08-4F6A-8A26-E1B3D768A1E5}",
    "HKEY_CLASSES_ROOT\\CLSID\\{F01F76EC-3376-4E62-B201-8074C8239376}",
};

const std::array<const char*, 10> ListBox2 = {
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Speech\\Recognizers\\Tokens",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\Sysprep\\Cleanup",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\IME\\China\\imesc\\Directories",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\TPG\\InputPersonalization\\AnalysisTokens\\4103\\IPS",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{B977CB2D-EC6E-4A8F-BFFE-D18682BB0D52}\\InProcServer32",
    "HKEY_CLASSES_ROOT\\CLSID\\{B977CB2D-EC6E-4A8F-BFFE-D18682BB0D52}\\InProcServer32",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\IMEJP\\10.0\\directories",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\PowerShell\\1\\PowerShellEngine",
    "HKEY_LOCAL_MASCHINE\\Software\\ARM Software\\MacroMaker",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wdseml",
};

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// "?" in a path that also looks like a drive path or like a variable: such
// findings come from names Windows keeps with placeholders, not from files.
bool QuestionMarkInKeyPath(std::string_view keyPath) {
    if (!Contains(keyPath, "?")) return false;
    if (Contains(keyPath, ":\\")) return true;
    const std::size_t percent = keyPath.find('%');
    return percent != std::string_view::npos && Contains(keyPath.substr(percent + 1), "%\\");
}

bool QuestionMarkInValue(std::string_view value) {
    if (!Contains(value, "?")) return false;
    if (Contains(value, ":\\")) return true;
    const std::size_t percent = value.find('%');
    return percent != std::string_view::npos && Contains(value.substr(percent + 1), "%");
}

// An ignore entry that, once a backslash is appended, would be contained in
// every path.
bool NamesNoKey(std::string_view entry) {
    for (char c : entry)
        if (c != '\\' && static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

}  // namespace

bool FailsFixedRules(const Finding& row) {
    // Every rule needs a "{" or "%" or "?" in the key path or a "%" or "?" in
    // the value: most rows are passed without being upper-cased.
    const auto marked = [](std::string_view text, bool brace) {
        for (char c : text)
            if (c == '%' || c == '?' || (brace && c == '{')) return true;
        return false;
    };
    if (!marked(row.KeyPath, true) && !marked(row.Value, false)) return false;
    const std::string keyPath = UpperAnsi(row.KeyPath);
    const std::string value = UpperAnsi(row.Value);
    if (Contains(keyPath, "CLSID\\{DFEAF541-F3E1-4C24-ACAC-99C30715084A}")) return true;
    if (Contains(keyPath, "CLSID\\{DC6EFB56-9CFA-464D-8880-44885D7DC193}")) return true;
    if (Contains(keyPath, "%USERNAME%_") || Contains(value, "%USERNAME%_")) return true;
    if (QuestionMarkInKeyPath(keyPath)) return true;
    return QuestionMarkInValue(value);
}

bool DeriveIgnoreTarget(const Finding& row, IgnoreTarget& target) {
    const LeadBytes& leads = ActiveCodePage().Leads();
    const std::size_t slash = FirstBackslash(row.KeyPath, leads);
    std::string root;
    std::string rest;
    if (slash == std::string::npos) {
        // A value right in a hive's root has the root's name alone as key path.
        if (!RootByName(row.KeyPath)) return false;
        root = row.KeyPath;
    } else {
        root = row.KeyPath.substr(0, slash);
        rest = row.KeyPath.substr(slash + 1);
    }
    const std::string key = rest.empty() ? root : root + "\\" + rest;
    IgnoreTarget derived;
    switch (row.RemovalKind) {
    case RemovalKind::DeleteKey:
        derived.Target = key;
        break;
    case RemovalKind::DeleteValueInPath: {
        // Target and name joined again give the key path itself, so that the
        // entry "Add to Ignore Lists" stores for the row is what matches it,
        // in a hive's root too.
        const std::size_t last = LastBackslash(rest, leads);
        if (last == std::string::npos) {
            derived.Target = root;
            derived.Name = rest;
        } else {
            derived.Target = root + "\\" + rest.substr(0, last);
            derived.Name = rest.substr(last + 1);
        }
        break;
    }
    case RemovalKind::DeleteNamedValue:
        derived.Target = key;
        derived.Name = row.Value;
        break;
    case RemovalKind::DeleteSubkey:
        derived.Target = key + "\\" + row.Value;
        break;
    case RemovalKind::DeleteFile:
        break;
    case RemovalKind::DeleteDefaultValue:
        derived.Target = key;
        derived.Name = "@";
        break;
    case RemovalKind::DeleteEncodedValue:
        derived.Target = key;
        derived.Name = Rot13Text(row.Value);
        break;
    }
    target = std::move(derived);
    return true;
}

std::vector<std::string> CombinedKeyList(const std::vector<std::string>& ignoreKeys, std::uint8_t windowsVersion) {
    std::vector<std::string> keys(ListBox1.begin(), ListBox1.end());
    keys.insert(keys.end(), ignoreKeys.begin(), ignoreKeys.end());
    if (windowsVersion == 11 || windowsVersion == 12) keys.insert(keys.end(), ListBox2.begin(), ListBox2.end());
    return keys;
}

namespace {

// Where a root's name (HKEY_...) can stand in a text: only at its start.
bool RootNameOnlyFirst(std::string_view text) {
    return text.starts_with("HKEY_") && text.find("HKEY_", 1) == std::string_view::npos;
}

std::string_view RootPart(std::string_view text) { return text.substr(0, text.find('\\')); }

// The ignore lists as every row compares with them: upper-cased once per
// filter run rather than once per row, key entries with their backslash, and
// entries that name no key left out. An entry stands here under each name it
// covers; which entry a name came from does not matter.
//
// Key entries are held by the root they begin with: a path that names a root
// only at its start can contain, or lie in, only an entry of its own root,
// unless the entry names a root elsewhere too (or none at all), and such
// entries are asked about every path.
struct PreparedLists {
    std::vector<std::string> values;
    std::vector<std::string> keysAnyRoot;
    std::vector<std::pair<std::string, std::vector<std::string>>> keysByRoot;

    PreparedLists(const std::vector<std::string>& ignoreValues, const std::vector<std::string>& combinedKeys,
                  KeyAliases& aliases) {
        for (const std::string& entry : ignoreValues)
            for (std::string& name : aliases.Names(entry, false)) values.push_back(std::move(name));
        for (const std::string& entry : combinedKeys) {
            if (NamesNoKey(entry)) continue;
            for (std::string& name : aliases.Names(entry, false)) {
                std::string key = WithTrailingBackslash(std::move(name));
                if (!RootNameOnlyFirst(key)) {
                    keysAnyRoot.push_back(std::move(key));
                    continue;
                }
                const std::string_view root = RootPart(key);
                auto group = std::find_if(keysByRoot.begin(), keysByRoot.end(),
                                          [&](const auto& known) { return known.first == root; });
                if (group == keysByRoot.end()) group = keysByRoot.insert(keysByRoot.end(), {std::string(root), {}});
                group->second.push_back(std::move(key));
            }
        }
    }

    // Calls `test` with every key entry that may match the path, until it
    // answers true.
    template <typename Test>
    bool AnyKey(std::string_view path, Test&& test) const {
        for (const std::string& e : keysAnyRoot)
            if (test(e)) return true;
        const bool oneRoot = RootNameOnlyFirst(path);
        for (const auto& [root, keys] : keysByRoot) {
            if (oneRoot && root != RootPart(path)) continue;
            for (const std::string& e : keys)
                if (test(e)) return true;
        }
        return false;
    }
};

bool MatchesPreparedLists(const Finding& row, const PreparedLists& lists, KeyAliases& aliases) {
    IgnoreTarget derived;
    if (!DeriveIgnoreTarget(row, derived) || derived.Target.empty()) return false;
    std::vector<std::string> targets = aliases.Names(derived.Target, true);
    const bool hasName = !derived.Name.empty();

    if (hasName && !lists.values.empty()) {
        const std::string name = UpperAnsi(derived.Name);
        // The list shows such a value by its readable name.
        const std::string readable =
            row.RemovalKind == RemovalKind::DeleteEncodedValue ? UpperAnsi(row.Value) : std::string();
        for (const std::string& target : targets)
            for (const std::string* shown : {&name, &readable}) {
                if (shown->empty()) continue;
                const std::string named = target + "\\" + *shown;
                for (const std::string& entry : lists.values)
                    if (named == entry) return true;
            }
    } else if (!hasName) {
        for (const std::string& target : targets)
            for (const std::string& entry : lists.values)
                if (Contains(entry, target)) return true;
    }

    // With a value name, a key entry also matches when it is the whole key
    // path: key entries end in a backslash, so the key path is given one.
    std::vector<std::string> keyPaths;
    if (hasName) {
        keyPaths = aliases.Names(row.KeyPath, true);
        for (std::string& keyPath : keyPaths) keyPath = WithTrailingBackslash(std::move(keyPath));
    }
    for (std::string& t : targets) {
        t = WithTrailingBackslash(std::move(t));
        const bool matched = lists.AnyKey(t, [&](const std::string& e) {
            if (Contains(t, e)) return true;
            if (!hasName) return Contains(e, t);
            for (const std::string& keyPath : keyPaths)
                if (e == keyPath) return true;
            return false;
        });
        if (matched) return true;
    }
    return false;
}

// What a row deletes, in one text: the key's canonical name, then for a
// value its name. Cut into root, key and value as the repair cuts it.
std::optional<std::string> ItemIdentity(const Finding& row, KeyAliases& aliases) {
    if (row.RemovalKind == RemovalKind::DeleteFile) return UpperAnsi(row.KeyPath).append(1, '\0').append(1, 'F');
    const LeadBytes& leads = ActiveCodePage().Leads();
    const std::string_view keyPath = row.KeyPath;
    const std::size_t slash = FirstBackslash(keyPath, leads);
    const std::string_view rest = slash == std::string_view::npos ? std::string_view() : keyPath.substr(slash + 1);
    std::string_view key;
    std::string_view value;
    std::string stored;  // a subkey's path or a ROT13 name, made for this row
    bool isValue = true;
    switch (row.RemovalKind) {
    case RemovalKind::DeleteKey:
        key = rest;
        isValue = false;
        break;
    case RemovalKind::DeleteValueInPath: {
        const std::size_t last = LastBackslash(rest, leads);
        key = last == std::string_view::npos ? std::string_view() : rest.substr(0, last);
        value = last == std::string_view::npos ? rest : rest.substr(last + 1);
        break;
    }
    case RemovalKind::DeleteNamedValue:
        key = rest;
        value = row.Value;
        break;
    case RemovalKind::DeleteSubkey:
        if (row.Value.empty()) return std::nullopt;
        stored.append(keyPath).append(1, '\\').append(row.Value);
        isValue = false;
        break;
    case RemovalKind::DeleteDefaultValue: key = rest; break;
    case RemovalKind::DeleteEncodedValue:
        key = rest;
        stored = Rot13Text(row.Value);
        value = stored;
        break;
    case RemovalKind::DeleteFile: break;
    }
    // The key's whole path is the row's own text up to the key's end, but
    // for a subkey, whose path was made above.
    std::string_view path = WithoutTrailingBackslash(stored, leads);
    if (row.RemovalKind != RemovalKind::DeleteSubkey) {
        key = WithoutTrailingBackslash(key, leads);
        path = key.empty() ? keyPath.substr(0, slash) : keyPath.substr(0, slash + 1 + key.size());
    }
    std::string identity = aliases.Canonical(path);
    identity += '\0';
    if (isValue) identity.append(1, 'V').append(UpperAnsi(value));
    else identity += 'K';
    return identity;
}

bool NamedBelowCurrentUser(const Finding& row) {
    const std::size_t slash = row.KeyPath.find('\\');
    return EqualsNoCase(std::string_view(row.KeyPath).substr(0, slash), "HKEY_CURRENT_USER");
}

}  // namespace

std::size_t RemoveTwinFindings(ProblemList& list, KeyAliases& aliases) {
    // Rows side by side by what they delete, in list order within a group.
    std::vector<std::pair<std::string, std::size_t>> items;
    items.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (auto identity = ItemIdentity(list.Row(i), aliases)) items.emplace_back(std::move(*identity), i);
    std::sort(items.begin(), items.end());
    std::vector<bool> twin(list.Count(), false);
    for (std::size_t first = 0, end = 0; first < items.size(); first = end) {
        end = first + 1;
        while (end < items.size() && items[end].first == items[first].first) ++end;
        if (end - first == 1) continue;
        std::size_t stays = items[first].second;
        for (std::size_t j = first; j < end; ++j)
            if (NamedBelowCurrentUser(list.Row(items[j].second))) {
                stays = items[j].second;
                break;
            }
        for (std::size_t j = first; j < end; ++j)
            if (items[j].second != stays) twin[items[j].second] = true;
    }
    std::size_t removed = 0;
    for (std::size_t i = list.Count(); i-- > 0;)
        if (twin[i]) {
            list.Remove(i);
            ++removed;
        }
    return removed;
}

bool MatchesIgnoreLists(const Finding& row, const std::vector<std::string>& ignoreValues,
                        const std::vector<std::string>& combinedKeys, KeyAliases* aliases) {
    KeyAliases none;
    KeyAliases& names = aliases ? *aliases : none;
    return MatchesPreparedLists(row, PreparedLists(ignoreValues, combinedKeys, names), names);
}

bool FilterThenTick(ProblemList& list, const std::function<void()>& filter) {
    try {
        filter();
    } catch (const std::exception&) {
        // Unticked even when the rows arrived ticked. Should that fail too,
        // the answer still keeps an unattended repair away.
        try {
            SelectAll(list, false);
        } catch (const std::exception&) {
        }
        return false;
    }
    SelectAll(list, true);
    return true;
}

std::size_t RemoveFilteredFindings(ProblemList& list, const FilterInputs& inputs) {
    KeyAliases none;
    KeyAliases& aliases = inputs.Aliases ? *inputs.Aliases : none;
    std::size_t removed = RemoveTwinFindings(list, aliases);
    const PreparedLists lists(inputs.IgnoreValues, CombinedKeyList(inputs.IgnoreKeys, inputs.WindowsVersion), aliases);
    for (std::size_t i = list.Count(); i-- > 0;) {
        const Finding& row = list.Row(i);
        if (FailsFixedRules(row) || inputs.Unrepaired.Contains(row.KeyPath, row.Value) ||
            MatchesPreparedLists(row, lists, aliases)) {
            list.Remove(i);
            ++removed;
        }
    }
    return removed;
}

}  // namespace ks
