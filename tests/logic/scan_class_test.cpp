// The class registration checks over a planted in-memory registry: the
// emptiness rules of the extension check per version, the walks a queued deep
// scan makes redundant, and the substring tests of interfaces and application ids.
#include <gtest/gtest.h>

#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

constexpr RootKey kClasses = RootKey::ClassesRoot;
constexpr const char* kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

class ClassChecksTest : public ::testing::Test {
protected:
    std::vector<Finding> Run(int taskId, std::uint8_t version = 12, bool wow64 = false,
                             std::vector<std::string> taskIds = {}) {
        files->SetVersionCode(version);
        files->SetWow64(wow64);
        TScanTaskThread worker(registry, files, SettingsRecord{}, std::move(taskIds), handOver);
        worker.RunCheck(taskId);
        handOver->Deliver(view);
        return std::exchange(view.findings, {});
    }

    test::EnglishTexts english;
    std::shared_ptr<test::MemoryRegistry> registry = std::make_shared<test::MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>();
    test::RecordingView view;
};

TEST_F(ClassChecksTest, ExtensionKeysFollowTheRuleOfTheirVersion) {
    // Each shape is planted as a class key of the machine and as an extension
    // of the user; the columns say where it is reported: machine and user
    // under WOW64 on 6.1, then machine and user elsewhere.
    struct Case {
        const char* name;
        std::uint32_t defaultType;  // RegType::None for no default value
        const char* defaultData;
        const char* below;  // subkeys, separated by '|', a value "v" on any ending in '='
        bool refused;
        bool wow64Machine, wow64User, machine, user;
    };
    const Case cases[] = {
        {"bare", RegType::None, "", "", false, true, true, true, true},
        {"empty-default", RegType::String, "", "", false, false, false, true, false},
        {"zero-size-default", RegType::String, nullptr, "", false, false, false, true, false},
        {"empty-expandable", RegType::ExpandString, "", "", false, false, false, true, false},
        {"text-default", RegType::String, "txtfile", "", false, false, false, false, false},
        {"integer-default", RegType::Dword, "", "", false, false, false, false, false},
        {"bytes-default", RegType::Binary, "", "", false, false, false, false, false},
        // A lone default that is neither text, integer nor bytes keeps the key.
        {"multi-string-default", RegType::MultiString, "", "", false, false, false, false, false},
        {"one-empty-subkey", RegType::None, "", "a", false, false, false, false, true},
        {"chain-to-a-value", RegType::None, "", "a\\b=", false, false, false, false, false},
        {"two-empty-subkeys", RegType::None, "", "a|b", false, false, false, false, false},
        {"refused", RegType::None, "", "", true, false, false, false, true},
    };
    std::vector<std::string> expected[4];
    for (const auto& c : cases) {
        for (const auto& [root, parent] : {std::pair{RootKey::LocalMachine, std::string("Software\\Classes")},
                                           std::pair{RootKey::CurrentUser, std::string(kFileExts)}}) {
            const std::string path = parent + "\\" + c.name;
            registry->AddKey(root, path);
            if (c.defaultType == RegType::Dword) registry->SetDword(root, path, "", 1);
            else if (c.defaultType != RegType::None)
                registry->Set(root, path, "", c.defaultType, c.defaultData ? std::string(c.defaultData) + '\0' : "");
            std::string_view below = c.below;
            while (!below.empty()) {
                const std::string sub(below.substr(0, below.find('|')));
                if (sub.back() == '=') registry->SetString(root, path + "\\" + sub.substr(0, sub.size() - 1), "v", "x");
                else registry->AddKey(root, path + "\\" + sub);
                below.remove_prefix(std::min(below.size(), sub.size() + 1));
            }
            if (c.refused) registry->DenyFullAccess(root, path);
        }
        const bool columns[4] = {c.wow64Machine, c.wow64User, c.machine, c.user};
        for (int i = 0; i < 4; ++i)
            if (columns[i]) expected[i].push_back(c.name);
    }
    for (auto& list : expected) std::sort(list.begin(), list.end());
    // On 6.1 without WOW64 the user's "." is kept; elsewhere it is tested.
    registry->AddKey(RootKey::CurrentUser, std::string(kFileExts) + "\\.");
    const struct {
        std::uint8_t version;
        bool wow64;
        int column;
        bool dotReported;
    } flags[] = {{12, true, 0, true}, {12, false, 2, false}, {11, true, 2, true}, {9, false, 2, true}};
    for (const auto& f : flags) {
        SCOPED_TRACE("version " + std::to_string(f.version) + (f.wow64 ? " wow64" : ""));
        std::vector<std::string> machine, user;
        for (const auto& finding : Run(12, f.version, f.wow64)) {
            EXPECT_EQ(finding.RemovalKind, RemovalKind::DeleteSubkey);
            if (finding.KeyPath == "HKEY_LOCAL_MACHINE\\Software\\Classes") machine.push_back(finding.Value);
            else if (finding.KeyPath == std::string("HKEY_CURRENT_USER\\") + kFileExts) user.push_back(finding.Value);
            else ADD_FAILURE() << finding.KeyPath;
        }
        EXPECT_EQ(machine, expected[f.column]);
        auto userExpected = expected[f.column + 1];
        if (f.dotReported) userExpected.insert(userExpected.begin(), ".");
        EXPECT_EQ(user, userExpected);
    }
}

TEST_F(ClassChecksTest, AQueuedDeepScanSkipsTheClassAndTypeLibraryWalksOnly) {
    files->AddFile("C:\\Here\\lib.dll");
    registry->SetString(kClasses, "CLSID", "", "C:\\Gone\\root.exe");
    registry->SetString(kClasses, "CLSID\\{A}", "", "Plain name");
    registry->SetString(kClasses, "CLSID\\{A}", "AppID", "{NOAPP}");
    registry->SetString(kClasses, "CLSID\\{A}\\InprocServer32", "", "C:\\Here\\lib.dll");
    registry->SetString(kClasses, "CLSID\\{A}\\Local\\Deep", "", "C:\\Gone\\a.exe /x", RegType::ExpandString);
    registry->SetString(kClasses, "CLSID\\{B}", "", "C:\\Gone\\b.exe", RegType::MultiString);
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\0\\win32", "", "C:\\Gone\\l.dll");
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\HELPDIR", "", "C:\\Gone");
    registry->SetString(kClasses, "Interface\\{I}", "", "IGone");
    registry->SetString(kClasses, "Interface\\{I}\\TypeLib", "", "{UNREGISTERED}");
    registry->AddKey(kClasses, "AppID");
    const Finding interface{"Custom Controls Issue", "HKEY_CLASSES_ROOT\\Interface\\{I}", "IGone - {UNREGISTERED}",
                            RemovalKind::DeleteKey};
    const Finding appId{"ActiveX Issue", "HKEY_CLASSES_ROOT\\CLSID\\{A}", "{NOAPP}", RemovalKind::DeleteKey};
    const std::vector<Finding> withoutDeep = {
        // The key that holds every class loses only its stale default value.
        {"Custom Controls Issue", "HKEY_CLASSES_ROOT\\CLSID", "C:\\Gone\\root.exe", RemovalKind::DeleteDefaultValue},
        {"Custom Controls Issue", "HKEY_CLASSES_ROOT\\CLSID\\{A}\\Local\\Deep", "C:\\Gone\\a.exe /x",
         RemovalKind::DeleteKey},
        interface,
        {"ActiveX Issue", "HKEY_CLASSES_ROOT\\TypeLib\\{L}\\1.0\\0\\win32\\", "C:\\Gone\\l.dll",
         RemovalKind::DeleteValueInPath},
        appId};
    const struct {
        std::vector<std::string> ids;
        bool deep;
    } cases[] = {{{}, false}, {{"4", "5", "13", "19"}, false}, {{"x", "30"}, false}, {{"3"}, true}, {{"19", "13", "3"}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.ids));
        auto found = Run(13, 12, false, c.ids);
        const auto activeX = Run(19, 12, false, c.ids);
        found.insert(found.end(), activeX.begin(), activeX.end());
        EXPECT_EQ(found, c.deep ? std::vector<Finding>({interface, appId}) : withoutDeep);
    }
}

TEST_F(ClassChecksTest, InterfacesAndClassesAreKeptWhenTheirIdIsPartOfARegisteredName) {
    registry->AddKey(kClasses, "TypeLib\\{00020430-0000-0000-C000-000000000046}");
    registry->AddKey(kClasses, "TypeLib\\{ABC}_old");
    registry->AddKey(kClasses, "AppID\\{APP-1}");
    registry->AddKey(kClasses, "AppID\\{CLASS-AS-APP}");
    registry->AddKey(kClasses, "AppID\\prefix{APP-2}suffix");
    struct Case {
        std::string key;    // below Interface or CLSID
        std::string name;   // the interface's default, or the class's InprocServer32 default
        std::string id;     // the interface's library id, or the class's AppID
        std::uint32_t type;
        const char* value;  // the finding's Value, or null
    };
    const Case interfaces[] = {
        {"{01}", "IExact", "{00020430-0000-0000-C000-000000000046}", RegType::String, nullptr},
        {"{02}", "ILower", "{00020430-0000-0000-c000-000000000046}", RegType::String, nullptr},
        {"{03}", "IPart", "abc}", RegType::String, nullptr},
        {"{04}", "IMissing", "{DEF}", RegType::ExpandString, "IMissing - {DEF}"},
        {"{05}", "IEmpty", "", RegType::String, "IEmpty - "},
        {"{06}", "", "{DEF}", RegType::String, " - {DEF}"},
        {"{07}", "INumber", "\1\0\0", RegType::Dword, nullptr},
        {"{08}", "INoLib", "", RegType::None, nullptr},
    };
    const Case classes[] = {
        {"{C01}", "", "{app-1}", RegType::String, nullptr},
        {"{C02}", "", "{APP-2}", RegType::ExpandString, nullptr},
        {"{CLASS-AS-APP}", "", "{NONE}", RegType::String, nullptr},
        {"{C03}", "", "{NONE}", RegType::String, "{NONE}"},
        {"{C04}", "C:\\Windows\\System32\\OLEACC.DLL", "{NONE}", RegType::String, nullptr},
        {"{C05}", "%SystemRoot%\\system32\\OleAcc.dll,1", "{NONE}", RegType::String, nullptr},
        {"{C06}", "C:\\x\\server.dll", "{NONE}", RegType::String, "{NONE}"},
        {"{C07}", "", "", RegType::String, nullptr},
        {"{C08}", "", "\1\0\0", RegType::Dword, nullptr},
        {"{91C4C540-9FDD-11D2-AFAA-00105A305A2B}", "", "{NONE}", RegType::String, nullptr},
    };
    std::vector<Finding> expected;
    for (const auto& c : interfaces) {
        const std::string path = "Interface\\" + c.key;
        registry->SetString(kClasses, path, "", c.name);
        if (c.type != RegType::None) registry->Set(kClasses, path + "\\TypeLib", "", c.type, c.id + '\0');
        if (c.value) expected.push_back({"Custom Controls Issue", "HKEY_CLASSES_ROOT\\" + path, c.value, RemovalKind::DeleteKey});
    }
    // An interface whose own default is not text is never reported.
    registry->SetDword(kClasses, "Interface\\{09}", "", 1);
    registry->SetString(kClasses, "Interface\\{09}\\TypeLib", "", "{DEF}");
    EXPECT_EQ(Run(13), expected);

    expected.clear();
    for (const auto& c : classes) {
        const std::string path = "CLSID\\" + c.key;
        registry->Set(kClasses, path, "AppID", c.type, c.id + '\0');
        if (!c.name.empty()) registry->SetString(kClasses, path + "\\InprocServer32", "", c.name);
        if (c.value) expected.push_back({"ActiveX Issue", "HKEY_CLASSES_ROOT\\" + path, c.value, RemovalKind::DeleteKey});
    }
    // A server whose default is not text keeps the class.
    registry->SetString(kClasses, "CLSID\\{C09}", "AppID", "{NONE}");
    registry->SetDword(kClasses, "CLSID\\{C09}\\InprocServer32", "", 0);
    EXPECT_EQ(Run(19), expected);
    // The exempt class is compared with case.
    ASSERT_EQ(registry->DeleteKey(kClasses, "CLSID"), Status::Ok);
    registry->SetString(kClasses, "CLSID\\{91c4c540-9fdd-11d2-afaa-00105a305a2b}", "AppID", "{NONE}");
    EXPECT_EQ(Run(19).size(), 1u);
}

}  // namespace
}  // namespace ks
