// The startup manager's logic over the in-memory registry and file system:
// the sources and their order, what is listed, and the removal of ticked rows
// by their own source with a backup first.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "logic/backup_memory_file.h"
#include "repair/backup_parser.h"
#include "startup/startup_list.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

using test::MemoryBackupStore;
using test::MemoryFileSystem;
using test::MemoryRegistry;

constexpr RootKey kUser = RootKey::CurrentUser;
constexpr RootKey kMachine = RootKey::LocalMachine;
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kUserRun[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kMachineRun[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUserFolder[] = "C:\\Users\\me\\Start Menu\\Programs\\Startup";
constexpr char kCommonFolder[] = "C:\\All\\Start Menu\\Programs\\Startup";
constexpr char kBackupFolder[] = "C:\\Backup";
constexpr char kBackupFile[] = "C:\\Backup\\Backup20131207014509.reg";

class FakeShortcuts : public ShortcutReader {
public:
    ShortcutTarget ReadTarget(std::string_view file) override {
        const auto found = targets.find(std::string(file));
        if (found == targets.end()) return {};
        return {ShortcutTarget::Status::Read, found->second};
    }
    std::map<std::string, std::string> targets;
};

std::string Translated(const std::string& key, const std::string& english) {
    if (key == "RES_Startup") return "Autostart";
    if (key == "RES_Common_Startup") return "Autostart (alle)";
    return "[" + english + "]";
}

const StartupSource kUserRunSource{"HKEY_CURRENT_USER", kRun};
const StartupSource kMachineRunSource{"HKEY_LOCAL_MACHINE", kRun};
const StartupSource kUserFolderSource{"", "", kCsidlStartup, "RES_Startup", "Startup"};
const StartupSource kCommonFolderSource{"", "", kCsidlCommonStartup, "RES_Common_Startup", "Common Startup"};

TEST(StartupSourcesTest, RunServicesOnlyForTheOldVersionCodes) {
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    for (int version = 0; version <= 13; ++version) {
        SCOPED_TRACE(version);
        const bool old = (version >= 1 && version <= 4) || version == 8;
        std::vector<StartupSource> expected;
        for (const char* key : {"Run", "Policies\\Explorer\\Run", "RunOnce"}) {
            expected.push_back({"HKEY_CURRENT_USER", base + key});
            expected.push_back({"HKEY_LOCAL_MACHINE", base + key});
        }
        if (old) {
            expected.push_back({"HKEY_CURRENT_USER", base + "RunServices"});
            expected.push_back({"HKEY_LOCAL_MACHINE", base + "RunServices"});
        }
        expected.push_back({"", "", 0x07, "RES_Startup", "Startup"});
        expected.push_back({"", "", 0x18, "RES_Common_Startup", "Common Startup"});
        EXPECT_EQ(HasRunServices(static_cast<std::uint8_t>(version)), old);
        EXPECT_EQ(StartupSources(static_cast<std::uint8_t>(version)), expected);
    }
}

class StartupListTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.AddFolder(kUserFolder);
        files.AddFolder(kCommonFolder);
        files.SetSpecialFolder(kCsidlStartup, kUserFolder);
        files.SetSpecialFolder(kCsidlCommonStartup, std::string(kCommonFolder) + "\\");
    }
    MemoryRegistry registry;
    MemoryFileSystem files;
    FakeShortcuts shortcuts;
};

TEST_F(StartupListTest, ListsStringValuesAndShortcutsInSourceOrder) {
    registry.SetString(kUser, kRun, "Plain", "C:\\p.exe");
    registry.SetString(kUser, kRun, "Expand", "%windir%\\e.exe -x", RegType::ExpandString);
    registry.SetDword(kUser, kRun, "Number", 1);
    registry.Set(kUser, kRun, "Bytes", RegType::Binary, std::string("ab\0c", 4));
    registry.Set(kUser, kRun, "Multi", RegType::MultiString, std::string("a\0b\0\0", 5));
    registry.Set(kUser, kRun, "Cut", RegType::String, std::string("C:\\cut.exe\0junk\0", 16));
    registry.SetString(kUser, kRun, "", "C:\\default.exe");
    registry.SetString(kMachine, kRun, "Machine", "C:\\m.exe");
    registry.SetString(kMachine, kRunOnce, "Once", "C:\\o.exe");
    registry.SetString(kUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "Service", "C:\\s.exe");
    files.AddFile(std::string(kUserFolder) + "\\App.LNK");
    files.AddFile(std::string(kUserFolder) + "\\notes.txt");
    files.AddFile(std::string(kUserFolder) + "\\Broken.lnk");
    files.AddFolder(std::string(kUserFolder) + "\\Folder.lnk");
    files.AddFile(std::string(kCommonFolder) + "\\Shared.lnk");
    shortcuts.targets[std::string(kUserFolder) + "\\App.LNK"] = "C:\\app.exe";
    shortcuts.targets[std::string(kUserFolder) + "\\notes.txt"] = "C:\\never.exe";
    shortcuts.targets[std::string(kUserFolder) + "\\Folder.lnk"] = "C:\\never.exe";
    shortcuts.targets[std::string(kCommonFolder) + "\\Shared.lnk"] = "C:\\shared.exe";

    struct Case {
        std::uint8_t version;
        TextLookup lookup;
        std::vector<StartupEntry> expected;
    };
    const std::string once = std::string("HKEY_LOCAL_MACHINE\\") + kRunOnce;
    const std::string services = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
    const StartupSource onceSource{"HKEY_LOCAL_MACHINE", kRunOnce};
    const StartupSource servicesSource{"HKEY_CURRENT_USER", services.substr(18)};
    const std::vector<StartupEntry> userRun = {{"Plain", "C:\\p.exe", kUserRun, kUserRunSource},
                                               {"Expand", "%windir%\\e.exe -x", kUserRun, kUserRunSource},
                                               {"Cut", "C:\\cut.exe", kUserRun, kUserRunSource},
                                               {"", "C:\\default.exe", kUserRun, kUserRunSource},
                                               {"Machine", "C:\\m.exe", kMachineRun, kMachineRunSource},
                                               {"Once", "C:\\o.exe", once, onceSource}};
    auto with = [&](std::vector<StartupEntry> tail, bool old) {
        std::vector<StartupEntry> rows = userRun;
        if (old) rows.push_back({"Service", "C:\\s.exe", services, servicesSource});
        rows.insert(rows.end(), tail.begin(), tail.end());
        return rows;
    };
    const Case cases[] = {
        {12, nullptr,
         with({{"App.LNK", "C:\\app.exe", "Startup", kUserFolderSource},
               {"Shared.lnk", "C:\\shared.exe", "Common Startup", kCommonFolderSource}},
              false)},
        {8, &Translated,
         with({{"App.LNK", "C:\\app.exe", "Autostart", kUserFolderSource},
               {"Shared.lnk", "C:\\shared.exe", "Autostart (alle)", kCommonFolderSource}},
              true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.version});
        EXPECT_EQ(ListStartupEntries(registry, files, shortcuts, c.version, c.lookup), c.expected);
    }
}

TEST_F(StartupListTest, UnreadableSourcesAddNothing) {
    registry.SetString(kUser, kRun, "Locked", "C:\\l.exe");
    registry.DenyFullAccess(kUser, kRun);
    files.SetUnreadable(kCommonFolder);
    files.SetSpecialFolder(kCsidlStartup, "");
    files.AddFile(std::string(kCommonFolder) + "\\Shared.lnk");
    shortcuts.targets[std::string(kCommonFolder) + "\\Shared.lnk"] = "C:\\shared.exe";
    EXPECT_TRUE(ListStartupEntries(registry, files, shortcuts, 12).empty());
    std::vector<StartupEntry> rows;
    ListRegistryStartup(registry, "HKEY_NOWHERE", kRun, rows);
    EXPECT_TRUE(rows.empty());
}

// Rows as the dialog keeps them: an entry and its check box.
class FakeRows : public StartupRows {
public:
    std::size_t Count() const override { return rows.size(); }
    bool IsChecked(std::size_t row) const override { return rows.at(row).second; }
    StartupEntry Entry(std::size_t row) const override { return rows.at(row).first; }
    void Remove(std::size_t row) override { rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row)); }
    std::vector<std::pair<StartupEntry, bool>> rows;
};

class AnsweringUi : public RepairUi {
public:
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return yes;
    }
    int RunRestorePointDialog() override { return 1; }
    void UpdateProblemCounts() override {}
    void ShowHint(std::size_t) override {}
    void Beep() override {}
    bool yes = true;
    std::vector<std::string> questions;
};

class StartupDeleteTest : public StartupListTest {
protected:
    void SetUp() override {
        StartupListTest::SetUp();
        files.AddFolder(kBackupFolder);
        ASSERT_TRUE(store.CreateFolderTree(kBackupFolder));
    }
    void Row(StartupEntry entry, bool checked = true) { rows.rows.push_back({std::move(entry), checked}); }
    StartupDeleteOutcome Delete() { return DeleteTickedStartupEntries(rows, context, kBackupFolder); }
    std::vector<RegBlock> BackedUp() const {
        const auto parsed = ParseRegText(store.Content(kBackupFile), true);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        return parsed.blocks;
    }
    MemoryBackupStore store;
    AnsweringUi ui;
    RepairContext context{registry, files, store, ui, [] { return BackupTime{2013, 12, 7, 1, 45, 9}; }};
    FakeRows rows;
};

TEST_F(StartupDeleteTest, TickedEntriesGoLastRowFirstEachValueBackedUpBeforeItGoes) {
    registry.SetString(kUser, kRun, "First", "C:\\1.exe");
    registry.SetString(kUser, kRun, "", "C:\\default.exe");
    registry.Set(kUser, kRun, "Kept", RegType::ExpandString, std::string("%x%\0", 4));
    registry.SetString(kMachine, kRun, "Second", "C:\\2.exe");
    files.AddFile(std::string(kUserFolder) + "\\App.lnk");
    files.AddFile(std::string(kCommonFolder) + "\\Shared.lnk");
    store.Put(std::string(kUserFolder) + "\\App.lnk", "app link");
    store.Put(std::string(kCommonFolder) + "\\Shared.lnk", "shared link");
    Row({"First", "C:\\1.exe", kUserRun, kUserRunSource});
    Row({"Kept", "%x%", kUserRun, kUserRunSource}, false);
    Row({"", "C:\\default.exe", kUserRun, kUserRunSource});
    Row({"App.lnk", "C:\\app.exe", "Startup", kUserFolderSource});
    Row({"Second", "C:\\2.exe", kMachineRun, kMachineRunSource});
    Row({"Shared.lnk", "C:\\shared.exe", "Common Startup", kCommonFolderSource});

    const auto outcome = Delete();
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.removed, 5u);
    EXPECT_EQ(outcome.notRemoved, 0u);
    EXPECT_EQ(outcome.backupFile, kBackupFile);
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0].first.Caption, "Kept");
    EXPECT_TRUE(ui.questions.empty());

    const auto userKey = registry.OpenKey(kUser, kRun, Access::Read);
    ASSERT_TRUE(userKey);
    EXPECT_EQ(userKey->ValueNames(), std::vector<std::string>{"Kept"});
    EXPECT_FALSE(registry.OpenKey(kMachine, kRun, Access::Read)->ValueExists("Second"));
    EXPECT_FALSE(files.FileExists(std::string(kUserFolder) + "\\App.lnk"));
    EXPECT_FALSE(files.FileExists(std::string(kCommonFolder) + "\\Shared.lnk"));
    const std::vector<RegBlock> expected = {
        {kMachineRun, {{"Second", RegType::String, std::string("C:\\2.exe\0", 9)}}},
        {kUserRun, {{"", RegType::String, std::string("C:\\default.exe\0", 15)}}},
        {kUserRun, {{"First", RegType::String, std::string("C:\\1.exe\0", 9)}}},
    };
    EXPECT_EQ(BackedUp(), expected);
    // The shortcuts went the repair's way: proven copies beside the backup file.
    EXPECT_EQ(store.Content("C:\\Backup\\Backup20131207014509\\index.txt"),
              "1_Shared.lnk\t" + std::string(kCommonFolder) + "\\Shared.lnk\r\n1_App.lnk\t" +
                  std::string(kUserFolder) + "\\App.lnk\r\n");
    EXPECT_EQ(store.Content("C:\\Backup\\Backup20131207014509\\1_App.lnk"), "app link");
}

TEST_F(StartupDeleteTest, EntriesThatCannotGoKeepTheirTickedRows) {
    registry.SetString(kUser, kRun, "Locked", "C:\\l.exe");
    registry.DenyFullAccess(kUser, kRun);
    registry.SetString(kMachine, kRun, "Goes", "C:\\g.exe");
    Row({"Locked", "C:\\l.exe", kUserRun, kUserRunSource});
    Row({"Vanished", "C:\\v.exe", kMachineRun, kMachineRunSource});
    Row({"Goes", "C:\\g.exe", kMachineRun, kMachineRunSource});
    Row({"Gone.lnk", "C:\\x.exe", "Startup", kUserFolderSource});
    Row({"..\\Escape.lnk", "C:\\x.exe", "Startup", kUserFolderSource});
    Row({"Odd", "C:\\x.exe", "NoBackslash", {"", ""}});
    Row({"Odd", "C:\\x.exe", "HKEY_NOWHERE\\Run", {"HKEY_NOWHERE", "Run"}});
    files.AddFile("C:\\Users\\me\\Start Menu\\Programs\\Escape.lnk");

    const auto outcome = Delete();
    EXPECT_EQ(outcome.removed, 1u);
    EXPECT_EQ(outcome.notRemoved, 6u);
    ASSERT_EQ(rows.rows.size(), 6u);
    for (const auto& [entry, checked] : rows.rows) {
        SCOPED_TRACE(entry.Caption);
        EXPECT_TRUE(checked);
        EXPECT_NE(entry.Caption, "Goes");
    }
    EXPECT_TRUE(files.FileExists("C:\\Users\\me\\Start Menu\\Programs\\Escape.lnk"));
    EXPECT_TRUE(registry.OpenKey(kUser, kRun, Access::Read)->ValueExists("Locked"));
    EXPECT_EQ(BackedUp(), (std::vector<RegBlock>{{kMachineRun, {{"Goes", RegType::String, std::string("C:\\g.exe\0", 9)}}}}));
}

TEST_F(StartupDeleteTest, NothingGoesWithoutAProvenBackup) {
    struct Case {
        const char* what;
        bool folderMissing;
        bool answerYes;
        bool refuseFolder;
        bool refuseFile;
        bool flipByte;
        bool removed;
        std::size_t notRemoved;
    } const cases[] = {
        {"folder made on yes", true, true, false, false, false, true, 0},
        {"folder refused", true, false, false, false, false, false, 0},
        {"folder cannot be made", true, true, true, false, false, false, 2},
        {"file cannot be opened", false, true, false, true, false, false, 2},
        {"backup reads back wrong", false, true, false, false, true, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        MemoryFileSystem files;
        MemoryBackupStore store;
        AnsweringUi ui;
        ui.yes = c.answerYes;
        store.refuseFolders = c.refuseFolder;
        store.faults.refuseOpen = c.refuseFile;
        if (c.flipByte) store.faults.flipByteAt = 40;
        if (!c.folderMissing) {
            files.AddFolder(kBackupFolder);
            ASSERT_TRUE(store.CreateFolderTree(kBackupFolder));
        }
        registry.SetString(kUser, kRun, "A", "C:\\a.exe");
        registry.SetString(kUser, kRun, "B", "C:\\b.exe");
        RepairContext context{registry, files, store, ui, [] { return BackupTime{2013, 12, 7, 1, 45, 9}; }};
        FakeRows rows;
        rows.rows = {{{"A", "C:\\a.exe", kUserRun, kUserRunSource}, true}, {{"B", "C:\\b.exe", kUserRun, kUserRunSource}, true}};
        const auto outcome = DeleteTickedStartupEntries(rows, context, kBackupFolder);
        EXPECT_EQ(ui.questions.size(), c.folderMissing ? 1u : 0u);
        EXPECT_EQ(outcome.notRemoved, c.notRemoved);
        const auto key = registry.OpenKey(kUser, kRun, Access::Read);
        EXPECT_EQ(key->ValueNames().size(), c.removed ? 0u : 2u - outcome.removed);
        EXPECT_EQ(rows.rows.size(), 2u - outcome.removed);
        if (c.removed) EXPECT_EQ(ParseRegText(store.Content(kBackupFile), true).blocks.size(), 2u);
    }
}

// A row goes back to its own source, never through its shown Location: with
// a language file that lacks the folder labels both read "", and a ticked
// per-user shortcut must not take the all-users one of the same name.
TEST_F(StartupDeleteTest, ARowDeletesItsOwnSourceWhateverItsLocationReads) {
    const auto noLabels = [](const std::string&, const std::string&) { return std::string(); };
    for (const bool userTicked : {true, false}) {
        SCOPED_TRACE(userTicked ? "per-user shortcut ticked" : "all-users shortcut ticked");
        const std::string user = std::string(kUserFolder) + "\\App.lnk";
        const std::string common = std::string(kCommonFolder) + "\\App.lnk";
        for (const std::string& path : {user, common}) {
            files.AddFile(path);
            store.Put(path, "link");
            shortcuts.targets[path] = "C:\\app.exe";
        }
        registry.SetString(kUser, kRun, "App.lnk", "C:\\app.exe");
        rows.rows.clear();
        for (const StartupEntry& entry : ListStartupEntries(registry, files, shortcuts, 12, noLabels))
            Row(entry, (entry.Source.ShellFolder == kCsidlStartup) == userTicked && entry.Source.ShellFolder != 0);
        ASSERT_EQ(rows.rows.size(), 3u);
        EXPECT_EQ(rows.rows[1].first.Location, rows.rows[2].first.Location) << "both labels empty";
        const auto outcome = Delete();
        EXPECT_EQ(outcome.removed, 1u);
        EXPECT_NE(files.FileExists(user), userTicked);
        EXPECT_EQ(files.FileExists(common), userTicked);
        EXPECT_TRUE(registry.OpenKey(kUser, kRun, Access::Read)->ValueExists("App.lnk"));
    }
}

TEST(StartupMessageTest, TheCountComesFirst) {
    EXPECT_EQ(NotRemovedMessage(2), "2 startup entries could not be removed.");
    EXPECT_EQ(NotRemovedMessage(1, &Translated), "1 [startup entries could not be removed.]");
}

}  // namespace
}  // namespace ks
