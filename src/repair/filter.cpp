// Post-scan filter: fixed rules, unrepaired findings, ignore lists.
#include "repair/filter.h"

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
    const std::size_t slash = row.KeyPath.find('\\');
    if (slash == std::string::npos) return false;
    const std::string root = row.KeyPath.substr(0, slash);
    const std::string rest = row.KeyPath.substr(slash + 1);
    const std::string key = root + "\\" + rest;
    IgnoreTarget derived;
    switch (row.RemovalKind) {
    case RemovalKind::DeleteKey:
        derived.Target = key;
        break;
    case RemovalKind::DeleteValueInPath: {
        const std::size_t last = rest.rfind('\\');
        if (last == std::string::npos) {
            derived.Target = root + "\\";
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

// The ignore lists as every row compares with them: upper-cased once per
// filter run rather than once per row, key entries with their backslash, and
// entries that name no key left out.
struct PreparedLists {
    std::vector<std::string> values;
    std::vector<std::string> keys;

    PreparedLists(const std::vector<std::string>& ignoreValues, const std::vector<std::string>& combinedKeys) {
        values.reserve(ignoreValues.size());
        for (const std::string& entry : ignoreValues) values.push_back(UpperAnsi(entry));
        keys.reserve(combinedKeys.size());
        for (const std::string& entry : combinedKeys)
            if (!NamesNoKey(entry)) keys.push_back(WithTrailingBackslash(UpperAnsi(entry)));
    }
};

bool MatchesPreparedLists(const Finding& row, const PreparedLists& lists) {
    IgnoreTarget derived;
    if (!DeriveIgnoreTarget(row, derived)) return false;
    const std::string target = UpperAnsi(derived.Target);
    const std::string name = UpperAnsi(derived.Name);
    const bool hasName = !name.empty();

    if (hasName) {
        const std::string named = target + "\\" + name;
        for (const std::string& upper : lists.values)
            if (named == upper) return true;
    } else if (!target.empty()) {
        for (const std::string& upper : lists.values)
            if (Contains(upper, target)) return true;
    }

    if (target.empty()) return false;
    const std::string t = WithTrailingBackslash(target);
    const std::string keyPath = UpperAnsi(row.KeyPath);
    const std::string keyPathSlash = keyPath + "\\";
    for (const std::string& e : lists.keys) {
        if (hasName) {
            if (Contains(t, e) || e == keyPath || e == keyPathSlash) return true;
        } else if (Contains(t, e) || Contains(e, t)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool MatchesIgnoreLists(const Finding& row, const std::vector<std::string>& ignoreValues,
                        const std::vector<std::string>& combinedKeys) {
    return MatchesPreparedLists(row, PreparedLists(ignoreValues, combinedKeys));
}

std::size_t RemoveFilteredFindings(ProblemList& list, const FilterInputs& inputs) {
    const PreparedLists lists(inputs.IgnoreValues, CombinedKeyList(inputs.IgnoreKeys, inputs.WindowsVersion));
    std::size_t removed = 0;
    for (std::size_t i = list.Count(); i-- > 0;) {
        const Finding& row = list.Row(i);
        if (FailsFixedRules(row) || inputs.Unrepaired.Contains(row.KeyPath, row.Value) ||
            MatchesPreparedLists(row, lists)) {
            list.Remove(i);
            ++removed;
        }
    }
    return removed;
}

}  // namespace ks
