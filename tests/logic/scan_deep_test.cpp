// The deep walk over a planted in-memory registry: the skip lists and the task
// they belong to, the finding kinds, what is read, the order, and registry
// data of any shape.
#include <gtest/gtest.h>

#include <algorithm>

#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

constexpr const char* kGone = "C:\\Gone\\app.exe";

class DeepScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        files->SetWow64(false);
        files->AddFile("C:\\Here\\app.exe");
        files->SetVariable("SystemRoot", "C:\\Here");
    }

    // Runs one task's check on this thread and returns the key paths found.
    std::vector<std::string> Run(int taskId, std::uint8_t version = 12) {
        files->SetVersionCode(version);
        TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
        worker.RunCheck(taskId);
        handOver->Deliver(view);
        std::vector<std::string> keys;
        for (const auto& finding : view.findings) keys.push_back(finding.KeyPath);
        view.findings.clear();
        return keys;
    }

    bool Found(const std::vector<std::string>& keys, const std::string& keyPath) {
        return std::find(keys.begin(), keys.end(), keyPath) != keys.end();
    }

    void Plant(RootKey root, const std::string& path) { registry->SetString(root, path, "ref", kGone); }

    test::EnglishTexts english;
    std::shared_ptr<test::MemoryRegistry> registry = std::make_shared<test::MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>();
    test::RecordingView view;
};

TEST_F(DeepScanTest, SkipListsApplyOnlyDuringTheirOwnTask) {
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const struct {
        RootKey root;
        std::string path;
        int task;
        bool reported;
    } cases[] = {
        {RootKey::LocalMachine, std::string(run), 3, false},
        {RootKey::LocalMachine, std::string(run) + "\\Below", 3, false},
        {RootKey::LocalMachine, std::string(run) + "OnceEx", 3, true},
        {RootKey::LocalMachine, "software\\microsoft\\windows\\help", 3, false},
        {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\Help2", 3, true},
        {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App", 3, false},
        {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path4", 3,
         false},
        {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path5", 3,
         true},
        // The current-user list is not consulted in task 3.
        {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU", 3, true},
        {RootKey::CurrentUser, "AppEvents\\Schemes\\Apps\\Sound", 4, false},
        {RootKey::CurrentUser, "AppEvents\\Schemes", 4, true},
        {RootKey::CurrentUser, std::string(run), 4, false},
        {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\txt", 4,
         false},
        // The machine list is not consulted in task 4.
        {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\Help", 4, true},
        {RootKey::CurrentUser, "Software\\Classes\\Applications", 4, true},
        // Neither list in task 5.
        {RootKey::Users, "S-1-5-21-1\\AppEvents\\Schemes\\Apps", 5, true},
        {RootKey::Users, "AppEvents\\Schemes\\Apps", 5, true},
        {RootKey::Users, std::string(run), 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " task " + std::to_string(c.task));
        Plant(c.root, c.path);
        const auto keys = Run(c.task);
        EXPECT_EQ(Found(keys, std::string(RootName(c.root)) + "\\" + c.path + "\\ref"), c.reported);
        ASSERT_EQ(registry->DeleteKey(c.root, c.path), Status::Ok);
    }
}

TEST_F(DeepScanTest, WalkerCalledOutsideTasksThreeAndFourSkipsNoListedKey) {
    Plant(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App");
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    worker.RunCheck(21);  // the installer section walks the uninstall entries itself
    handOver->Deliver(view);
    ASSERT_EQ(view.findings.size(), 1u);
    EXPECT_EQ(view.findings[0].KeyPath,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App\\ref");
}

TEST_F(DeepScanTest, Wow6432NodeIsWalkedButNotTheNodeBelowIt) {
    Plant(RootKey::LocalMachine, "Software\\Wow6432Node\\Vendor");
    Plant(RootKey::LocalMachine, "Software\\WOW6432NODE\\wow6432node\\Vendor");
    Plant(RootKey::LocalMachine, "Software\\Wow6432Node\\Wow6432NodeX");  // a prefix is enough
    Plant(RootKey::CurrentUser, "Software\\Wow6432Node\\Wow6432Node\\Vendor");
    auto keys = Run(3);
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor\\ref"}));
    keys = Run(4);
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Wow6432Node\\Vendor\\ref"}));
}

TEST_F(DeepScanTest, VersionSixSkipsAreCaseSensitiveSubstrings) {
    const std::string immersive = "Software\\Microsoft\\Windows\\CurrentVersion\\ImmersiveShell";
    Plant(RootKey::LocalMachine, immersive + "\\Launcher");
    Plant(RootKey::CurrentUser, immersive);
    Plant(RootKey::Users, "S-1\\" + immersive);
    Plant(RootKey::Users, "S-2\\software\\microsoft\\windows\\currentversion\\immersiveshell");
    Plant(RootKey::LocalMachine, "Software\\Microsoft\\PowerShell\\3\\ShellIds");
    Plant(RootKey::LocalMachine, "Software\\Microsoft\\Speech\\Voices\\Tokens");
    Plant(RootKey::CurrentUser, "Software\\Microsoft\\PowerShell\\3");

    // On the other 6.x versions.
    EXPECT_TRUE(Run(3, 11).empty());
    EXPECT_EQ(Run(4, 11), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Microsoft\\PowerShell\\3\\ref"}));
    EXPECT_EQ(Run(5, 11), (std::vector<std::string>{
                              "HKEY_USERS\\S-2\\software\\microsoft\\windows\\currentversion\\immersiveshell\\ref"}));
    // Elsewhere nothing of it applies.
    EXPECT_EQ(Run(3, 12).size(), 3u);
    EXPECT_EQ(Run(4, 12).size(), 2u);
    EXPECT_EQ(Run(5, 12).size(), 2u);
}

TEST_F(DeepScanTest, FindingKindsFollowTheValueName) {
    registry->SetString(RootKey::CurrentUser, "App", "Plain", kGone);
    registry->SetString(RootKey::CurrentUser, "App", "C:\\Gone\\lib.dll", "C:\\Gone\\other.dll");
    registry->SetString(RootKey::CurrentUser, "App", "", kGone);
    registry->SetString(RootKey::CurrentUser, "App", "Present", "C:\\Here\\app.exe /x");
    registry->SetString(RootKey::CurrentUser, "App", "Folder", "C:\\Here");  // folders count
    registry->SetString(RootKey::CurrentUser, "App", "Expand", "%SystemRoot%\\gone.exe", RegType::ExpandString);
    registry->SetString(RootKey::CurrentUser, "App", "Multi", kGone, RegType::MultiString);
    registry->Set(RootKey::CurrentUser, "App", "Bytes", RegType::Binary, kGone);
    registry->Set(RootKey::CurrentUser, "App", "Link", RegType::Link, kGone);
    registry->SetDword(RootKey::CurrentUser, "App", "Number", 7);
    Run(4);
    // Run cleared the findings it returned; walk again keeping them whole.
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    worker.ScanKeyTree("hkey_current_user", "App", worker.ScanDrives, "", "Invalid File or Folder");
    handOver->Deliver(view);
    const std::vector<Finding> expected = {
        {"Invalid File or Folder", "HKEY_CURRENT_USER\\App\\Plain", kGone, RemovalKind::DeleteValueInPath},
        {"Invalid File or Folder", "HKEY_CURRENT_USER\\App", "C:\\Gone\\lib.dll", RemovalKind::DeleteNamedValue},
        {"Invalid File or Folder", "HKEY_CURRENT_USER\\App\\", kGone, RemovalKind::DeleteValueInPath},
        {"Invalid File or Folder", "HKEY_CURRENT_USER\\App\\Expand", "%SystemRoot%\\gone.exe",
         RemovalKind::DeleteValueInPath},
    };
    EXPECT_EQ(view.findings, expected);
}

TEST_F(DeepScanTest, ValuesInTheHiveRootHaveTheRootAsTheirKey) {
    registry->SetString(RootKey::CurrentUser, "", "Plain", kGone);
    registry->SetString(RootKey::CurrentUser, "", "C:\\Gone\\lib.dll", kGone);
    registry->SetString(RootKey::CurrentUser, "", "", kGone);
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    worker.ScanKeyTree("HKEY_CURRENT_USER", "", worker.ScanDrives, "", "Invalid File or Folder");
    handOver->Deliver(view);
    std::vector<std::string> keys;
    for (const auto& finding : view.findings) keys.push_back(finding.KeyPath);
    std::sort(keys.begin(), keys.end());
    // The default value keeps its trailing backslash; no path doubles one.
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\", "HKEY_CURRENT_USER\\Plain"}));
}

TEST_F(DeepScanTest, ValuesBeforeSubkeysDepthFirstInEnumerationOrder) {
    Plant(RootKey::CurrentUser, "B\\Two");
    Plant(RootKey::CurrentUser, "a\\Z");
    Plant(RootKey::CurrentUser, "B");
    Plant(RootKey::CurrentUser, "a\\Y\\Deep");
    Plant(RootKey::CurrentUser, "a");
    registry->SetString(RootKey::CurrentUser, "a", "second", kGone);
    EXPECT_EQ(Run(4), (std::vector<std::string>{
                          "HKEY_CURRENT_USER\\a\\ref", "HKEY_CURRENT_USER\\a\\second", "HKEY_CURRENT_USER\\a\\Y\\Deep\\ref",
                          "HKEY_CURRENT_USER\\a\\Z\\ref", "HKEY_CURRENT_USER\\B\\ref", "HKEY_CURRENT_USER\\B\\Two\\ref"}));
    EXPECT_EQ(view.keysShown.back(), "B\\Two");
}

TEST_F(DeepScanTest, ReadAccessOnlyAndUnreadableKeysAreSkipped) {
    Plant(RootKey::CurrentUser, "ReadOnly\\Child");
    registry->DenyFullAccess(RootKey::CurrentUser, "ReadOnly");
    Plant(RootKey::CurrentUser, "Closed\\Child");
    registry->DenyAccess(RootKey::CurrentUser, "Closed");
    Plant(RootKey::CurrentUser, "NoValues\\Child");
    registry->SetString(RootKey::CurrentUser, "NoValues", "own", kGone);
    registry->FailValueEnumeration(RootKey::CurrentUser, "NoValues");
    Plant(RootKey::CurrentUser, "Vanish");
    registry->VanishValue(RootKey::CurrentUser, "Vanish", "ref");
    EXPECT_EQ(Run(4), (std::vector<std::string>{"HKEY_CURRENT_USER\\NoValues\\Child\\ref",
                                                "HKEY_CURRENT_USER\\ReadOnly\\Child\\ref"}));
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    worker.ScanKeyTree("HKEY_NOWHERE", "", "c", "", "x");
    worker.ScanKeyTree("HKEY_CURRENT_USER", "Missing\\Key", "c", "", "x");
    handOver->Deliver(view);
    EXPECT_TRUE(view.findings.empty());
}

TEST_F(DeepScanTest, NameHintReachesThePathTest) {
    registry->SetString(RootKey::LocalMachine, "Inst", "a", "\"C:\\Gone\\setup.exe\" /uninstall");
    registry->SetString(RootKey::LocalMachine, "Inst", "b", "C:\\Gone\\readme.txt");
    registry->SetString(RootKey::LocalMachine, "Inst", "c", "C:\\Here\\app.exe");
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    worker.ScanKeyTree("HKEY_LOCAL_MACHINE", "Inst", worker.ScanDrives, ".exe", "Installer");
    handOver->Deliver(view);
    ASSERT_EQ(view.findings.size(), 1u);
    EXPECT_EQ(view.findings[0],
              (Finding{"Installer", "HKEY_LOCAL_MACHINE\\Inst\\a", "\"C:\\Gone\\setup.exe\" /uninstall",
                       RemovalKind::DeleteValueInPath}));
}

TEST_F(DeepScanTest, TheDeepestRegistryTreeIsWalkedWithoutRecursion) {
    std::string path = "Deep";
    for (int level = 1; level < 512; ++level) path += "\\L" + std::to_string(level);
    Plant(RootKey::CurrentUser, path);
    const auto keys = Run(4);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], "HKEY_CURRENT_USER\\" + path + "\\ref");
}

TEST_F(DeepScanTest, RegistryStringsOfAnyShapeAreSafe) {
    const std::string megabyte(1 << 20, 'x');
    const struct {
        const char* name;
        std::string data;
        bool reported;
    } cases[] = {
        {"NoTerminator", std::string(kGone), true},
        {"EmbeddedNul", std::string("C:\\Gone\\a.exe\0C:\\Here\\app.exe", 30), true},
        {"NulFirst", std::string("\0C:\\Gone\\a.exe", 14), false},
        {"Empty", std::string(), false},
        {"OddSize", std::string("C:\\Gone\\a.ex", 11), true},
        {"HighBytes", std::string("C:\\Gone\\\xe9\xff\x80.exe\0", 15), true},
        {"Megabyte", "C:\\Gone\\" + megabyte + '\0', true},
        {"MegabyteArgs", "C:\\Here\\app.exe " + megabyte + '\0', false},
        {"AllBytes",
         [] {
             std::string s = "C:\\";
             for (int b = 1; b < 256; ++b) s.push_back(static_cast<char>(b));
             return s;
         }(),
         false},
    };
    for (const auto& c : cases) registry->Set(RootKey::CurrentUser, "Odd", c.name, RegType::String, c.data);
    const auto keys = Run(4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Found(keys, std::string("HKEY_CURRENT_USER\\Odd\\") + c.name), c.reported);
    }
}

}  // namespace
}  // namespace ks
