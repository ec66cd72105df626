// The settings store over an in-memory profile: defaults, file layout, lists,
// window placement and damaged input.
#include <gtest/gtest.h>

#include <string>

#include "logic/settings_fake_window.h"
#include "settings/settings.h"

namespace ks {
namespace {

using test::FakeMainWindow;

constexpr char kProgramFolder[] = "C:\\Tools\\";

class SettingsStoreTest : public ::testing::Test {
protected:
    // Loads into a record that starts out full of leftovers, so that a
    // field the store forgets to set shows up.
    SettingsRecord Load() {
        SettingsRecord record;
        record.OutputDirectory = "leftover";
        record.DeleteBackupFile = false;
        record.ShowHint = false;
        record.Lan = "leftover";
        record.NodeChecked.fill(false);
        record.IgnoreValues = {"old"};
        record.IgnoreValueCount = 1;
        record.IgnoreKeys = {"old1", "old2"};
        record.IgnoreKeyCount = 2;
        record.WindowMaximized = true;
        LoadSaveSettings(true, profile, window, kProgramFolder, record);
        return record;
    }

    void Save(SettingsRecord& record) { LoadSaveSettings(false, profile, window, kProgramFolder, record); }

    void Put(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(profile.WriteString(section, key, value));
    }

    MemoryProfile profile;
    FakeMainWindow window;
};

TEST_F(SettingsStoreTest, MissingFileGivesEveryDefault) {
    window.width = 700;
    window.height = 500;
    const SettingsRecord s = Load();
    EXPECT_EQ(s.OutputDirectory, "C:\\Tools\\Backup");
    EXPECT_TRUE(s.DeleteBackupFile);
    EXPECT_FALSE(s.IncludeRemoveMedia);
    EXPECT_FALSE(s.IncludeCDdrive);
    EXPECT_FALSE(s.Beep);
    EXPECT_TRUE(s.ShowHint);
    EXPECT_FALSE(s.RestorePoint);
    EXPECT_EQ(s.Lan, "English");
    for (int n = 1; n <= 24; ++n) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(s.NodeChecked[static_cast<std::size_t>(n)]);
    }
    EXPECT_EQ(s.IgnoreValueCount, 0);
    EXPECT_TRUE(s.IgnoreValues.empty());
    EXPECT_EQ(s.IgnoreKeyCount, 0);
    EXPECT_TRUE(s.IgnoreKeys.empty());
    EXPECT_FALSE(s.WindowMaximized);
    // Centred at the current size; nothing resized.
    EXPECT_EQ(s.WindowLeft, (1024 - 700) / 2);
    EXPECT_EQ(s.WindowTop, (768 - 500) / 2);
    EXPECT_TRUE(window.widthsSet.empty());
    EXPECT_TRUE(window.heightsSet.empty());
    // Reading never writes.
    EXPECT_EQ(profile.writes(), 0u);
    EXPECT_EQ(profile.Text(), "");
}

TEST_F(SettingsStoreTest, SavingFromScratchWritesTheDocumentedLayout) {
    SettingsRecord s = Load();
    Save(s);
    EXPECT_EQ(profile.Text(), test::DefaultOptionsText("C:\\Tools\\", window));
}

TEST_F(SettingsStoreTest, EverySettingSurvivesARoundTrip) {
    SettingsRecord s = Load();
    s.OutputDirectory = "D:\\Backups\\Registry";
    s.DeleteBackupFile = false;
    s.IncludeRemoveMedia = true;
    s.IncludeCDdrive = true;
    s.Beep = true;
    s.ShowHint = false;
    s.RestorePoint = true;
    s.Lan = "PortuguesePT";
    s.IgnoreValues = {"HKEY_CURRENT_USER\\Software\\A\\v1", "HKEY_LOCAL_MACHINE\\B\\@"};
    s.IgnoreValueCount = 2;
    s.IgnoreKeys = {"HKEY_CLASSES_ROOT\\.xyz"};
    s.IgnoreKeyCount = 1;
    window.tree[3] = false;
    window.tree[17] = false;
    window.tree[24] = false;
    window.left = -300;  // on a monitor left of the primary one
    window.top = 40;
    window.width = 900;
    window.height = 650;
    Save(s);
    EXPECT_EQ(window.treeCopies, 1);

    FakeMainWindow fresh;
    window = fresh;
    const SettingsRecord back = Load();
    EXPECT_EQ(back.OutputDirectory, s.OutputDirectory);
    EXPECT_EQ(back.DeleteBackupFile, false);
    EXPECT_EQ(back.IncludeRemoveMedia, true);
    EXPECT_EQ(back.IncludeCDdrive, true);
    EXPECT_EQ(back.Beep, true);
    EXPECT_EQ(back.ShowHint, false);
    EXPECT_EQ(back.RestorePoint, true);
    EXPECT_EQ(back.Lan, "PortuguesePT");
    EXPECT_EQ(back.IgnoreValues, s.IgnoreValues);
    EXPECT_EQ(back.IgnoreValueCount, 2);
    EXPECT_EQ(back.IgnoreKeys, s.IgnoreKeys);
    EXPECT_EQ(back.IgnoreKeyCount, 1);
    for (int n = 1; n <= 24; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(back.NodeChecked[static_cast<std::size_t>(n)], n != 3 && n != 17 && n != 24);
    }
    EXPECT_FALSE(back.WindowMaximized);
    EXPECT_EQ(back.WindowLeft, -300);
    EXPECT_EQ(back.WindowTop, 40);
    EXPECT_EQ(window.width, 900);
    EXPECT_EQ(window.height, 650);
}

TEST_F(SettingsStoreTest, BooleansAreAnyNonZeroIntegerAndDefaultOtherwise) {
    struct Case {
        const char* text;
        bool beep;          // default off
        bool deleteBackup;  // default on
    } const cases[] = {
        {"1", true, true},   {"0", false, false}, {"7", true, true},    {"-1", true, true},
        {" 1 ", true, true}, {"00", false, false}, {"yes", false, true}, {"true", false, true},
        {"", false, true},   {"1a", false, true},  {"0x1", false, true}, {"99999999999", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("[") + c.text + "]");
        profile = MemoryProfile();
        Put("Options", "Beep", c.text);
        Put("Options", "DeleteBackupFile", c.text);
        const SettingsRecord s = Load();
        EXPECT_EQ(s.Beep, c.beep);
        EXPECT_EQ(s.DeleteBackupFile, c.deleteBackup);
    }
}

TEST_F(SettingsStoreTest, TreeStatesAreReadByImageIndex) {
    Put("TreeViewNodeCheck", "1", "0");
    Put("TreeViewNodeCheck", "12", "0");
    Put("TreeViewNodeCheck", "24", "0");
    Put("TreeViewNodeCheck", "13", "no");  // malformed: default checked
    Put("TreeViewNodeCheck", "25", "0");   // beyond the last node: ignored
    Put("TreeViewNodeCheck", "0", "0");
    const SettingsRecord s = Load();
    for (int n = 1; n <= 24; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(s.NodeChecked[static_cast<std::size_t>(n)], n != 1 && n != 12 && n != 24);
    }
}

TEST_F(SettingsStoreTest, SavingCopiesTheTreeFirstAndKeepsNodesItLacks) {
    SettingsRecord s = Load();
    s.NodeChecked[24] = false;  // no tree node carries index 24
    window.tree[5] = false;
    window.tree[6] = true;
    s.NodeChecked[6] = false;
    Save(s);
    EXPECT_FALSE(s.NodeChecked[5]);
    EXPECT_TRUE(s.NodeChecked[6]);
    EXPECT_EQ(profile.ReadString("TreeViewNodeCheck", "5", ""), "0");
    EXPECT_EQ(profile.ReadString("TreeViewNodeCheck", "6", ""), "1");
    EXPECT_EQ(profile.ReadString("TreeViewNodeCheck", "24", ""), "0");
}

TEST_F(SettingsStoreTest, MaximizedStateIgnoresTheSavedRectangle) {
    Put("Window", "State", "3");
    Put("Window", "Left", "-8");
    Put("Window", "Top", "-8");
    Put("Window", "Width", "1936");
    Put("Window", "Height", "1056");
    const SettingsRecord s = Load();
    EXPECT_TRUE(s.WindowMaximized);
    EXPECT_TRUE(window.widthsSet.empty());
    EXPECT_TRUE(window.heightsSet.empty());
    EXPECT_NE(s.WindowLeft, -8);
    EXPECT_NE(s.WindowTop, -8);
}

TEST_F(SettingsStoreTest, OtherStatesReadTheRectangle) {
    struct Case {
        const char* state;
    } const cases[] = {{"1"}, {"2"}, {"0"}, {"max"}, {""}, {"33"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        profile = MemoryProfile();
        window = FakeMainWindow();
        Put("Window", "State", c.state);
        Put("Window", "Left", "15");
        Put("Window", "Top", "25");
        Put("Window", "Width", "800");
        Put("Window", "Height", "600");
        const SettingsRecord s = Load();
        EXPECT_FALSE(s.WindowMaximized);
        EXPECT_EQ(s.WindowLeft, 15);
        EXPECT_EQ(s.WindowTop, 25);
        EXPECT_EQ(window.widthsSet, std::vector<int>{800});
        EXPECT_EQ(window.heightsSet, std::vector<int>{600});
    }
}

TEST_F(SettingsStoreTest, MissingOrMalformedPlacementKeysFallBack) {
    // A saved size without a position: centred for the size it now has.
    Put("Window", "Width", "824");
    Put("Window", "Height", "abc");
    Put("Window", "Top", "1e3");
    window.screenWidth = 1280;
    window.screenHeight = 1024;
    SettingsRecord s = Load();
    EXPECT_EQ(window.width, 824);
    EXPECT_TRUE(window.heightsSet.empty());
    EXPECT_EQ(s.WindowLeft, (1280 - 824) / 2);
    EXPECT_EQ(s.WindowTop, (1024 - 520) / 2);

    // Sizes of zero or less are not applied.
    profile = MemoryProfile();
    window = FakeMainWindow();
    Put("Window", "Width", "0");
    Put("Window", "Height", "-20");
    s = Load();
    EXPECT_TRUE(window.widthsSet.empty());
    EXPECT_TRUE(window.heightsSet.empty());
}

TEST_F(SettingsStoreTest, CentringTruncatesTowardZero) {
    EXPECT_EQ(CentredPosition(1024, 768, 684, 520), (WindowPosition{170, 124}));
    EXPECT_EQ(CentredPosition(1025, 769, 684, 520), (WindowPosition{170, 124}));
    EXPECT_EQ(CentredPosition(640, 480, 684, 520), (WindowPosition{-22, -20}));
    EXPECT_EQ(CentredPosition(640, 480, 685, 521), (WindowPosition{-22, -20}));
}

TEST_F(SettingsStoreTest, SavingAMinimizedWindowKeepsItsRestoredRectangle) {
    SettingsRecord s = Load();
    window.showCommand = kShowMinimized;
    window.left = -32000;
    window.top = -32000;
    window.width = 160;
    window.height = 28;
    window.restored = WindowBounds{200, 150, 720, 540};
    Save(s);
    EXPECT_EQ(profile.ReadString("Window", "State", ""), "2");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "200");
    EXPECT_EQ(profile.ReadString("Window", "Top", ""), "150");
    EXPECT_EQ(profile.ReadString("Window", "Width", ""), "720");
    EXPECT_EQ(profile.ReadString("Window", "Height", ""), "540");
}

TEST_F(SettingsStoreTest, SavingAMaximizedWindowWritesItsCurrentRectangle) {
    SettingsRecord s = Load();
    window.showCommand = kShowMaximized;
    window.left = -8;
    window.top = -8;
    window.width = 1040;
    window.height = 744;
    window.restored = WindowBounds{200, 150, 720, 540};
    Save(s);
    EXPECT_EQ(profile.ReadString("Window", "State", ""), "3");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "-8");
    EXPECT_EQ(profile.ReadString("Window", "Width", ""), "1040");
}

TEST_F(SettingsStoreTest, UnreadablePlacementLeavesStateAsItWas) {
    Put("Window", "State", "3");
    SettingsRecord s = Load();
    window.showCommand = std::nullopt;
    window.left = 33;
    Save(s);
    EXPECT_EQ(profile.ReadString("Window", "State", ""), "3");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "33");
    EXPECT_EQ(profile.ReadString("Window", "Height", ""), "520");
}

TEST_F(SettingsStoreTest, CountWithoutEntriesGivesEmptyEntries) {
    Put("IgnoreValue", "Count", "3");
    Put("IgnoreValue", "Value1", "HKEY_CURRENT_USER\\A\\x");
    const SettingsRecord s = Load();
    EXPECT_EQ(s.IgnoreValueCount, 3);
    EXPECT_EQ(s.IgnoreValues, (std::vector<std::string>{"HKEY_CURRENT_USER\\A\\x", "", ""}));
}

TEST_F(SettingsStoreTest, ShrunkListLeavesHigherEntriesInTheFile) {
    SettingsRecord s = Load();
    s.IgnoreValues = {"v1", "v2", "v3", "v4", "v5"};
    s.IgnoreValueCount = 5;
    Save(s);
    s.IgnoreValues.resize(2);
    s.IgnoreValueCount = 2;
    Save(s);
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Count", ""), "2");
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Value3", ""), "v3");
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Value5", ""), "v5");
    const SettingsRecord back = Load();
    EXPECT_EQ(back.IgnoreValues, (std::vector<std::string>{"v1", "v2"}));
    EXPECT_EQ(back.IgnoreValueCount, 2);
}

TEST_F(SettingsStoreTest, KeysTheStoreDoesNotKnowStayUntouched) {
    Put("Options", "FutureSwitch", "42");
    Put("Plugins", "Path", "C:\\p");
    Put("IgnoreKey", "Note", "kept");
    SettingsRecord s = Load();
    Save(s);
    EXPECT_EQ(profile.ReadString("Options", "FutureSwitch", ""), "42");
    EXPECT_EQ(profile.ReadString("Plugins", "Path", ""), "C:\\p");
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Note", ""), "kept");
}

TEST_F(SettingsStoreTest, UnusableCountsReadAsEmptyLists) {
    const char* const counts[] = {"-4", "abc", "", "-2147483648", "4294967296"};
    for (const char* count : counts) {
        SCOPED_TRACE(count);
        profile = MemoryProfile();
        Put("IgnoreKey", "Count", count);
        Put("IgnoreKey", "Key1", "HKEY_USERS\\x");
        const SettingsRecord s = Load();
        EXPECT_EQ(s.IgnoreKeyCount, 0);
        EXPECT_TRUE(s.IgnoreKeys.empty());
    }
}

TEST_F(SettingsStoreTest, HugeCountTakesTheEntriesThatExistInNumberOrder) {
    Put("IgnoreValue", "Count", "2000000000");
    Put("IgnoreValue", "Value7", "g");
    Put("IgnoreValue", "Value1", "a");
    Put("IgnoreValue", "value3", "c");  // key names match ignoring case
    Put("IgnoreValue", "Value08", "not the key Value8");
    Put("IgnoreValue", "Value+9", "not the key Value9");
    Put("IgnoreValue", "Value", "no number");
    Put("IgnoreKey", "Count", "2000000000");
    Put("IgnoreKey", "Key1999999999", "far");
    Put("IgnoreKey", "Key2", "b");
    const SettingsRecord s = Load();
    EXPECT_EQ(s.IgnoreValueCount, 3);
    EXPECT_EQ(s.IgnoreValues, (std::vector<std::string>{"a", "c", "g"}));
    EXPECT_EQ(s.IgnoreKeys, (std::vector<std::string>{"b", "far"}));
    EXPECT_EQ(s.IgnoreKeyCount, 2);
    // Absent keys are not asked for one by one.
    EXPECT_LT(profile.reads(), 100u);

    // Entries numbered above the written count are not taken; saving writes
    // the entries there are, and no gaps.
    profile = MemoryProfile();
    Put("IgnoreKey", "Count", "1500");
    Put("IgnoreKey", "Key1400", "in");
    Put("IgnoreKey", "Key1600", "beyond");
    SettingsRecord t = Load();
    EXPECT_EQ(t.IgnoreKeys, (std::vector<std::string>{"in"}));
    Save(t);
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Count", ""), "1");
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Key1", ""), "in");
}

TEST_F(SettingsStoreTest, HugeCountWithoutAKeyListFallsBackToTheTrustedCount) {
    Put("IgnoreValue", "Count", "2000000000");
    Put("IgnoreValue", "Value2", "b");
    profile.FailKeyNames(true);
    const SettingsRecord s = Load();
    EXPECT_EQ(s.IgnoreValueCount, kTrustedIgnoreCount);
    ASSERT_EQ(s.IgnoreValues.size(), static_cast<std::size_t>(kTrustedIgnoreCount));
    EXPECT_EQ(s.IgnoreValues[1], "b");
}

TEST_F(SettingsStoreTest, CountsUpToTheTrustedLimitAreTakenAsWritten) {
    Put("IgnoreKey", "Count", std::to_string(kTrustedIgnoreCount));
    Put("IgnoreKey", "Key1", "a");
    const SettingsRecord s = Load();
    EXPECT_EQ(s.IgnoreKeyCount, kTrustedIgnoreCount);
    EXPECT_EQ(s.IgnoreKeys.size(), static_cast<std::size_t>(kTrustedIgnoreCount));
}

TEST_F(SettingsStoreTest, LongEntriesAreCutOnTheNextLoad) {
    SettingsRecord s = Load();
    const std::string longKey = "HKEY_CURRENT_USER\\" + std::string(3000, 'k');
    s.IgnoreKeys = {longKey};
    s.IgnoreKeyCount = 1;
    s.OutputDirectory = std::string(2100, 'o');
    Save(s);
    const SettingsRecord back = Load();
    ASSERT_EQ(back.IgnoreKeys.size(), 1u);
    EXPECT_EQ(back.IgnoreKeys[0], longKey.substr(0, 2047));
    EXPECT_EQ(back.OutputDirectory, std::string(2047, 'o'));
}

TEST_F(SettingsStoreTest, EntriesThatReadingWouldAlterAreQuotedAndComeBack) {
    SettingsRecord s = Load();
    s.IgnoreValues = {"HKEY_CURRENT_USER\\Run\\name ", "\"HKEY_USERS\\x\"", "HKEY_CURRENT_USER\\a;b=c"};
    s.IgnoreValueCount = 3;
    Save(s);
    EXPECT_EQ(Load().IgnoreValues, s.IgnoreValues);
}

TEST_F(SettingsStoreTest, EntriesWithLineBreaksAreLeftOutNotInjected) {
    SettingsRecord s = Load();
    s.IgnoreValues = {"HKEY_CURRENT_USER\\a", "HKEY_CURRENT_USER\\b\r\n[Window]\r\nState=3", "HKEY_CURRENT_USER\\c"};
    s.IgnoreValueCount = 3;
    s.Lan = "German";
    Save(s);
    s.Lan = "Ger\nman";
    s.OutputDirectory = "C:\\x\r\nBeep=1";
    Save(s);
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Count", ""), "2");
    EXPECT_EQ(profile.Text().find("State=3"), std::string::npos);
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Value2", ""), "HKEY_CURRENT_USER\\c");
    const SettingsRecord back = Load();
    EXPECT_EQ(back.IgnoreValues, (std::vector<std::string>{"HKEY_CURRENT_USER\\a", "HKEY_CURRENT_USER\\c"}));
    EXPECT_EQ(back.IgnoreValueCount, 2);
    // An unstorable text leaves the value that was there.
    EXPECT_EQ(back.Lan, "German");
    EXPECT_EQ(back.OutputDirectory, "C:\\Tools\\Backup");
}

TEST_F(SettingsStoreTest, SavingWritesTheEntriesTheListHoldsWhateverItsCount) {
    SettingsRecord s = Load();
    s.IgnoreKeys = {"k1", "k2"};
    s.IgnoreKeyCount = 5;  // out of step: must not read past the list
    s.IgnoreValues = {"v1", "v2", "v3"};
    s.IgnoreValueCount = 1;
    Save(s);
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Count", ""), "2");
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Key3", "absent"), "absent");
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Count", ""), "3");
    EXPECT_EQ(profile.ReadString("IgnoreValue", "Value3", ""), "v3");
}

TEST_F(SettingsStoreTest, WriteFailuresAreSilent) {
    SettingsRecord s = Load();
    profile.FailWrites(true);
    Save(s);
    // Every key is still attempted: 8 options, 24 tree states, 2 counts, 5 placement keys.
    EXPECT_EQ(profile.writes(), 39u);
    EXPECT_EQ(profile.Text(), "");
}

TEST_F(SettingsStoreTest, EmptyStringValuesStayEmpty) {
    // Present but empty is a value, not a missing key.
    Put("Options", "Lan", "");
    Put("Options", "OutputDirectory", "");
    const SettingsRecord s = Load();
    EXPECT_EQ(s.Lan, "");
    EXPECT_EQ(s.OutputDirectory, "");
}

TEST(SettingsFolderTest, PrefersTheApplicationDataFolder) {
    std::vector<std::string> asked;
    const auto ok = [&](const std::string& folder) {
        asked.push_back(folder);
        return true;
    };
    const auto fails = [&](const std::string& folder) {
        asked.push_back(folder);
        return false;
    };
    EXPECT_EQ(SettingsFolder("C:\\Users\\me\\AppData\\Roaming\\", "C:\\Tools\\", ok),
              "C:\\Users\\me\\AppData\\Roaming\\Quarlo\\Keyscrub\\");
    EXPECT_EQ(SettingsFolder("C:\\Users\\me\\AppData\\Roaming", "C:\\Tools\\", ok),
              "C:\\Users\\me\\AppData\\Roaming\\Quarlo\\Keyscrub\\");
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(SettingsFolder("C:\\ReadOnly\\", "C:\\Tools\\", fails), "C:\\Tools\\");
    EXPECT_EQ(asked.back(), "C:\\ReadOnly\\Quarlo\\Keyscrub\\");
    // No application-data folder at all: not a folder relative to wherever we run.
    asked.clear();
    EXPECT_EQ(SettingsFolder("", "C:\\Tools\\", ok), "C:\\Tools\\");
    EXPECT_TRUE(asked.empty());
}

TEST(SettingsFolderTest, FolderChainListsWhatToCreateOutermostFirst) {
    struct Case {
        const char* folder;
        std::vector<std::string> chain;
    } const cases[] = {
        {"C:\\Users\\me\\Quarlo\\Keyscrub\\",
         {"C:\\Users", "C:\\Users\\me", "C:\\Users\\me\\Quarlo", "C:\\Users\\me\\Quarlo\\Keyscrub"}},
        {"C:\\a", {"C:\\a"}},
        {"C:\\", {}},
        {"C:", {}},
        {"", {}},
        {"C:\\a\\\\b\\", {"C:\\a", "C:\\a\\\\b"}},
        {"C:/a/b/", {"C:/a", "C:/a/b"}},
        {"\\\\server\\share\\x\\y\\", {"\\\\server\\share\\x", "\\\\server\\share\\x\\y"}},
        {"\\\\server\\share\\", {}},
        {"\\\\server\\share", {}},
        {"\\\\server", {}},
        {"\\top\\inner", {"\\top", "\\top\\inner"}},
        {"rel\\sub", {"rel", "rel\\sub"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(FolderChain(c.folder), c.chain);
    }
}

TEST(SettingsPlacementTest, MinimizedShowCommandsAreRecognised) {
    EXPECT_TRUE(IsMinimizedShowCommand(2));
    EXPECT_TRUE(IsMinimizedShowCommand(6));
    EXPECT_TRUE(IsMinimizedShowCommand(7));
    EXPECT_FALSE(IsMinimizedShowCommand(1));
    EXPECT_FALSE(IsMinimizedShowCommand(3));
    EXPECT_FALSE(IsMinimizedShowCommand(0));
}

}  // namespace
}  // namespace ks
