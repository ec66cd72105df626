// The post-scan filter: fixed rules, unrepaired findings, ignore lists, and the
// way rows leave the problem list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repair/filter.h"
#include "repair/problem_list.h"

namespace ks {
namespace {

using K = RemovalKind;

Finding Row(const char* keyPath, const char* value, K kind, const char* problem = "Invalid file or directory reference") {
    return Finding{problem, keyPath, value, kind};
}

TEST(FilterTest, BuiltInListsAreKeptAsShipped) {
    ASSERT_EQ(ListBox1.size(), 42u);
    EXPECT_STREQ(ListBox1.front(), "HKEY_CLASSES_ROOT\\.DAT");
    EXPECT_STREQ(ListBox1[24], "HKEY_CURRENT_USER\\Software\\Funk Software, Inc.");
    EXPECT_STREQ(ListBox1.back(), "HKEY_CLASSES_ROOT\\CLSID\\{F01F76EC-3376-4E62-B201-8074C8239376}");
    ASSERT_EQ(ListBox2.size(), 10u);
    EXPECT_STREQ(ListBox2[8], "HKEY_LOCAL_MASCHINE\\Software\\ARM Software\\MacroMaker");
    EXPECT_STREQ(ListBox2.back(), "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wdseml");
}

TEST(FilterTest, FixedRules) {
    struct Case {
        const char* keyPath;
        const char* value;
        bool removed;
    } const cases[] = {
        {"HKEY_CLASSES_ROOT\\CLSID\\{dfeaf541-f3e1-4C24-acac-99c30715084a}\\InprocServer32", "", true},
        {"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{DC6EFB56-9CFA-464D-8880-44885D7DC193}", "x", true},
        {"HKEY_CLASSES_ROOT\\CLSID\\{DC6EFB56-9CFA-464D-8880-44885D7DC194}", "x", false},
        {"HKEY_CURRENT_USER\\Software\\%username%_cache", "C:\\x", true},
        {"HKEY_CURRENT_USER\\Software\\A", "C:\\Users\\%USERNAME%_old", true},
        {"HKEY_CURRENT_USER\\Software\\A", "C:\\Users\\%USERNAME%\\old", false},
        // "?" in the key path with a drive path, or with "%...%\".
        {"HKEY_CURRENT_USER\\Software\\A?b\\c:\\x", "", true},
        {"HKEY_CURRENT_USER\\Software\\A?b\\%TEMP%\\x", "", true},
        {"HKEY_CURRENT_USER\\Software\\A?b\\%TEMP%x", "", false},
        {"HKEY_CURRENT_USER\\Software\\A%?b\\x", "", false},
        {"HKEY_CURRENT_USER\\Software\\A?b\\c", "", false},
        // "?" in the value with a drive path, or with a second "%".
        {"HKEY_CURRENT_USER\\Software\\A", "D:\\??\\file.dll", true},
        {"HKEY_CURRENT_USER\\Software\\A", "%APPDATA%?", true},
        {"HKEY_CURRENT_USER\\Software\\A", "%APPDATA?", false},
        {"HKEY_CURRENT_USER\\Software\\A", "file?.dll", false},
        // The key path's "%\" rule does not apply to the value, nor the other way round.
        {"HKEY_CURRENT_USER\\Software\\A", "?%x%\\", true},
        {"HKEY_CURRENT_USER\\Software\\A?%B%", "", false},
        {"HKEY_CURRENT_USER\\Software\\Plain", "C:\\Program Files\\gone.exe", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " | " + c.value);
        EXPECT_EQ(FailsFixedRules(Row(c.keyPath, c.value, K::DeleteKey)), c.removed);
    }
}

TEST(FilterTest, TargetAndNameFollowTheRemovalKind) {
    struct Case {
        const char* keyPath;
        const char* value;
        K kind;
        const char* target;
        const char* name;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\A", "data", K::DeleteKey, "HKEY_CURRENT_USER\\Software\\A", ""},
        {"HKEY_CURRENT_USER\\Software\\A\\B\\Name", "data", K::DeleteValueInPath, "HKEY_CURRENT_USER\\Software\\A\\B", "Name"},
        // Joined again, target and name give the key path back, in a root too.
        {"HKEY_CURRENT_USER\\Name", "data", K::DeleteValueInPath, "HKEY_CURRENT_USER", "Name"},
        {"HKEY_USERS", "C:\\x\\y.dll", K::DeleteNamedValue, "HKEY_USERS", "C:\\x\\y.dll"},
        // A two-byte character whose second byte is a backslash splits nothing
        // (Shift-JIS; the code page below has its lead bytes).
        {"HKEY_CURRENT_USER\\\x95\\\\n", "d", K::DeleteValueInPath, "HKEY_CURRENT_USER\\\x95\\", "n"},
        {"HKEY_CURRENT_USER\\Software\\A", "Val", K::DeleteNamedValue, "HKEY_CURRENT_USER\\Software\\A", "Val"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{X}", "InprocServer32", K::DeleteSubkey, "HKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32", ""},
        {"C:\\Users\\me\\Desktop\\gone.lnk", "C:\\gone.exe", K::DeleteFile, "", ""},
        {"HKEY_CURRENT_USER\\Software\\A", "C:\\x", K::DeleteDefaultValue, "HKEY_CURRENT_USER\\Software\\A", "@"},
        {"HKEY_CURRENT_USER\\Software\\UA", "C:\\Tools\\run.exe", K::DeleteEncodedValue, "HKEY_CURRENT_USER\\Software\\UA", "P:\\Gbbyf\\eha.rkr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyPath);
        IgnoreTarget target{"sentinel", "sentinel"};
        ASSERT_TRUE(DeriveIgnoreTarget(Row(c.keyPath, c.value, c.kind), target));
        EXPECT_EQ(target.Target, c.target);
        EXPECT_EQ(target.Name, c.name);
    }
    IgnoreTarget untouched{"sentinel", "kept"};
    EXPECT_FALSE(DeriveIgnoreTarget(Row("NO_ROOT", "x", K::DeleteNamedValue), untouched));
    EXPECT_EQ(untouched.Target, "sentinel");
    EXPECT_EQ(untouched.Name, "kept");
}

TEST(FilterTest, KeyIgnoreEntryMatchesKeyItsSubtreeAndItsAncestorsButNotSiblingsByPrefix) {
    const std::vector<std::string> values;
    const std::vector<std::string> keys = {"HKEY_CURRENT_USER\\Software\\Foo"};
    struct Case {
        const char* keyPath;
        const char* value;
        K kind;
        bool removed;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Foo", "", K::DeleteKey, true},
        {"hkey_current_user\\software\\foo\\Deeper\\Still", "", K::DeleteKey, true},
        {"HKEY_CURRENT_USER\\Software", "", K::DeleteKey, true},
        {"HKEY_CURRENT_USER\\Software\\Foobar", "", K::DeleteKey, false},
        {"HKEY_CURRENT_USER\\Software\\Fo", "", K::DeleteKey, false},
        {"HKEY_CURRENT_USER\\Software", "Foo", K::DeleteSubkey, true},
        {"HKEY_CURRENT_USER\\Software", "Foobar", K::DeleteSubkey, false},
        // With a value name: the value's key must lie in or below the entry.
        {"HKEY_CURRENT_USER\\Software\\Foo", "Bar", K::DeleteNamedValue, true},
        {"HKEY_CURRENT_USER\\Software\\Foo\\Sub\\Val", "x", K::DeleteValueInPath, true},
        {"HKEY_CURRENT_USER\\Software", "Foo", K::DeleteNamedValue, false},
        // ...or the whole key path equals it: the value named Foo in Software.
        {"HKEY_CURRENT_USER\\Software\\Foo", "x", K::DeleteValueInPath, true},
        {"HKEY_CURRENT_USER\\Software\\Foobar", "Bar", K::DeleteNamedValue, false},
        {"C:\\Software\\Foo\\x.lnk", "", K::DeleteFile, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " | " + c.value);
        EXPECT_EQ(MatchesIgnoreLists(Row(c.keyPath, c.value, c.kind), values, keys), c.removed);
    }
}

TEST(FilterTest, ValueIgnoreEntryMatchesTheValueAndKeysItContains) {
    const std::vector<std::string> values = {"HKEY_CURRENT_USER\\Software\\Foo\\Bar", "HKEY_CURRENT_USER\\Software\\Def\\@"};
    const std::vector<std::string> keys;
    struct Case {
        const char* keyPath;
        const char* value;
        K kind;
        bool removed;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Foo", "bar", K::DeleteNamedValue, true},
        {"HKEY_CURRENT_USER\\Software\\Foo\\Bar", "data", K::DeleteValueInPath, true},
        {"HKEY_CURRENT_USER\\Software\\Foo", "Bar2", K::DeleteNamedValue, false},
        {"HKEY_CURRENT_USER\\Software\\Foo", "", K::DeleteKey, true},
        {"HKEY_CURRENT_USER\\Software", "", K::DeleteKey, true},
        {"HKEY_CURRENT_USER\\Software\\Foo\\Bar\\Sub", "", K::DeleteKey, false},
        {"HKEY_CURRENT_USER\\Software\\Def", "C:\\gone.exe", K::DeleteDefaultValue, true},
        {"HKEY_CURRENT_USER\\Software\\Foo", "C:\\gone.exe", K::DeleteDefaultValue, false},
        {"HKEY_CURRENT_USER\\Software\\Foo", "One", K::DeleteEncodedValue, true},  // stored name "Bar" reads "One"
        // ...and by its readable name, the form the list shows.
        {"HKEY_CURRENT_USER\\Software\\Foo", "Bar", K::DeleteEncodedValue, true},
        {"HKEY_CURRENT_USER\\Software\\Foo", "Baz", K::DeleteEncodedValue, false},
        {"HKEY_CURRENT_USER\\Software\\Foo\\Bar", "", K::DeleteFile, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " | " + c.value);
        EXPECT_EQ(MatchesIgnoreLists(Row(c.keyPath, c.value, c.kind), values, keys), c.removed);
    }
}

TEST(FilterTest, EntriesNamingNoKeyNeitherMatchNorStopTheFilter) {
    // A Count above the entries present leaves empty entries in the lists.
    const std::vector<std::string> values = {"", "  "};
    const std::vector<std::string> keys = {"", "\\", " \\ ", "HKEY_CURRENT_USER\\Software\\Later"};
    for (K kind : {K::DeleteKey, K::DeleteNamedValue, K::DeleteValueInPath, K::DeleteSubkey, K::DeleteDefaultValue}) {
        SCOPED_TRACE(static_cast<int>(kind));
        EXPECT_FALSE(MatchesIgnoreLists(Row("HKEY_LOCAL_MACHINE\\Software\\Kept", "v", kind), values, keys));
    }
    EXPECT_TRUE(MatchesIgnoreLists(Row("HKEY_CURRENT_USER\\Software\\Later\\x", "", K::DeleteKey), values, keys));
}

TEST(FilterTest, WindowsSixListAppliesOnlyToVersionCodesElevenAndTwelve) {
    const Finding powerShell = Row("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\PowerShell\\1\\PowerShellEngine", "", K::DeleteKey);
    const std::vector<std::string> none;
    for (int code : {1, 3, 5, 7, 9, 10, 11, 12}) {
        SCOPED_TRACE(code);
        const auto keys = CombinedKeyList(none, static_cast<std::uint8_t>(code));
        const bool expected = code == 11 || code == 12;
        EXPECT_EQ(keys.size(), expected ? 52u : 42u);
        EXPECT_EQ(MatchesIgnoreLists(powerShell, none, keys), expected);
    }
    // Order: built-in, then the user's keys, then the Windows 6 entries.
    const auto keys = CombinedKeyList({"HKEY_CURRENT_USER\\Mine"}, 12);
    ASSERT_EQ(keys.size(), 53u);
    EXPECT_EQ(keys[41], ListBox1.back());
    EXPECT_EQ(keys[42], "HKEY_CURRENT_USER\\Mine");
    EXPECT_EQ(keys[43], ListBox2.front());
}

TEST(FilterTest, BuiltInEntriesKeepTheirBoundary) {
    const std::vector<std::string> none;
    const auto keys = CombinedKeyList(none, 10);
    EXPECT_TRUE(MatchesIgnoreLists(Row("HKEY_CLASSES_ROOT\\.dat", "", K::DeleteKey), none, keys));
    EXPECT_TRUE(MatchesIgnoreLists(Row("HKEY_CLASSES_ROOT\\.DAT\\ShellNew", "", K::DeleteKey), none, keys));
    EXPECT_FALSE(MatchesIgnoreLists(Row("HKEY_CLASSES_ROOT\\.data", "", K::DeleteKey), none, keys));
    EXPECT_TRUE(MatchesIgnoreLists(Row("HKEY_CURRENT_USER\\Software\\JavaSoft\\Prefs", "x", K::DeleteNamedValue), none, keys));
    EXPECT_FALSE(MatchesIgnoreLists(Row("HKEY_CURRENT_USER\\Software\\JavaSoftware", "x", K::DeleteNamedValue), none, keys));
}

TEST(FilterTest, RemovesRejectedRowsAndKeepsTheOrderAndChecksOfTheRest) {
    ProblemListModel list;
    list.Append(Row("HKEY_CURRENT_USER\\Software\\Keep1", "C:\\gone1.exe", K::DeleteNamedValue));       // 0 kept
    list.Append(Row("HKEY_CURRENT_USER\\Software\\A?b\\c:\\x", "", K::DeleteKey));                       // 1 pass A
    list.Append(Row("HKEY_CURRENT_USER\\Software\\Unrep", "Val", K::DeleteNamedValue));                 // 2 pass B
    list.Append(Row("HKEY_CURRENT_USER\\Software\\Keep2", "C:\\gone2.exe", K::DeleteKey));              // 3 kept
    list.Append(Row("HKEY_CURRENT_USER\\Software\\Ignored\\Sub", "", K::DeleteKey));                    // 4 pass C key
    list.Append(Row("HKEY_CURRENT_USER\\Software\\V", "Name", K::DeleteNamedValue));                    // 5 pass C value
    list.Append(Row("C:\\Users\\x\\Desktop\\gone.lnk", "C:\\gone.exe", K::DeleteFile));                 // 6 kept
    list.Append(Row("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\PowerShell\\1\\PowerShellEngine", "", K::DeleteKey));  // 7 pass C, list 2
    for (std::size_t i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
    list.SetChecked(3, false);

    UnrepairedFindings unrepaired;
    unrepaired.Add("hkey_current_user\\software\\UNREP", "val");
    unrepaired.Add("HKEY_CURRENT_USER\\Software\\Keep1", "other value");  // pairs count, not keys alone
    const std::vector<std::string> ignoreValues = {"HKEY_CURRENT_USER\\Software\\V\\Name"};
    const std::vector<std::string> ignoreKeys = {"HKEY_CURRENT_USER\\Software\\Ignored"};

    EXPECT_EQ(RemoveFilteredFindings(list, FilterInputs{ignoreValues, ignoreKeys, unrepaired, 12}), 5u);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Row(0).KeyPath, "HKEY_CURRENT_USER\\Software\\Keep1");
    EXPECT_EQ(list.Row(1).KeyPath, "HKEY_CURRENT_USER\\Software\\Keep2");
    EXPECT_EQ(list.Row(2).RemovalKind, K::DeleteFile);
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_FALSE(list.IsChecked(1));
    EXPECT_TRUE(list.IsChecked(2));
}

TEST(FilterTest, OlderWindowsKeepsWhatOnlyTheWindowsSixListRemoves) {
    ProblemListModel list;
    list.Append(Row("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\PowerShell\\1\\PowerShellEngine", "", K::DeleteKey));
    const std::vector<std::string> none;
    const UnrepairedFindings unrepaired;
    EXPECT_EQ(RemoveFilteredFindings(list, FilterInputs{none, none, unrepaired, 9}), 0u);
    EXPECT_EQ(list.Count(), 1u);
}

TEST(FilterTest, EmptyListStaysEmpty) {
    ProblemListModel list;
    const std::vector<std::string> keys = {""};
    const UnrepairedFindings unrepaired;
    EXPECT_EQ(RemoveFilteredFindings(list, FilterInputs{keys, keys, unrepaired, 12}), 0u);
    EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace ks
