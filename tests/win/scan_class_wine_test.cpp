// The class registration sections over Wine's real registry: planted
// extension, class, interface, type-library and application-id keys, good and
// stale, found exactly, repaired with the verified backup where each key lives,
// and brought back whole by the registry editor of this program's view.
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/win/system_info.h"
#include "support/quiet_repair_ui.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

constexpr const char* kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

class ClassChecksWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        tag = "KS" + std::to_string(GetCurrentProcessId());
        present = folder.path() + "\\present.dll";
        ASSERT_TRUE(test::WriteWholeFile(present, "MZ"));
        gone = folder.path() + "\\gone.dll";
        // Wine's classes root is the machine's alone, so class keys go there;
        // each name carries this process's tag and is removed afterwards.
        machineKeys = {".ext" + tag + "-bare",
                       ".ext" + tag + "-emptydefault",
                       ".ext" + tag + "-text",
                       ".ext" + tag + "-integer",
                       "CLSID\\{" + tag + "-GOOD}",
                       "CLSID\\{" + tag + "-STALE}",
                       "AppID\\{" + tag + "-APP}",
                       "TypeLib\\{" + tag + "-LIB}",
                       "TypeLib\\{" + tag + "-GONELIB}",
                       "Interface\\{" + tag + "-IGOOD}",
                       "Interface\\{" + tag + "-ISTALE}"};
        userKeys = {".u" + tag + "-bare", ".u" + tag + "-oneempty", ".u" + tag + "-used"};
        TearDown();
    }

    void TearDown() override {
        for (const auto& key : machineKeys)
            for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
                const std::string path = "Software\\Classes\\" + key;
                const size_t slash = path.rfind('\\');
                HKEY parent = nullptr;
                if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view,
                                  &parent) != ERROR_SUCCESS)
                    continue;
                RegDeleteTreeA(parent, path.substr(slash + 1).c_str());
                RegCloseKey(parent);
            }
        for (const auto& key : userKeys) RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kFileExts) + "\\" + key).c_str());
    }

    void SetText(RootKey root, const std::string& path, const std::string& name, const std::string& text) {
        auto key = registry->CreateKey(root, path);
        ASSERT_NE(key, nullptr) << path;
        ASSERT_EQ(key->SetValue(RegValue{name, RegType::String, text + '\0'}), Status::Ok);
    }
    void SetClass(const std::string& path, const std::string& name, const std::string& text) {
        SetText(RootKey::ClassesRoot, path, name, text);
    }

    // Every planted key as the registry holds it, by where it lives.
    std::vector<test::StoredKey> DumpPlanted() {
        std::vector<test::StoredKey> keys;
        for (const auto& key : machineKeys)
            keys.push_back(test::Dump(HKEY_LOCAL_MACHINE, test::Wide("Software\\Classes\\" + key)));
        for (const auto& key : userKeys)
            keys.push_back(test::Dump(HKEY_CURRENT_USER, test::Wide(std::string(kFileExts) + "\\" + key)));
        return keys;
    }

    std::vector<Finding> Scan(const std::vector<std::string>& ids) {
        test::WaitableWakeUp wakeUp;
        auto handOver = std::make_shared<ScanHandOver>(&wakeUp);
        test::RecordingView view;
        TScanTaskThread::Start(std::make_unique<TScanTaskThread>(registry, files, SettingsRecord{}, ids, handOver));
        EXPECT_TRUE(test::PumpUntil(*handOver, view, wakeUp, [&] { return view.finished || view.failed; },
                                    std::chrono::minutes(5)));
        EXPECT_TRUE(view.finished);
        return view.findings;
    }

    test::EnglishTexts english;
    test::ScratchFolder folder{"classes"};
    std::shared_ptr<Registry> registry = MakeWin32Registry();
    std::shared_ptr<FileSystem> files = MakeWin32FileSystem();
    std::string tag, present, gone;
    std::vector<std::string> machineKeys, userKeys;
};

TEST_F(ClassChecksWineTest, PlantedKeysAreFoundExactlyRepairedWhereTheyLiveAndRestored) {
    // Extensions and classes directly below the machine's classes.
    ASSERT_NE(registry->CreateKey(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[0]), nullptr);
    SetText(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[1], "", "");
    SetText(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[2], "", "txtfile");
    ASSERT_EQ(registry->CreateKey(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[3])
                  ->SetValue(RegValue{"", RegType::Dword, std::string(4, '\0')}),
              Status::Ok);
    // Classes, with and without their server file and application id.
    const std::string good = "CLSID\\{" + tag + "-GOOD}", stale = "CLSID\\{" + tag + "-STALE}";
    SetClass(good, "", "Good class");
    SetClass(good, "AppID", "{" + tag + "-APP}");
    SetClass(good + "\\InprocServer32", "", present);
    SetClass(good + "\\InprocServer32", "ThreadingModel", "Both");
    SetClass(stale, "", "Stale class");
    SetClass(stale, "AppID", "{" + tag + "-NOAPP}");
    SetClass(stale + "\\InprocServer32", "", gone);
    SetClass("AppID\\{" + tag + "-APP}", "", "Good application");
    SetClass("TypeLib\\{" + tag + "-LIB}\\1.0", "", "Good library");
    SetClass("TypeLib\\{" + tag + "-LIB}\\1.0\\0\\win32", "", present);
    SetClass("TypeLib\\{" + tag + "-GONELIB}\\1.0\\0\\win32", "", gone);
    SetClass("TypeLib\\{" + tag + "-GONELIB}\\1.0\\HELPDIR", "", folder.path());
    SetClass("Interface\\{" + tag + "-IGOOD}", "", "IGood");
    SetClass("Interface\\{" + tag + "-IGOOD}\\TypeLib", "", "{" + tag + "-LIB}");
    SetClass("Interface\\{" + tag + "-ISTALE}", "", "IStale");
    SetClass("Interface\\{" + tag + "-ISTALE}\\TypeLib", "", "{" + tag + "-NOLIB}");
    SetClass("Interface\\{" + tag + "-ISTALE}\\TypeLib", "Version", "1.0");
    // The user's extension choices.
    const std::string exts = std::string(kFileExts) + "\\";
    ASSERT_NE(registry->CreateKey(RootKey::CurrentUser, exts + userKeys[0]), nullptr);
    ASSERT_NE(registry->CreateKey(RootKey::CurrentUser, exts + userKeys[1] + "\\OpenWithList"), nullptr);
    SetText(RootKey::CurrentUser, exts + userKeys[2] + "\\OpenWithList", "a", "notepad.exe");

    // Under WOW64 on 6.1 one value, even empty, and one subkey keep a key.
    const bool wow64On61 = IsWow64() && files->WindowsVersionCode() == 12;
    const std::string unused = "Unused File Extension";
    std::vector<Finding> expected = {
        {unused, "HKEY_LOCAL_MACHINE\\Software\\Classes", machineKeys[0], RemovalKind::DeleteSubkey}};
    if (!wow64On61) expected.push_back({unused, "HKEY_LOCAL_MACHINE\\Software\\Classes", machineKeys[1], RemovalKind::DeleteSubkey});
    expected.push_back({unused, std::string("HKEY_CURRENT_USER\\") + kFileExts, userKeys[0], RemovalKind::DeleteSubkey});
    if (!wow64On61) expected.push_back({unused, std::string("HKEY_CURRENT_USER\\") + kFileExts, userKeys[1], RemovalKind::DeleteSubkey});
    expected.push_back({"Custom Controls Issue", "HKEY_CLASSES_ROOT\\" + stale + "\\InprocServer32", gone,
                        RemovalKind::DeleteKey});
    expected.push_back({"Custom Controls Issue", "HKEY_CLASSES_ROOT\\Interface\\{" + tag + "-ISTALE}",
                        "IStale - {" + tag + "-NOLIB}", RemovalKind::DeleteKey});
    expected.push_back({"ActiveX Issue", "HKEY_CLASSES_ROOT\\TypeLib\\{" + tag + "-GONELIB}\\1.0\\0\\win32\\", gone,
                        RemovalKind::DeleteValueInPath});
    expected.push_back({"ActiveX Issue", "HKEY_CLASSES_ROOT\\" + stale, "{" + tag + "-NOAPP}", RemovalKind::DeleteKey});

    std::vector<Finding> ours;
    for (auto& finding : Scan({"12", "13", "19"}))
        if ((finding.KeyPath + "\\" + finding.Value).find(tag) != std::string::npos) ours.push_back(finding);
    ASSERT_EQ(ours, expected);

    // The repair, as the problem list runs it: last row first.
    const std::vector<test::StoredKey> before = DumpPlanted();
    auto store = MakeWin32BackupStore();
    auto fidelity = MakeWin32TextFidelity();
    test::QuietRepairUi ui;
    RepairContext context{*registry, *files, *store, ui, [] { return BackupTime{2014, 1, 2, 3, 4, 5}; },
                          SystemLeadBytes(), fidelity.get()};
    RepairOptions options;
    options.OutputDirectory = folder.path();
    ProblemListModel list;
    for (const auto& finding : ours) {
        list.Append(finding);
        list.SetChecked(list.Count() - 1, true);
    }
    UnrepairedFindings unrepaired;
    std::string backupFile;
    const auto outcome = RepairFindings(list, unrepaired, context, options, backupFile);
    EXPECT_TRUE(outcome.finished);
    // The whole stale class went first (the last row), taking its server key
    // with it: that row found nothing left to remove.
    EXPECT_EQ(outcome.removed, expected.size() - 1);
    EXPECT_EQ(unrepaired.Keys, std::vector<std::string>{expected[expected.size() - 4].KeyPath});

    // Each class key was backed up under the hive that holds it.
    const std::string text = test::ReadWholeFile(backupFile);
    EXPECT_EQ(text.find("[HKEY_CLASSES_ROOT"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\" + stale + "]"), std::string::npos) << text;
    EXPECT_FALSE(registry->KeyExists(RootKey::ClassesRoot, stale));
    EXPECT_FALSE(registry->KeyExists(RootKey::ClassesRoot, "Interface\\{" + tag + "-ISTALE}"));
    EXPECT_TRUE(registry->KeyExists(RootKey::ClassesRoot, good + "\\InprocServer32"));
    EXPECT_TRUE(registry->KeyExists(RootKey::ClassesRoot, "Interface\\{" + tag + "-IGOOD}\\TypeLib"));
    EXPECT_TRUE(registry->KeyExists(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[2]));
    EXPECT_TRUE(registry->KeyExists(RootKey::CurrentUser, exts + userKeys[2]));
    EXPECT_NE(DumpPlanted(), before);

    test::ImportWithRegistryEditor(backupFile);
    const auto after = DumpPlanted();
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i < machineKeys.size() ? machineKeys[i] : userKeys[i - machineKeys.size()]);
        EXPECT_EQ(after[i], before[i]);
    }
    // The editor restored into this program's view, not the other one.
    if (IsWow64()) {
        HKEY other = nullptr;
        EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + stale).c_str(), 0,
                                KEY_READ | KEY_WOW64_64KEY, &other),
                  ERROR_SUCCESS);
        if (other) RegCloseKey(other);
    }
}

TEST_F(ClassChecksWineTest, TheClassesRootNamesTheHiveThatHoldsAKey) {
    SetText(RootKey::LocalMachine, "Software\\Classes\\" + machineKeys[2], "", "txtfile");
    // A key only the user's classes hold: the classes root shows it where it
    // merges them (Windows), and then it is the user's; Wine 8 does not merge.
    const std::string userOnly = ".ext" + tag + "-bare";
    SetText(RootKey::CurrentUser, "Software\\Classes\\" + userOnly, "", "user");
    const bool merged = registry->KeyExists(RootKey::ClassesRoot, userOnly);
    const struct {
        std::string path;
        std::optional<RootKey> home;
    } cases[] = {
        {machineKeys[2], RootKey::LocalMachine},
        {"CLSID", RootKey::LocalMachine},
        {"TypeLib", RootKey::LocalMachine},
        {userOnly, merged ? std::optional(RootKey::CurrentUser) : std::nullopt},
        {".ext" + tag + "-missing", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(registry->ClassesRootHome(c.path), c.home);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Classes\\" + userOnly).c_str());
}

}  // namespace
}  // namespace ks
