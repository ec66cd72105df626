// The settings store on a real options.ini through the profile-string API:
// the layout written from scratch, round trips, damaged and odd files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "logic/settings_fake_window.h"
#include "settings/settings.h"
#include "settings/win/profile_file.h"
#include "win/settings_temp_folder.h"

namespace ks {
namespace {

using test::FakeMainWindow;
using test::ReadWholeFile;
using test::TempFolder;
using test::WriteWholeFile;

constexpr char kProgramFolder[] = "C:\\Tools\\";

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsRecord Load() {
        SettingsRecord record;
        record.IgnoreValues = {"leftover"};
        record.IgnoreValueCount = 1;
        ProfileFile profile(file);
        LoadSaveSettings(true, profile, window, kProgramFolder, record);
        return record;
    }

    void Save(SettingsRecord& record) {
        ProfileFile profile(file);
        LoadSaveSettings(false, profile, window, kProgramFolder, record);
    }

    std::string Read(const char* section, const char* key) const {
        return ProfileFile(file).ReadString(section, key, "<absent>");
    }

    TempFolder folder;
    std::string file = folder / "options.ini";
    FakeMainWindow window;
};

TEST_F(SettingsFileTest, FromScratchTheFileHasTheDocumentedLayout) {
    SettingsRecord s = Load();
    EXPECT_FALSE(test::PathExists(file)) << "loading must not create the file";
    Save(s);
    EXPECT_EQ(ReadWholeFile(file), test::DefaultOptionsText(kProgramFolder, window));
}

TEST_F(SettingsFileTest, SettingsComeBackFromTheFile) {
    SettingsRecord s = Load();
    s.OutputDirectory = "C:\\Some Folder\\Backups";
    s.Beep = true;
    s.RestorePoint = true;
    s.DeleteBackupFile = false;
    s.Lan = "Italian";
    s.IgnoreKeys = {"HKEY_CURRENT_USER\\Software\\Vendor", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{X}"};
    s.IgnoreKeyCount = 2;
    s.IgnoreValues = {"HKEY_CURRENT_USER\\Run\\trailing ", "\"HKEY_USERS\\quoted\"", "HKEY_CURRENT_USER\\x\\a=b;c"};
    s.IgnoreValueCount = 3;
    window.tree[9] = false;
    window.left = 12;
    window.top = 34;
    window.width = 800;
    window.height = 600;
    Save(s);

    window = FakeMainWindow();
    const SettingsRecord back = Load();
    EXPECT_EQ(back.OutputDirectory, s.OutputDirectory);
    EXPECT_TRUE(back.Beep);
    EXPECT_TRUE(back.RestorePoint);
    EXPECT_FALSE(back.DeleteBackupFile);
    EXPECT_EQ(back.Lan, "Italian");
    EXPECT_EQ(back.IgnoreKeys, s.IgnoreKeys);
    EXPECT_EQ(back.IgnoreKeyCount, 2);
    EXPECT_EQ(back.IgnoreValues, s.IgnoreValues);
    EXPECT_EQ(back.IgnoreValueCount, 3);
    EXPECT_FALSE(back.NodeChecked[9]);
    EXPECT_TRUE(back.NodeChecked[10]);
    EXPECT_EQ(back.WindowLeft, 12);
    EXPECT_EQ(back.WindowTop, 34);
    EXPECT_EQ(window.width, 800);
    EXPECT_EQ(window.height, 600);
}

TEST_F(SettingsFileTest, HandWrittenValuesReadAsTheStoreDefines) {
    ASSERT_TRUE(WriteWholeFile(file,
                               "[options]\r\n"
                               "beep = 7\r\n"
                               "ShowHint=yes\r\n"
                               "IncludeCDdrive=-3\r\n"
                               "Lan=  German  \r\n"
                               "[Window]\r\n"
                               "State=3\r\n"
                               "Left=-32000\r\nTop=-32000\r\nWidth=160\r\nHeight=28\r\n"
                               "[IgnoreValue]\r\n"
                               "Count=3\r\n"
                               "Value1=HKEY_CURRENT_USER\\A\\v\r\n"));
    const SettingsRecord s = Load();
    EXPECT_TRUE(s.Beep);
    EXPECT_TRUE(s.ShowHint) << "not an integer: the default";
    EXPECT_TRUE(s.IncludeCDdrive);
    EXPECT_EQ(s.Lan, "German");
    EXPECT_TRUE(s.WindowMaximized);
    EXPECT_TRUE(window.widthsSet.empty());
    EXPECT_EQ(s.IgnoreValues, (std::vector<std::string>{"HKEY_CURRENT_USER\\A\\v", "", ""}));
    EXPECT_EQ(s.IgnoreValueCount, 3);
}

TEST_F(SettingsFileTest, UnknownKeysAndHigherEntriesSurviveASave) {
    ASSERT_TRUE(WriteWholeFile(file,
                               "; written by hand\r\n"
                               "[Options]\r\nFutureSwitch=42\r\n"
                               "[Plugins]\r\nPath=C:\\p\r\n"
                               "[IgnoreKey]\r\nCount=5\r\nKey1=k1\r\nKey2=k2\r\nKey3=k3\r\nKey4=k4\r\nKey5=k5\r\n"));
    SettingsRecord s = Load();
    ASSERT_EQ(s.IgnoreKeys.size(), 5u);
    s.IgnoreKeys.resize(2);
    s.IgnoreKeyCount = 2;
    Save(s);
    EXPECT_EQ(Read("Options", "FutureSwitch"), "42");
    EXPECT_EQ(Read("Plugins", "Path"), "C:\\p");
    EXPECT_EQ(Read("IgnoreKey", "Count"), "2");
    EXPECT_EQ(Read("IgnoreKey", "Key5"), "k5");
    EXPECT_EQ(Load().IgnoreKeys, (std::vector<std::string>{"k1", "k2"}));
}

TEST_F(SettingsFileTest, ValuesAreCutAt2047Characters) {
    struct Case {
        std::size_t length;
        std::size_t seen;
    } const cases[] = {{2046, 2046}, {2047, 2047}, {2048, 2047}, {5000, 2047}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::string entry = "HKEY_CURRENT_USER\\";
        while (entry.size() < c.length) entry += static_cast<char>('a' + entry.size() % 26);
        SettingsRecord s = Load();
        s.IgnoreKeys = {entry};
        s.IgnoreKeyCount = 1;
        s.Lan = entry;
        Save(s);
        const SettingsRecord back = Load();
        ASSERT_EQ(back.IgnoreKeys.size(), 1u);
        EXPECT_EQ(back.IgnoreKeys[0], entry.substr(0, c.seen));
        EXPECT_EQ(back.Lan, entry.substr(0, c.seen));
    }
}

TEST_F(SettingsFileTest, LineBreaksInEntriesDoNotReachTheFile) {
    SettingsRecord s = Load();
    s.IgnoreValues = {"HKEY_CURRENT_USER\\a", "HKEY_CURRENT_USER\\b\r\n[Window]\r\nState=3\r\n[IgnoreValue]\r\nCount=9",
                      "HKEY_CURRENT_USER\\c"};
    s.IgnoreValueCount = 3;
    Save(s);
    const std::string text = ReadWholeFile(file);
    EXPECT_EQ(text.find("State=3"), std::string::npos);
    EXPECT_EQ(text.find("Count=9"), std::string::npos);
    const SettingsRecord back = Load();
    EXPECT_FALSE(back.WindowMaximized);
    EXPECT_EQ(back.IgnoreValues, (std::vector<std::string>{"HKEY_CURRENT_USER\\a", "HKEY_CURRENT_USER\\c"}));
}

TEST_F(SettingsFileTest, DamagedFilesGiveDefaultsAndNeverCrash) {
    std::string binary;
    unsigned seed = 20131113;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        binary.push_back(static_cast<char>(seed >> 16));
    }
    std::string utf16 = "\xff\xfe";
    for (char c : std::string("[Options]\r\nBeep=1\r\n")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    struct Case {
        const char* name;
        std::string bytes;
        bool beep;
        std::string lan;
    } const cases[] = {
        {"empty", "", false, "English"},
        {"only a section start", "[Opti", false, "English"},
        {"cut in a value", "[Options]\r\nBeep=1\r\nLan=Ger", true, "Ger"},
        {"NULs inside lines", std::string("[Options]\r\nBeep=1\r\nLan=Fr\0ench\r\n", 30), true, "Fr"},
        {"random bytes", binary, false, "English"},
        {"random bytes then settings", binary + "\r\n[Options]\r\nBeep=1\r\n", true, "English"},
        {"UTF-16", utf16, true, "English"},
        {"no equals signs", "[Options]\r\nBeep\r\nLan\r\n", false, "English"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(file, c.bytes));
        window = FakeMainWindow();
        SettingsRecord s = Load();
        EXPECT_EQ(s.Beep, c.beep);
        EXPECT_EQ(s.Lan, c.lan);
        EXPECT_TRUE(s.DeleteBackupFile);
        EXPECT_EQ(s.IgnoreValueCount, 0);
        EXPECT_TRUE(s.IgnoreValues.empty());
        // The store can still write over whatever was there, and read it back.
        s.RestorePoint = true;
        Save(s);
        EXPECT_TRUE(Load().RestorePoint);
    }
}

TEST_F(SettingsFileTest, AnEnormousFileStillLoads) {
    std::string big = "[Options]\r\nBeep=1\r\n[Junk]\r\n";
    int n = 0;
    while (big.size() < (16u << 20)) big += "Filler" + std::to_string(++n) + "=a value that only takes up room\r\n";
    big += "[IgnoreKey]\r\nCount=2\r\nKey1=HKEY_USERS\\x\r\nKey2=HKEY_USERS\\y\r\n";
    ASSERT_TRUE(WriteWholeFile(file, big));
    const SettingsRecord s = Load();
    EXPECT_TRUE(s.Beep);
    EXPECT_EQ(s.IgnoreKeys, (std::vector<std::string>{"HKEY_USERS\\x", "HKEY_USERS\\y"}));
}

TEST_F(SettingsFileTest, HugeCountsReadOnlyTheEntriesThatExist) {
    ASSERT_TRUE(WriteWholeFile(file,
                               "[IgnoreValue]\r\nCount=2000000000\r\nValue1=a\r\nVALUE4=d\r\nValue04=no\r\n"
                               "[IgnoreKey]\r\nCount=999999999999\r\nKey1=k\r\n"));
    const DWORD start = GetTickCount();
    const SettingsRecord s = Load();
    EXPECT_EQ(s.IgnoreValues, (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(s.IgnoreValueCount, 2);
    EXPECT_TRUE(s.IgnoreKeys.empty()) << "a count out of range is no count";
    EXPECT_EQ(s.IgnoreKeyCount, 0);
    // Far from reading two billion keys; generous for a slow emulator.
    EXPECT_LT(GetTickCount() - start, 60000u);
}

TEST_F(SettingsFileTest, KeyNamesOfALargeSectionAreAllListed) {
    std::string text = "[IgnoreKey]\r\n";
    for (int n = 1; n <= 3000; ++n) text += "Key" + std::to_string(n) + "=HKEY_USERS\\k" + std::to_string(n) + "\r\n";
    ASSERT_TRUE(WriteWholeFile(file, text));
    const std::optional<std::vector<std::string>> names = ProfileFile(file).KeyNames("ignorekey");
    ASSERT_TRUE(names.has_value());
    ASSERT_EQ(names->size(), 3000u);
    EXPECT_EQ(names->front(), "Key1");
    EXPECT_EQ(names->back(), "Key3000");
    EXPECT_EQ(ProfileFile(file).KeyNames("Missing"), std::vector<std::string>{});
}

TEST_F(SettingsFileTest, ProfileFileReadsAndWritesLikeTheMemoryProfile) {
    ProfileFile real(file);
    MemoryProfile memory;
    const char* const values[] = {"plain", "", "  spaced  ", "\"quoted\"", "'single'", "\"", "a;b=c", "\xe9t\xe9"};
    int n = 0;
    for (const char* value : values) {
        SCOPED_TRACE(value);
        const std::string key = "K" + std::to_string(++n);
        ASSERT_TRUE(real.WriteString("S", key, value));
        ASSERT_TRUE(memory.WriteString("S", key, value));
        EXPECT_EQ(real.ReadString("s", key, "default"), memory.ReadString("s", key, "default"));
    }
    EXPECT_EQ(real.ReadString("S", "absent", "default"), "default");
    EXPECT_EQ(real.KeyNames("S"), memory.KeyNames("S"));
    EXPECT_FALSE(ProfileFile(folder / "no such folder\\options.ini").WriteString("S", "K", "v"));
}

}  // namespace
}  // namespace ks
