// One row per registry item whatever name reached it, ignore entries that
// cover every name of their item, items right in a root that stay ignored,
// and a filter that fails leaving nothing ticked.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "repair/filter.h"
#include "repair/ignore_list_add.h"
#include "settings/settings.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

using K = RemovalKind;

constexpr const char* kSid = "S-1-5-21-0-0-0-1000";
const std::string kUser = std::string("HKEY_USERS\\") + kSid;

Finding Row(std::string keyPath, std::string value, K kind) { return Finding{"p", std::move(keyPath), std::move(value), kind}; }

// The current user's hive linked under HKEY_USERS, one class in the machine's
// classes and one in the user's.
void PlantMachine(test::MemoryRegistry& registry) {
    registry.LinkCurrentUser(kSid);
    registry.AddKey(RootKey::LocalMachine, "Software\\Classes\\CLSID\\{M}");
    registry.AddKey(RootKey::CurrentUser, "Software\\Classes\\CLSID\\{U}");
}

std::vector<std::string> KeyPathsOf(const ProblemList& list) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < list.Count(); ++i) paths.push_back(list.Row(i).KeyPath + "|" + list.Row(i).Value);
    return paths;
}

TEST(TwinTest, OneRowPerItemTheCurrentUsersNameFirst) {
    test::MemoryRegistry registry;
    PlantMachine(registry);
    const std::string fonts = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::string count = "HKEY_CURRENT_USER\\Software\\UA\\Count";
    struct Case {
        const char* what;
        std::vector<Finding> rows;
        std::vector<std::size_t> kept;
    } const cases[] = {
        {"user's walk first", {Row(kUser + "\\Software\\A\\v", "C:\\x", K::DeleteValueInPath),
                               Row("HKEY_CURRENT_USER\\Software\\A\\v", "C:\\x", K::DeleteValueInPath)}, {1}},
        {"current user first", {Row("HKEY_CURRENT_USER\\Software\\A\\v", "C:\\x", K::DeleteValueInPath),
                                Row(kUser + "\\software\\a\\V", "C:\\x", K::DeleteValueInPath)}, {0}},
        {"two sections, one root", {Row(fonts + "\\Arial", "arial.ttf", K::DeleteValueInPath),
                                    Row(fonts, "Arial", K::DeleteNamedValue)}, {0}},
        {"a key and its parent's subkey", {Row(kUser + "\\Software", "Empty", K::DeleteSubkey),
                                           Row("HKEY_CURRENT_USER\\Software\\Empty", "", K::DeleteKey)}, {1}},
        {"a ROT13 name", {Row(count, "C:\\run.exe", K::DeleteEncodedValue),
                          Row(kUser + "\\Software\\UA\\Count", "P:\\eha.rkr", K::DeleteNamedValue)}, {0}},
        {"the classes root and the machine's classes", {Row("HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{M}", "", K::DeleteKey),
                                                        Row("HKEY_CLASSES_ROOT\\CLSID\\{M}", "x", K::DeleteKey)}, {0}},
        {"the user's classes under three names", {Row(kUser + "_Classes\\CLSID\\{U}", "", K::DeleteKey),
                                                  Row("HKEY_CLASSES_ROOT\\CLSID\\{U}", "", K::DeleteKey),
                                                  Row("HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{U}", "", K::DeleteKey)}, {2}},
        {"one file twice", {Row("C:\\Me\\a.lnk", "C:\\gone.exe", K::DeleteFile), Row("c:\\me\\A.LNK", "", K::DeleteFile)}, {0}},
        {"other users, a key and a value of one path, other names",
         {Row("HKEY_USERS\\S-1-5-18\\Software\\A\\v", "", K::DeleteValueInPath),
          Row("HKEY_CURRENT_USER\\Software\\A\\v", "", K::DeleteValueInPath),
          Row("HKEY_CURRENT_USER\\Software\\A\\v", "", K::DeleteKey),
          Row("HKEY_CURRENT_USER\\Software\\A\\w", "", K::DeleteValueInPath),
          Row("HKEY_CLASSES_ROOT\\CLSID\\{Gone}", "", K::DeleteKey),
          Row("HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{Gone}", "", K::DeleteKey)}, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProblemListModel list;
        for (const Finding& row : c.rows) list.Append(row);
        KeyAliases aliases(registry);
        const std::size_t removed = RemoveTwinFindings(list, aliases);
        std::vector<std::string> expected;
        for (std::size_t i : c.kept) expected.push_back(c.rows[i].KeyPath + "|" + c.rows[i].Value);
        EXPECT_EQ(KeyPathsOf(list), expected);
        EXPECT_EQ(removed, c.rows.size() - c.kept.size());
    }
}

// Entry of a list, and whether it removes the row: every entry written under
// one name of the item and the row found under another.
TEST(TwinTest, IgnoreEntriesCoverTheItemUnderEveryName) {
    test::MemoryRegistry registry;
    PlantMachine(registry);
    const std::string user = "HKEY_CURRENT_USER\\Software\\KsIgn";
    const std::string hive = kUser + "\\Software\\KsIgn";
    struct Case {
        Finding row;
        const char* entry;
        bool keyList;
        bool removed;
    } const cases[] = {
        {Row(hive + "\\v", "C:\\x", K::DeleteValueInPath), "HKEY_CURRENT_USER\\Software\\KsIgn\\v", false, true},
        {Row(user + "\\v", "C:\\x", K::DeleteValueInPath), "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\KsIgn\\v", false, true},
        {Row(hive, "C:\\a\\b.dll", K::DeleteNamedValue), "hkey_current_user\\software\\ksign\\C:\\a\\b.dll", false, true},
        {Row(hive, "Empty", K::DeleteSubkey), "HKEY_CURRENT_USER\\Software\\KsIgn\\Empty", true, true},
        {Row(user + "\\Deep\\Key", "", K::DeleteKey), "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\KsIgn", true, true},
        {Row(user + "\\Sound", "C:\\x.wav", K::DeleteDefaultValue), "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\KsIgn\\Sound\\@", false, true},
        {Row(user + "\\Count", "C:\\run.exe", K::DeleteEncodedValue), "HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\KsIgn\\Count\\P:\\eha.rkr", false, true},
        {Row(hive + "\\Count", "P:\\eha.rkr", K::DeleteNamedValue), "HKEY_CURRENT_USER\\Software\\KsIgn\\Count\\P:\\eha.rkr", false, true},
        {Row("HKEY_CLASSES_ROOT\\CLSID\\{M}", "", K::DeleteKey), "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{M}", true, true},
        {Row("HKEY_CLASSES_ROOT\\CLSID\\{M}", "", K::DeleteKey), "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{M}", true, false},
        {Row("HKEY_CLASSES_ROOT\\CLSID\\{U}\\x", "", K::DeleteValueInPath), "HKEY_USERS\\S-1-5-21-0-0-0-1000_Classes\\CLSID\\{U}", true, true},
        {Row("HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{M}\\InprocServer32", "", K::DeleteKey), "HKEY_CLASSES_ROOT\\CLSID\\{M}", true, true},
        {Row(kUser + "_Classes\\.abc", "", K::DeleteKey), "HKEY_CLASSES_ROOT\\.abc", true, true},
        {Row("HKEY_USERS\\S-1-5-18\\Software\\KsIgn\\v", "C:\\x", K::DeleteValueInPath), "HKEY_CURRENT_USER\\Software\\KsIgn\\v", false, false},
        {Row(hive + "\\w", "C:\\x", K::DeleteValueInPath), "HKEY_CURRENT_USER\\Software\\KsIgn\\v", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.KeyPath + " | " + c.entry);
        KeyAliases aliases(registry);
        const std::vector<std::string> entries{c.entry};
        const std::vector<std::string> none;
        EXPECT_EQ(MatchesIgnoreLists(c.row, c.keyList ? none : entries, c.keyList ? entries : none, &aliases), c.removed);
    }
}

// Every removal kind in every root, and right in the root: what "Add to
// Ignore Lists" stores keeps the row out of the next scan, and so does the
// same entry typed by hand in another case (for a ROT13 name: the readable
// name the list shows).
TEST(TwinTest, WhatIsAddedFromTheListStaysOutOfTheNextScan) {
    const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                 "HKEY_CURRENT_CONFIG"};
    for (const char* root : roots) {
        const std::string r = root;
        const Finding rows[] = {
            Row(r + "\\Name", "C:\\gone.exe", K::DeleteValueInPath),
            Row(r + "\\Key\\Name", "C:\\gone.exe", K::DeleteValueInPath),
            Row(r, "C:\\gone\\lib.dll", K::DeleteNamedValue),
            Row(r + "\\Key", "C:\\gone\\lib.dll", K::DeleteNamedValue),
            Row(r, "Sub", K::DeleteSubkey),
            Row(r + "\\Key", "Sub", K::DeleteSubkey),
            Row(r + "\\Key", "", K::DeleteKey),
            Row(r, "C:\\gone.exe", K::DeleteDefaultValue),
            Row(r + "\\Key", "C:\\gone.exe", K::DeleteDefaultValue),
            Row(r, "C:\\gone.exe", K::DeleteEncodedValue),
            Row(r + "\\Key", "C:\\gone.exe", K::DeleteEncodedValue),
        };
        for (const Finding& row : rows) {
            SCOPED_TRACE(row.KeyPath + " | " + row.Value + " | " + std::to_string(ToInt(row.RemovalKind)));
            ProblemListModel list;
            const UnrepairedFindings none;
            SettingsRecord settings;
            list.Append(row);
            RemoveFilteredFindings(list, FilterInputs{settings.IgnoreValues, settings.IgnoreKeys, none, 12});
            ASSERT_EQ(list.Count(), 1u) << "nothing built in hides it";
            list.SetSelected(0, true);
            list.SetFocused(0);
            ASSERT_EQ(AddSelectedToIgnoreLists(list, settings).Added, 1u);
            ASSERT_EQ(list.Count(), 0u);
            for (int typed = 0; typed < 2; ++typed) {
                if (typed) {
                    std::string entry = !settings.IgnoreKeys.empty() ? settings.IgnoreKeys[0] : settings.IgnoreValues[0];
                    if (row.RemovalKind == K::DeleteEncodedValue) entry = row.KeyPath + "\\" + row.Value;
                    for (char& c : entry) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
                    (settings.IgnoreKeys.empty() ? settings.IgnoreValues : settings.IgnoreKeys) = {entry};
                }
                list.Append(row);
                RemoveFilteredFindings(list, FilterInputs{settings.IgnoreValues, settings.IgnoreKeys, none, 12});
                EXPECT_EQ(list.Count(), 0u) << (typed ? "typed " : "added ")
                                            << (settings.IgnoreKeys.empty() ? settings.IgnoreValues[0] : settings.IgnoreKeys[0]);
            }
        }
    }
}

TEST(TwinTest, AFilterThatFailsLeavesNothingTicked) {
    const std::vector<std::string> none;
    const UnrepairedFindings unrepaired;
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails);
        ProblemListModel list;
        list.Append(Row("HKEY_CURRENT_USER\\Software\\Kept", "C:\\gone.exe", K::DeleteKey));
        list.Append(Row("HKEY_CURRENT_USER\\Software\\JavaSoft\\x", "C:\\gone.exe", K::DeleteKey));  // built in
        list.SetChecked(1, true);  // ticked before, as a scan's rows once were
        const bool filtered = FilterThenTick(list, [&] {
            if (fails) throw std::runtime_error("the registry cannot be read");
            RemoveFilteredFindings(list, FilterInputs{none, none, unrepaired, 12});
        });
        EXPECT_EQ(filtered, !fails);
        EXPECT_EQ(list.CheckedRows(), fails ? 0u : 1u);
        EXPECT_EQ(list.Count(), fails ? 2u : 1u);
    }
}

}  // namespace
}  // namespace ks
