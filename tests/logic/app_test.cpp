// The main window's plain decisions: the command line, where the window
// reopens, the layout, the simple commands, the Language menu and the
// problem list's selection commands and counts.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_commands.h"
#include "app/main_layout.h"
#include "app/product.h"
#include "app/window_position.h"
#include "repair/problem_list.h"
#include "settings/language_menu.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

TEST(AppCommandLineTest, CleanOnceIsTheFirstArgumentInAnyCase) {
    struct Case {
        const char* line;
        const char* first;
        bool cleanOnce;
    } const cases[] = {
        {"keyscrub.exe -cleanonce", "-cleanonce", true},
        {"\"C:\\Program Files\\Quarlo\\keyscrub.exe\" -CleanOnce", "-CleanOnce", true},
        {"keyscrub.exe   \t-CLEANONCE  extra", "-CLEANONCE", true},
        {"keyscrub.exe \"-cleanonce\"", "-cleanonce", true},
        {"keyscrub.exe other -cleanonce", "other", false},
        {"keyscrub.exe -cleanonce2", "-cleanonce2", false},
        {"keyscrub.exe /cleanonce", "/cleanonce", false},
        {"\"C:\\a b\\keyscrub.exe\"", "", false},
        {"keyscrub.exe", "", false},
        {"", "", false},
        {"keyscrub.exe \"two words\" -cleanonce", "two words", false},
        {"C:\\a\\keyscrub.exe\t-cleanonce", "-cleanonce", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(FirstArgument(c.line), c.first);
        EXPECT_EQ(IsCleanOnceCommandLine(c.line), c.cleanOnce);
    }
}

TEST(AppWindowOriginTest, OffScreenPositionsAreCentred) {
    const std::vector<ScreenRect> one = {{0, 0, 1280, 1024}};
    const std::vector<ScreenRect> two = {{0, 0, 1280, 1024}, {-1920, -200, 0, 880}};
    const WindowOrigin centred{(1280 - 684) / 2, (1024 - 520) / 2};
    struct Case {
        const char* what;
        WindowOrigin saved;
        const std::vector<ScreenRect>* monitors;
        WindowOrigin expected;
    } const cases[] = {
        {"closed while minimized", {-32000, -32000}, &one, centred},
        {"on the screen", {100, 80}, &one, {100, 80}},
        {"hanging off the left edge", {-600, 10}, &one, {-600, 10}},
        {"only 30 pixels of title left", {1250, 10}, &one, centred},
        {"title above the top", {100, -15}, &one, centred},
        {"title just at the top", {100, -12}, &one, {100, -12}},
        {"below the bottom", {100, 1020}, &one, centred},
        {"on a second monitor left of the first", {-1500, 100}, &two, {-1500, 100}},
        {"where a second monitor used to be", {-1500, 100}, &one, centred},
        {"far out", {2147483000, 2147483000}, &one, centred},
        {"no monitor known", {100, 80}, nullptr, centred},
    };
    const std::vector<ScreenRect> none;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MendedPosition(c.saved, 684, 520, c.monitors ? *c.monitors : none, 1280, 1024), c.expected);
    }
    // A window narrower than the visible minimum needs to be fully across.
    EXPECT_TRUE(IsReachable({1250, 10}, 30, 20, one));
    EXPECT_FALSE(IsReachable({1251, 10}, 30, 20, one));
    EXPECT_FALSE(IsReachable({10, 10}, 0, 20, one));
}

TEST(AppWindowOriginTest, CentringTruncatesTowardZero) {
    EXPECT_EQ(CentredOrigin(1281, 1025, 684, 520), (WindowOrigin{298, 252}));
    EXPECT_EQ(CentredOrigin(640, 480, 684, 520), (WindowOrigin{-22, -20}));
    EXPECT_EQ(CentredOrigin(683, 519, 684, 520), (WindowOrigin{0, 0}));
}

TEST(AppLayoutTest, ControlsFollowTheClientArea) {
    MainLayoutInput in;
    in.ClientWidth = 676;
    in.ClientHeight = 473;
    in.UpdateLinkWidth = 120;
    in.TreeTop = 160;
    in.ListLeft = 194;
    in.ListTop = 48;
    in.StatusBarHeight = 19;
    MainLayout expected;
    expected.TitleWidth = 676;
    expected.TitleHeight = 50;
    expected.UpdateLinkLeft = 676 - 120 - 20;
    expected.UpdateIconLeft = 676 - 120 - 20 - 25;
    expected.TreeHeight = 473 - 160 - 19;
    expected.ListWidth = 676 - 194;
    expected.ListHeight = 473 - 48 - 19;
    expected.StatusBarTop = 473 - 19;
    expected.StatusBarWidth = 676;
    EXPECT_EQ(ComputeMainLayout(in), expected);

    in.ClientWidth = 0;
    in.ClientHeight = 0;
    const MainLayout empty = ComputeMainLayout(in);
    EXPECT_EQ(empty.TreeHeight, 0);
    EXPECT_EQ(empty.ListHeight, 0);
    EXPECT_EQ(empty.ListWidth, 0);
    EXPECT_EQ(empty.StatusBarTop, -19);
}

TEST(AppCommandsTest, WindowsBackupIsHiddenOnTheNinetyFiveFamily) {
    for (int code = 0; code <= 12; ++code) {
        SCOPED_TRACE(code);
        const bool hidden = code == 1 || code == 2 || code == 3 || code == 4 || code == 8;
        EXPECT_EQ(ShowsWindowsBackup(static_cast<std::uint8_t>(code)), !hidden);
    }
}

TEST(AppCommandsTest, WindowsBackupProgramFallsBackToTheUnexpandedRoot) {
    test::MemoryFileSystem files;
    files.SetVariable("SystemRoot", "C:\\windows");
    files.AddFolder("C:\\windows");
    EXPECT_EQ(WindowsBackupProgram(files), "C:\\windows\\system32\\ntbackup.exe");

    test::MemoryFileSystem noFolder;
    noFolder.SetVariable("SystemRoot", "C:\\gone");
    EXPECT_EQ(WindowsBackupProgram(noFolder), "%SystemRoot%\\system32\\ntbackup.exe");

    test::MemoryFileSystem noVariable;
    EXPECT_EQ(WindowsBackupProgram(noVariable), "%SystemRoot%\\system32\\ntbackup.exe");
}

TEST(AppCommandsTest, HelpAddressDependsOnTheExactLanguageName) {
    EXPECT_STREQ(HelpAddress("Italian"), product::kItalianHelp);
    EXPECT_STREQ(HelpAddress("italian"), product::kHelpPage);
    EXPECT_STREQ(HelpAddress("PortuguesePT"), product::kPortugueseHelp);
    EXPECT_STREQ(HelpAddress("PORTUGUESEPT"), product::kHelpPage);
    EXPECT_STREQ(HelpAddress("English"), product::kHelpPage);
    EXPECT_STRNE(product::kItalianHelp, product::kHelpPage);
    EXPECT_STRNE(product::kPortugueseHelp, product::kHelpPage);
    EXPECT_EQ(MainWindowCaption(), "Quarlo Keyscrub 3.3");
    EXPECT_EQ(TaskButtonWidth(100), 117);
}

TEST(AppLanguageMenuTest, EntriesAndTheLanguagesTheyLoad) {
    ASSERT_EQ(kLanguageMenuEntries.size(), 36u);
    struct Case {
        std::size_t index;
        const char* name;
        const char* caption;
        const char* language;
    } const cases[] = {
        {0, "miAfrikaans", "&Afrikaans", "Afrikaans"},
        {7, "miNederlands", "Dut&ch", "Nederlands"},
        {8, "miEnglish", "&English", "English"},
        {11, "miGerman", "&German", "German"},
        {23, "miPortuguesePT", "Portuguese-PT", "PortuguesePT"},
        {27, "miChinese", "Simplified &Chinese", "Chinese"},
        {32, "miTurkish", "&Turkish", "Turkish"},
        {33, "mlOther", "-", "Other"},
        {34, "miOther", "&Other", "Other"},
        {35, "Language1", "Language", "nguage1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(kLanguageMenuEntries[c.index].Name, c.name);
        EXPECT_STREQ(kLanguageMenuEntries[c.index].Caption, c.caption);
        EXPECT_EQ(LanguageNameOf(kLanguageMenuEntries[c.index].Name), c.language);
    }
    EXPECT_TRUE(kLanguageMenuEntries[33].Separator);
    EXPECT_TRUE(kLanguageMenuEntries[35].Hidden);
    EXPECT_EQ(LanguageNameOf("mi"), "");
    EXPECT_EQ(LanguageFileName("German"), "Lan_German.ini");
    std::set<std::string> names;
    for (const auto& entry : kLanguageMenuEntries) names.insert(entry.Name);
    EXPECT_EQ(names.size(), kLanguageMenuEntries.size()) << "component names are unique";
}

TEST(AppLanguageMenuTest, OnlyEntriesWithFilesShow) {
    std::vector<std::string> asked;
    const auto visible = LanguageEntriesVisible([&](const std::string& language) {
        asked.push_back(language);
        return language == "German" || language == "Other";
    });
    ASSERT_EQ(visible.size(), kLanguageMenuEntryCount);
    ASSERT_EQ(asked.size(), kLanguageMenuEntryCount);
    EXPECT_EQ(asked.front(), "nguage1") << "visited from the last entry to the first";
    for (std::size_t i = 0; i < kLanguageMenuEntryCount; ++i) {
        SCOPED_TRACE(kLanguageMenuEntries[i].Name);
        const bool expected = i == 11 || i == 33 || i == 34;
        EXPECT_EQ(visible[i], expected);
    }
    const auto germanOnly = LanguageEntriesVisible([](const std::string& language) { return language == "German"; });
    EXPECT_FALSE(germanOnly[33]);
    EXPECT_FALSE(germanOnly[34]);
}

TEST(AppLanguageMenuTest, TickedEntryMatchesTheSettingIgnoringCase) {
    EXPECT_EQ(LanguageEntryFor("english"), 8u);
    EXPECT_EQ(LanguageEntryFor("GERMAN"), 11u);
    EXPECT_EQ(LanguageEntryFor("portuguesept"), 23u);
    EXPECT_EQ(LanguageEntryFor("Other"), 34u) << "the separator is never ticked";
    EXPECT_EQ(LanguageEntryFor("Klingon"), kLanguageMenuEntryCount);
    EXPECT_EQ(LanguageEntryFor(""), kLanguageMenuEntryCount);
}

TEST(AppLanguageMenuTest, NotFoundMessageInvitesTranslatorsOnlyForOther) {
    EXPECT_EQ(LanguageNotFoundMessage("German", "https://t.example/"), "Lan_German.ini can not be found.");
    EXPECT_EQ(LanguageNotFoundMessage("Other", "https://t.example/"),
              "Lan_Other.ini can not be found.\r\n\r\nPlease visit https://t.example/.");
    EXPECT_EQ(LanguageNotFoundMessage("other", "https://t.example/"), "Lan_other.ini can not be found.");
}

Finding Problem(const char* problem, const char* key) {
    return Finding{problem, key, "", RemovalKind::DeleteKey};
}

TEST(AppProblemListTest, SelectionCommandsAndCounts) {
    ProblemListModel list;
    list.Append(Problem("Invalid font", "HKEY_LOCAL_MACHINE\\A"));
    list.Append(Problem("Invalid file", "HKEY_LOCAL_MACHINE\\B"));
    list.Append(Problem("Invalid font", "HKEY_LOCAL_MACHINE\\C"));
    list.Append(Problem("invalid font", "HKEY_LOCAL_MACHINE\\D"));
    EXPECT_EQ(CheckedCount(list), 0u) << "new rows come unticked";

    EXPECT_FALSE(SelectAllOfType(list, true)) << "no focused row";
    EXPECT_EQ(CheckedCount(list), 0u);

    list.SetFocused(2);
    EXPECT_TRUE(SelectAllOfType(list, true));
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_FALSE(list.IsChecked(1));
    EXPECT_TRUE(list.IsChecked(2));
    EXPECT_FALSE(list.IsChecked(3)) << "the problem text is compared exactly";

    SelectAll(list, true);
    EXPECT_EQ(CheckedCount(list), 4u);
    list.SetFocused(1);
    EXPECT_TRUE(SelectAllOfType(list, false));
    EXPECT_EQ(CheckedCount(list), 3u);
    SelectAll(list, false);
    EXPECT_EQ(CheckedCount(list), 0u);

    // Removing rows moves the focus with its row, or drops it with it.
    list.SetFocused(2);
    list.Remove(0);
    EXPECT_EQ(list.Focused(), std::optional<std::size_t>(1));
    list.Remove(1);
    EXPECT_FALSE(list.Focused().has_value());

    EXPECT_EQ(CountPanelText(0, "problems found"), " 0 problems found");
    EXPECT_EQ(CountPanelText(1234, "problems selected for repairing"), " 1234 problems selected for repairing");
}

TEST(AppProblemListTest, UnrepairedFindingsMatchPairsIgnoringCase) {
    UnrepairedFindings unrepaired;
    EXPECT_FALSE(unrepaired.Contains("", ""));
    unrepaired.Add("HKEY_CURRENT_USER\\Software\\A", "Val");
    unrepaired.Add("HKEY_CURRENT_USER\\Software\\B", "");
    EXPECT_TRUE(unrepaired.Contains("hkey_current_user\\software\\a", "VAL"));
    EXPECT_TRUE(unrepaired.Contains("HKEY_CURRENT_USER\\Software\\B", ""));
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\Software\\A", ""));
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\Software\\B", "Val"));
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\Software\\A\\", "Val"));
}

}  // namespace
}  // namespace ks
