// The problem list's edit commands as plain logic: ignore-list entries and the
// add visit, the text report and its file name, and the paths the registry
// editor is taken to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/memory_registry.h"
#include "repair/ignore_list_add.h"
#include "repair/registry_jump.h"
#include "repair/text_report.h"
#include "settings/settings.h"

namespace ks {
namespace {

using K = RemovalKind;
using L = IgnoreListKind;

TEST(IgnoreListAddTest, EntryAndListByRemovalKind) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Demo";
    struct Case {
        Finding row;
        std::optional<IgnoreEntry> entry;
    } const cases[] = {
        {{"p", key, "ignored", K::DeleteKey}, IgnoreEntry{key, L::Key}},
        {{"p", key, "ignored", K::DeleteDefaultValue}, IgnoreEntry{key, L::Key}},
        {{"p", key + "\\Title", "C:\\gone.exe", K::DeleteValueInPath}, IgnoreEntry{key + "\\Title", L::Value}},
        {{"p", key, "Run\\Me", K::DeleteNamedValue}, IgnoreEntry{key + "\\Run\\Me", L::Value}},
        {{"p", key, "Child", K::DeleteSubkey}, IgnoreEntry{key + "\\Child", L::Key}},
        {{"p", key, "Abc-Xyz.exe", K::DeleteEncodedValue}, IgnoreEntry{key + "\\Nop-Klm.rkr", L::Value}},
        {{"p", "C:\\Docs\\gone.txt", "", K::DeleteFile}, IgnoreEntry{"", L::None}},
        // Items right in a root: the entry names the item, never the root.
        {{"p", "HKEY_CLASSES_ROOT", ".xyz", K::DeleteSubkey}, IgnoreEntry{"HKEY_CLASSES_ROOT\\.xyz", L::Key}},
        {{"p", "HKEY_CURRENT_USER", "C:\\x\\y.dll", K::DeleteNamedValue},
         IgnoreEntry{"HKEY_CURRENT_USER\\C:\\x\\y.dll", L::Value}},
        {{"p", "HKEY_USERS", "C:\\gone.exe", K::DeleteDefaultValue}, IgnoreEntry{"HKEY_USERS\\@", L::Value}},
        {{"p", "HKEY_USERS", "", K::DeleteKey}, std::nullopt},
        {{"p", "NOT_A_ROOT", "v", K::DeleteNamedValue}, std::nullopt},
        {{"p", "gone.txt", "", K::DeleteFile}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(IgnoreEntryFor(c.row), c.entry) << ToInt(c.row.RemovalKind);
    const std::vector<std::string> list = {"HKEY_CURRENT_USER\\Software\\A", "hkey_local_machine\\software\\\xE9t\xE9"};
    EXPECT_TRUE(IsInIgnoreList("HKEY_LOCAL_MACHINE\\Software\\\xC9T\xC9", list));
    EXPECT_FALSE(IsInIgnoreList("HKEY_CURRENT_USER\\Software\\A\\", list)) << "equal, not contained";
}

// Rows: name, whether selected. The visit runs from the last row to the
// first, so of two rows with one entry the lower one is added.
TEST(IgnoreListAddTest, VisitAddsSelectedRowsFromTheLastRemovesThemAndCounts) {
    ProblemListModel list;
    const auto add = [&](Finding row, bool selected, bool checked) {
        list.Append(std::move(row));
        list.SetSelected(list.Count() - 1, selected);
        list.SetChecked(list.Count() - 1, checked);
    };
    add({"a", "HKEY_CURRENT_USER\\Software\\A", "", K::DeleteKey}, true, true);                  // 0 added last
    add({"b", "HKEY_CURRENT_USER\\Software\\B\\V", "x", K::DeleteValueInPath}, false, true);      // 1 not selected
    add({"c", "HKEY_CURRENT_USER\\software\\a", "", K::DeleteDefaultValue}, true, false);         // 2 same key as 0
    add({"d", "C:\\gone.exe", "", K::DeleteFile}, true, true);                                    // 3 file
    add({"e", "HKEY_LOCAL_MACHINE\\Software\\Old", "Name", K::DeleteNamedValue}, true, true);     // 4 already there
    add({"f", "NoBackslash", "x", K::DeleteKey}, true, true);                                     // 5 stays
    add({"g", "HKEY_USERS\\S-1\\Software\\C", "Sub", K::DeleteSubkey}, true, false);              // 6 added first

    SettingsRecord settings;
    settings.IgnoreValues = {"hkey_local_machine\\software\\old\\name"};
    settings.IgnoreValueCount = 1;

    IgnoreAddOutcome outcome = AddSelectedToIgnoreLists(list, settings);
    EXPECT_EQ(outcome.Added, 0u) << "without a focused row nothing happens";
    EXPECT_EQ(list.Count(), 7u);

    list.SetFocused(1);
    outcome = AddSelectedToIgnoreLists(list, settings);
    EXPECT_EQ(outcome.Added, 2u);
    EXPECT_EQ(outcome.FilesRemoved, 1u);
    EXPECT_EQ(outcome.Kept, 3u);
    EXPECT_EQ(settings.IgnoreKeys,
              (std::vector<std::string>{"HKEY_USERS\\S-1\\Software\\C\\Sub", "HKEY_CURRENT_USER\\software\\a"}));
    EXPECT_EQ(settings.IgnoreKeyCount, 2);
    EXPECT_EQ(settings.IgnoreValues.size(), 1u);
    EXPECT_EQ(settings.IgnoreValueCount, 1);
    std::vector<std::string> left;
    for (std::size_t i = 0; i < list.Count(); ++i) left.push_back(list.Row(i).Problem + (list.IsChecked(i) ? "+" : "-"));
    EXPECT_EQ(left, (std::vector<std::string>{"a+", "b+", "e+", "f+"}));
}

TEST(TextReportTest, FileNameGetsTxtUnlessItEndsInExactlyThat) {
    struct Case {
        const char* chosen;
        const char* saved;
    } const cases[] = {
        {"C:\\out\\r.txt", "C:\\out\\r.txt"},         {"C:\\out\\r", "C:\\out\\r.txt"},
        {"C:\\out\\r.TXT", "C:\\out\\r.TXT.txt"},     {"C:\\out\\r.log", "C:\\out\\r.log.txt"},
        {"C:\\my.txt\\r", "C:\\my.txt\\r.txt"},       {"C:\\out\\r.txt.", "C:\\out\\r.txt..txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextReportFileName(c.chosen), c.saved) << c.chosen;
}

TEST(TextReportTest, HeaderEmptyLineAndOneLinePerRowWithCrLf) {
    ProblemListModel list;
    const std::string header =
        "This file was generated by Quarlo Keyscrub\r\nVisit https://x.example/ for the latest version\r\n\r\n";
    EXPECT_EQ(TextReport(list, "https://x.example/"), header);
    list.Append({"Invalid File", "HKEY_CURRENT_USER\\A\\Path", "C:\\\xE9.exe", K::DeleteValueInPath});
    list.Append({"Empty Key", "HKEY_USERS\\B", "", K::DeleteKey});
    list.SetChecked(0, true);
    EXPECT_EQ(TextReport(list, "https://x.example/"), header +
                                                          "Invalid File  #####  HKEY_CURRENT_USER\\A\\Path  #####  C:\\\xE9.exe\r\n"
                                                          "Empty Key  #####  HKEY_USERS\\B  #####  \r\n");
    EXPECT_EQ(ReportOverwriteQuestion("C:\\r.txt"), "C:\\r.txthas existed,overite it?");
    EXPECT_EQ(ReportNotWrittenMessage("Not written:", "C:\\r.txt"), "Not written:\r\nC:\\r.txt");
}

TEST(RegistryJumpTest, PathByRemovalKindAndRootAbbreviations) {
    struct Case {
        Finding row;
        const char* path;
    } const cases[] = {
        {{"p", "HKEY_CURRENT_USER\\Software\\A", "v", K::DeleteKey}, "HKEY_CURRENT_USER\\Software\\A"},
        {{"p", "HKEY_CURRENT_USER\\Software\\A\\Title", "C:\\x", K::DeleteValueInPath}, "HKEY_CURRENT_USER\\Software\\A"},
        {{"p", "HKEY_CLASSES_ROOT\\.xyz", "C:\\x", K::DeleteValueInPath}, "HKEY_CLASSES_ROOT"},
        {{"p", "HKEY_CURRENT_USER\\Software\\A", "Title", K::DeleteNamedValue}, "HKEY_CURRENT_USER\\Software\\A"},
        {{"p", "HKEY_CURRENT_USER\\Software", "A", K::DeleteSubkey}, "HKEY_CURRENT_USER\\Software\\A"},
        {{"p", "C:\\gone.exe", "", K::DeleteFile}, ""},
        {{"p", "HKEY_CURRENT_USER\\Software\\A", "", K::DeleteDefaultValue}, "HKEY_CURRENT_USER\\Software\\A"},
        {{"p", "HKEY_CURRENT_USER\\Software\\A", "Gvgyr", K::DeleteEncodedValue}, "HKEY_CURRENT_USER\\Software\\A"},
    };
    for (const Case& c : cases) EXPECT_EQ(RegistryJumpPath(c.row), c.path) << ToInt(c.row.RemovalKind);

    struct Root {
        const char* given;
        const char* full;
    } const roots[] = {
        {"HKLM", "HKEY_LOCAL_MACHINE"}, {"hkcu", "HKEY_CURRENT_USER"}, {"Hku", "HKEY_USERS"},
        {"HKCR", "HKEY_CLASSES_ROOT"},  {"hkCC", "HKEY_CURRENT_CONFIG"}, {"hkey_users", "hkey_users"},
    };
    for (const Root& r : roots) EXPECT_EQ(ExpandRootAbbreviation(r.given), r.full) << r.given;
    EXPECT_EQ(RegistryEditorTreePath("HKEY_CLASSES_ROOT", ".xyz"), "HKEY_CLASSES_ROOT\\.xyz");
    EXPECT_EQ(RegistryEditorTreePath("HKEY_CURRENT_USER", "\\Software"), "HKEY_CURRENT_USER\\Software");

    struct Kernel {
        const char* name;
        std::optional<std::string> path;
    } const kernel[] = {
        {"\\REGISTRY\\MACHINE\\SOFTWARE\\Wow6432Node\\X", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\X"},
        {"\\Registry\\Machine\\Software\\Classes\\Wow6432Node\\CLSID",
         "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID"},
        {"\\REGISTRY\\USER\\S-1-5-21-1\\Software", "HKEY_USERS\\S-1-5-21-1\\Software"},
        {"\\REGISTRY\\MACHINERY\\X", std::nullopt},
        {"\\REGISTRY\\A\\B", std::nullopt},
    };
    for (const Kernel& k : kernel) EXPECT_EQ(KeyPathFromKernelName(k.name), k.path) << k.name;
}

TEST(RegistryJumpTest, KeyOrValueSplitAgainstTheRegistry) {
    test::MemoryRegistry registry;
    auto demo = registry.CreateKey(RootKey::CurrentUser, "Software\\Demo");
    ASSERT_TRUE(demo);
    ASSERT_EQ(demo->SetValue({"Title", RegType::String, std::string("x\0", 2)}), Status::Ok);
    ASSERT_TRUE(registry.CreateKey(RootKey::ClassesRoot, ".xyz"));
    ASSERT_TRUE(registry.CreateKey(RootKey::LocalMachine, "Software\\Locked"));
    registry.DenyFullAccess(RootKey::LocalMachine, "Software\\Locked");

    using A = RegistryJump::Action;
    struct Case {
        const char* path;
        RegistryJump jump;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Demo", {A::Drive, "HKEY_CURRENT_USER", "Software\\Demo", ""}},
        {"HKCU\\Software", {A::Drive, "HKEY_CURRENT_USER", "Software", ""}},
        {"hkcu\\software\\demo\\title", {A::Drive, "HKEY_CURRENT_USER", "software\\demo", "title"}},
        {"HKEY_CURRENT_USER\\Software\\Demo\\Missing", {A::Message}},
        {"HKEY_CURRENT_USER\\Software\\Nowhere\\Title", {A::Message}},
        {"HKEY_CLASSES_ROOT\\.xyz", {A::Drive, "HKEY_CLASSES_ROOT", ".xyz", ""}},
        {"hkey_current_user\\Software\\Demo", {A::Message}},  // the root must be spelled exactly
        {"HKEY_CURRENT_USER\\", {A::Drive, "HKEY_CURRENT_USER", "", ""}},
        {"HKEY_CURRENT_USER", {A::None}},
        // A key that refuses full access may hold the value: the editor is sent.
        {"HKLM\\Software\\Locked\\Anything", {A::Drive, "HKEY_LOCAL_MACHINE", "Software\\Locked", "Anything"}},
        {"Software\\Demo", {A::Message}},
        {"", {A::Message}},
    };
    for (const Case& c : cases) EXPECT_EQ(OpenInRegistryEditor(c.path, registry), c.jump) << c.path;
}

}  // namespace
}  // namespace ks
