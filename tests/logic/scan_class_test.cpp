// The class registration checks over a planted in-memory registry: the
// emptiness rules of the extension check per version, the walks a queued deep
// scan makes redundant, and the substring tests of interfaces and application ids.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "settings/text.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

using test::MemoryRegistry;
constexpr RootKey kMachine = RootKey::LocalMachine;
constexpr RootKey kClasses = RootKey::ClassesRoot;
constexpr const char* kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

class ClassChecksTest : public ::testing::Test {
protected:
    void SetUp() override { files->AddFile("C:\\Here\\lib.dll"); }

    std::vector<Finding> Run(int taskId, std::uint8_t version = 12, bool wow64 = false,
                             std::vector<std::string> taskIds = {}) {
        files->SetVersionCode(version);
        files->SetWow64(wow64);
        TScanTaskThread worker(registry, files, SettingsRecord{}, std::move(taskIds), handOver);
        worker.RunCheck(taskId);
        handOver->Deliver(view);
        return std::exchange(view.findings, {});
    }

    static std::vector<std::string> Values(const std::vector<Finding>& findings) {
        std::vector<std::string> values;
        for (const auto& finding : findings) values.push_back(finding.Value);
        return values;
    }

    test::EnglishTexts english;
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>();
    test::RecordingView view;
};

using Planter = std::function<void(MemoryRegistry&, const std::string& path)>;

TEST_F(ClassChecksTest, MachineClassKeysFollowTheRuleOfTheirVersion) {
    struct Case {
        const char* name;
        Planter plant;
        bool orphanedWow64On61;  // 6.1 under WOW64: any value keeps the key
        bool orphanedElsewhere;
    };
    const Case cases[] = {
        {"bare", [](MemoryRegistry& r, const std::string& p) { r.AddKey(kMachine, p); }, true, true},
        {"empty default", [](MemoryRegistry& r, const std::string& p) { r.SetString(kMachine, p, "", ""); }, false, true},
        {"zero-size default", [](MemoryRegistry& r, const std::string& p) { r.Set(kMachine, p, "", RegType::String, ""); },
         false, true},
        {"empty expandable default",
         [](MemoryRegistry& r, const std::string& p) { r.SetString(kMachine, p, "", "", RegType::ExpandString); }, false,
         true},
        {"text default", [](MemoryRegistry& r, const std::string& p) { r.SetString(kMachine, p, "", "txtfile"); }, false,
         false},
        {"integer default", [](MemoryRegistry& r, const std::string& p) { r.SetDword(kMachine, p, "", 0); }, false, false},
        {"bytes default", [](MemoryRegistry& r, const std::string& p) { r.Set(kMachine, p, "", RegType::Binary, ""); },
         false, false},
        // A lone default that is neither text, integer nor bytes is kept.
        {"multi-string default",
         [](MemoryRegistry& r, const std::string& p) { r.Set(kMachine, p, "", RegType::MultiString, std::string(2, '\0')); },
         false, false},
        {"empty named value", [](MemoryRegistry& r, const std::string& p) { r.SetString(kMachine, p, "x", ""); }, false,
         false},
        {"empty default and another",
         [](MemoryRegistry& r, const std::string& p) {
             r.SetString(kMachine, p, "", "");
             r.SetString(kMachine, p, "x", "");
         },
         false, false},
        {"one empty subkey", [](MemoryRegistry& r, const std::string& p) { r.AddKey(kMachine, p + "\\shell"); }, false,
         false},
        {"integer default and a subkey",
         [](MemoryRegistry& r, const std::string& p) {
             r.SetDword(kMachine, p, "", 1);
             r.AddKey(kMachine, p + "\\x");
         },
         false, false},
        {"refuses full access",
         [](MemoryRegistry& r, const std::string& p) { r.DenyFullAccess(kMachine, p); }, false, false},
    };
    const struct {
        std::uint8_t version;
        bool wow64;
        bool strict;
    } flags[] = {{12, true, true}, {12, false, false}, {11, true, false}, {9, false, false}};
    std::vector<std::string> expectedStrict, expectedOther;
    for (const auto& c : cases) {
        c.plant(*registry, std::string("Software\\Classes\\") + c.name);
        if (c.orphanedWow64On61) expectedStrict.push_back(c.name);
        if (c.orphanedElsewhere) expectedOther.push_back(c.name);
    }
    // Enumeration order is the registry's sorted order.
    std::sort(expectedStrict.begin(), expectedStrict.end(), [](auto& a, auto& b) { return CompareNoCase(a, b) < 0; });
    std::sort(expectedOther.begin(), expectedOther.end(), [](auto& a, auto& b) { return CompareNoCase(a, b) < 0; });
    for (const auto& f : flags) {
        SCOPED_TRACE("version " + std::to_string(f.version) + (f.wow64 ? " wow64" : ""));
        const auto found = Run(12, f.version, f.wow64);
        EXPECT_EQ(Values(found), f.strict ? expectedStrict : expectedOther);
        for (const auto& finding : found) {
            EXPECT_EQ(finding.KeyPath, "HKEY_LOCAL_MACHINE\\Software\\Classes");
            EXPECT_EQ(finding.Problem, "Unused File Extension");
            EXPECT_EQ(finding.RemovalKind, RemovalKind::DeleteSubkey);
        }
    }
}

TEST_F(ClassChecksTest, PerUserExtensionsFollowTheRuleOfTheirVersion) {
    struct Case {
        const char* name;
        Planter plant;
        bool wow64On61, on61, other;
    };
    const Case cases[] = {
        {".bare", [](MemoryRegistry& r, const std::string& p) { r.AddKey(RootKey::CurrentUser, p); }, true, true, true},
        {".", [](MemoryRegistry& r, const std::string& p) { r.AddKey(RootKey::CurrentUser, p); }, true, false, true},
        {".empty-default", [](MemoryRegistry& r, const std::string& p) { r.SetString(RootKey::CurrentUser, p, "", ""); },
         false, false, false},
        {".one-empty-subkey",
         [](MemoryRegistry& r, const std::string& p) { r.AddKey(RootKey::CurrentUser, p + "\\OpenWithList"); }, false,
         true, true},
        {".two-empty-subkeys",
         [](MemoryRegistry& r, const std::string& p) {
             r.AddKey(RootKey::CurrentUser, p + "\\OpenWithList");
             r.AddKey(RootKey::CurrentUser, p + "\\OpenWithProgids");
         },
         false, false, false},
        {".chain-to-a-value",
         [](MemoryRegistry& r, const std::string& p) {
             r.SetString(RootKey::CurrentUser, p + "\\OpenWithList", "a", "notepad.exe");
         },
         false, false, false},
        {".refused",
         [](MemoryRegistry& r, const std::string& p) { r.DenyFullAccess(RootKey::CurrentUser, p); }, false, true, true},
    };
    std::vector<std::string> expected[3];
    for (const auto& c : cases) {
        c.plant(*registry, std::string(kFileExts) + "\\" + c.name);
        const bool rules[3] = {c.wow64On61, c.on61, c.other};
        for (int i = 0; i < 3; ++i)
            if (rules[i]) expected[i].push_back(c.name);
    }
    for (auto& list : expected)
        std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return CompareNoCase(a, b) < 0; });
    const struct {
        std::uint8_t version;
        bool wow64;
        int rule;
    } flags[] = {{12, true, 0}, {12, false, 1}, {11, false, 2}, {11, true, 2}};
    for (const auto& f : flags) {
        SCOPED_TRACE("version " + std::to_string(f.version) + (f.wow64 ? " wow64" : ""));
        const auto found = Run(12, f.version, f.wow64);
        EXPECT_EQ(Values(found), expected[f.rule]);
        for (const auto& finding : found) EXPECT_EQ(finding.KeyPath, std::string("HKEY_CURRENT_USER\\") + kFileExts);
    }
}

TEST_F(ClassChecksTest, AQueuedDeepScanSkipsTheClassAndTypeLibraryWalksOnly) {
    registry->SetString(kClasses, "CLSID\\{A}", "", "Gone class");
    registry->SetString(kClasses, "CLSID\\{A}\\InprocServer32", "", "C:\\Gone\\a.dll");
    registry->SetString(kClasses, "CLSID\\{A}", "AppID", "{NOAPP}");
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\0\\win32", "", "C:\\Gone\\l.dll");
    registry->SetString(kClasses, "Interface\\{I}", "", "IGone");
    registry->SetString(kClasses, "Interface\\{I}\\TypeLib", "", "{UNREGISTERED}");
    const std::vector<std::string> withoutDeep = {
        "HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32", "HKEY_CLASSES_ROOT\\Interface\\{I}",
        "HKEY_CLASSES_ROOT\\TypeLib\\{L}\\1.0\\0\\win32\\", "HKEY_CLASSES_ROOT\\CLSID\\{A}"};
    const std::vector<std::string> withDeep = {"HKEY_CLASSES_ROOT\\Interface\\{I}", "HKEY_CLASSES_ROOT\\CLSID\\{A}"};
    const struct {
        std::vector<std::string> ids;
        bool deep;
    } cases[] = {
        {{}, false}, {{"4", "5", "13", "19"}, false}, {{"x", "30"}, false}, {{"3"}, true}, {{"19", "13", "3"}, true},
    };
    for (const auto& c : cases) {
        std::string trace;
        for (const auto& id : c.ids) trace += id + " ";
        SCOPED_TRACE(trace);
        std::vector<std::string> keys;
        for (int task : {13, 19})
            for (const auto& finding : Run(task, 12, false, c.ids)) keys.push_back(finding.KeyPath);
        EXPECT_EQ(keys, c.deep ? withDeep : withoutDeep);
    }
}

TEST_F(ClassChecksTest, ClassDefaultsAreTestedAtEveryDepthAndTheTypeLibraryWalkWantsADll) {
    registry->SetString(kClasses, "CLSID", "", "C:\\Gone\\root.exe");
    registry->SetString(kClasses, "CLSID\\{A}", "", "Plain name");
    registry->SetString(kClasses, "CLSID\\{A}\\InprocServer32", "", "C:\\Here\\lib.dll");
    registry->SetString(kClasses, "CLSID\\{A}\\LocalServer32", "", "C:\\Gone\\srv.exe /auto", RegType::ExpandString);
    registry->SetString(kClasses, "CLSID\\{A}\\DefaultIcon\\Deep", "", "C:\\Gone\\icon.ico");
    registry->SetString(kClasses, "CLSID\\{B}", "", "C:\\Gone\\", RegType::MultiString);
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\0\\win32", "", "C:\\Gone\\l.dll");
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\HELPDIR", "", "C:\\Gone");
    registry->SetString(kClasses, "TypeLib\\{L}\\1.0\\0\\win64", "", "C:\\Here\\lib.dll");
    const std::vector<Finding> controls = {
        // The key of every class loses only its stale default value.
        {"Custom Controls Issue", "HKEY_CLASSES_ROOT\\CLSID", "C:\\Gone\\root.exe", RemovalKind::DeleteDefaultValue},
        {"Custom Controls Issue", "HKEY_CLASSES_ROOT\\CLSID\\{A}\\DefaultIcon\\Deep", "C:\\Gone\\icon.ico",
         RemovalKind::DeleteKey},
        {"Custom Controls Issue", "HKEY_CLASSES_ROOT\\CLSID\\{A}\\LocalServer32", "C:\\Gone\\srv.exe /auto",
         RemovalKind::DeleteKey},
    };
    EXPECT_EQ(Run(13), controls);
    const std::vector<Finding> activeX = {
        {"ActiveX Issue", "HKEY_CLASSES_ROOT\\TypeLib\\{L}\\1.0\\0\\win32\\", "C:\\Gone\\l.dll",
         RemovalKind::DeleteValueInPath},
    };
    EXPECT_EQ(Run(19), activeX);
}

TEST_F(ClassChecksTest, AnInterfaceIsReportedUnlessItsLibraryIdIsPartOfARegisteredName) {
    registry->AddKey(kClasses, "TypeLib\\{00020430-0000-0000-C000-000000000046}");
    registry->AddKey(kClasses, "TypeLib\\{ABC}_old");
    struct Case {
        const char* id;
        Planter plant;
        const char* reported;  // the finding's Value, or null
    };
    auto withLib = [](const char* name, std::string libId, std::uint32_t type = RegType::String) {
        return [=](MemoryRegistry& r, const std::string& p) {
            r.SetString(kClasses, p, "", name);
            r.SetString(kClasses, p + "\\TypeLib", "", libId, type);
            r.SetString(kClasses, p + "\\TypeLib", "Version", "1.0");
        };
    };
    const Case cases[] = {
        {"{01}", withLib("IExact", "{00020430-0000-0000-C000-000000000046}"), nullptr},
        {"{02}", withLib("ILower", "{00020430-0000-0000-c000-000000000046}"), nullptr},
        {"{03}", withLib("IPart", "abc}"), nullptr},
        {"{04}", withLib("IMissing", "{DEF}"), "IMissing - {DEF}"},
        {"{05}", withLib("IEmpty", ""), "IEmpty - "},
        {"{06}", withLib("IExpand", "{XYZ}", RegType::ExpandString), "IExpand - {XYZ}"},
        {"{07}", withLib("INumber", "1", RegType::Dword), nullptr},
        {"{08}", [](MemoryRegistry& r, const std::string& p) { r.SetString(kClasses, p, "", "INoLib"); }, nullptr},
        {"{09}",
         [](MemoryRegistry& r, const std::string& p) {
             r.SetDword(kClasses, p, "", 1);
             r.SetString(kClasses, p + "\\TypeLib", "", "{DEF}");
         },
         nullptr},
        {"{10}",
         [](MemoryRegistry& r, const std::string& p) { r.SetString(kClasses, p + "\\TypeLib", "", "{DEF}"); }, nullptr},
        {"{11}", withLib("", "{DEF}"), " - {DEF}"},
    };
    std::vector<Finding> expected;
    for (const auto& c : cases) {
        c.plant(*registry, std::string("Interface\\") + c.id);
        if (c.reported)
            expected.push_back({"Custom Controls Issue", std::string("HKEY_CLASSES_ROOT\\Interface\\") + c.id, c.reported,
                                RemovalKind::DeleteKey});
    }
    EXPECT_EQ(Run(13), expected);
}

TEST_F(ClassChecksTest, AClassIsReportedUnlessItsApplicationIdIsRegisteredOrItIsExempt) {
    registry->AddKey(kClasses, "AppID\\{APP-1}");
    registry->AddKey(kClasses, "AppID\\{CLASS-AS-APP}");
    registry->AddKey(kClasses, "AppID\\prefix{APP-2}suffix");
    struct Case {
        const char* id;
        std::string appId;
        std::uint32_t appIdType;
        const char* server;  // InprocServer32 default, or null for no such key
        bool reported;
    };
    const Case cases[] = {
        {"{C01}", "{APP-1}", RegType::String, nullptr, false},
        {"{C02}", "{app-1}", RegType::String, nullptr, false},
        {"{C03}", "{APP-2}", RegType::ExpandString, nullptr, false},
        {"{CLASS-AS-APP}", "{NONE}", RegType::String, nullptr, false},
        {"{C05}", "{NONE}", RegType::String, nullptr, true},
        {"{C06}", "{NONE}", RegType::String, "C:\\Windows\\System32\\OLEACC.DLL", false},
        {"{C07}", "{NONE}", RegType::String, "%SystemRoot%\\system32\\OleAcc.dll,1", false},
        {"{C08}", "{NONE}", RegType::String, "C:\\x\\server.dll", true},
        {"{C09}", "", RegType::String, nullptr, false},
        {"{C10}", "1", RegType::Dword, nullptr, false},
    };
    std::vector<Finding> expected;
    for (const auto& c : cases) {
        const std::string path = std::string("CLSID\\") + c.id;
        if (c.appIdType == RegType::Dword) registry->SetDword(kClasses, path, "AppID", 1);
        else registry->SetString(kClasses, path, "AppID", c.appId, c.appIdType);
        if (c.server) registry->SetString(kClasses, path + "\\InprocServer32", "", c.server);
    }
    // A server key whose default is not text keeps the class.
    registry->SetString(kClasses, "CLSID\\{C11}", "AppID", "{NONE}");
    registry->SetDword(kClasses, "CLSID\\{C11}\\InprocServer32", "", 0);
    for (const auto& c : cases)
        if (c.reported)
            expected.push_back(
                {"ActiveX Issue", std::string("HKEY_CLASSES_ROOT\\CLSID\\") + c.id, c.appId, RemovalKind::DeleteKey});
    std::sort(expected.begin(), expected.end(),
              [](const Finding& a, const Finding& b) { return CompareNoCase(a.KeyPath, b.KeyPath) < 0; });
    EXPECT_EQ(Run(19), expected);

    // The exempt class is compared with case.
    for (const auto& c : cases) ASSERT_EQ(registry->DeleteKey(kClasses, std::string("CLSID\\") + c.id), Status::Ok);
    ASSERT_EQ(registry->DeleteKey(kClasses, "CLSID\\{C11}"), Status::Ok);
    for (const char* id : {"{91C4C540-9FDD-11D2-AFAA-00105A305A2B}", "{91c4c540-9fdd-11d2-afaa-00105a305a2b}"}) {
        SCOPED_TRACE(id);
        const std::string path = std::string("CLSID\\") + id;
        registry->SetString(kClasses, path, "AppID", "{NONE}");
        EXPECT_EQ(Run(19).size(), id[1] == '9' && id[3] == 'C' ? 0u : 1u);
        ASSERT_EQ(registry->DeleteKey(kClasses, path), Status::Ok);
    }
}

}  // namespace
}  // namespace ks
