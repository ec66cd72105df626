// The location sections over a planted in-memory registry: per section the
// entries that are stale and those that are not, the finding each stale one
// gives, the texts by their language keys, and the quiet ends.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "scan/scan_task_thread.h"
#include "settings/localisation.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

using test::MemoryRegistry;

constexpr RootKey HKLM = RootKey::LocalMachine;
constexpr RootKey HKCU = RootKey::CurrentUser;
const std::string kMachine = "HKEY_LOCAL_MACHINE\\";
const std::string kWindows = "Software\\Microsoft\\Windows\\CurrentVersion\\";

// Every text is its own key, so a test sees which key a check looked up.
class KeyEchoFiles final : public ProfileSource {
public:
    bool FileExists(const std::string&) const override { return true; }
    std::string ReadString(const std::string&, const std::string&, const std::string& key,
                           const std::string&) const override {
        return "<" + key + ">";
    }
};

// A file system that fails unexpectedly on one path.
class FailingFiles : public test::MemoryFileSystem {
public:
    bool FileExists(std::string_view path) override { return Check(path) && MemoryFileSystem::FileExists(path); }
    bool FolderExists(std::string_view path) override { return Check(path) && MemoryFileSystem::FolderExists(path); }
    std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) override {
        Check(path);
        return MemoryFileSystem::ListFolder(path);
    }

private:
    static bool Check(std::string_view path) {
        if (path.find("Boom") != std::string_view::npos) throw std::runtime_error("disk on fire");
        return true;
    }
};

struct Expected {
    std::string keyPath;
    std::string value;
    RemovalKind kind;
};

class LocationScanTest : public ::testing::Test {
public:
    void SetUp() override {
        files->SetWow64(false);
        files->AddFile("C:\\Here\\app.exe");
        files->AddFile("C:\\Here\\used.dll");
        files->AddFile("C:\\Here\\app.hlp");
        files->AddFile("C:\\Windows\\Fonts\\inst.ttf");
        files->SetSpecialFolder(20, "C:\\Windows\\Fonts");
    }

    // Runs the checks on this thread; what reached the view.
    void Run(std::vector<int> tasks, const SettingsRecord& settings = {}) {
        TScanTaskThread worker(registry, files, settings, {}, handOver);
        for (int task : tasks) worker.RunCheck(task);
        handOver->Deliver(view);
    }

    void Str(RootKey root, const std::string& path, const std::string& name, const std::string& data) {
        registry->SetString(root, path, name, data);
    }

    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>();
    test::RecordingView view;
};

struct SectionCase {
    int task;
    const char* captionKey;  // null: the section shows no caption
    const char* caption;
    const char* problemKey;
    const char* problem;
    std::function<void(LocationScanTest&)> plant;
    std::vector<Expected> expected;
};

// Per section, good and stale entries side by side; the stale ones in the
// order the section reports them.
std::vector<SectionCase> Sections() {
    const std::string appPaths = kWindows + "App Paths";
    const std::string fonts = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::string help = "Software\\Microsoft\\Windows\\Help";
    const std::string htmlHelp = "Software\\Microsoft\\Windows\\Html Help";
    const std::string shared = kWindows + "SharedDlls";
    const std::string run = kWindows + "Run";
    const std::string startupReg = "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
    const std::string uninstall = kWindows + "Uninstall";
    const std::string services = "SYSTEM\\CurrentControlSet\\Services";
    const std::string installer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string apps = "Software\\Classes\\Applications";
    using T = LocationScanTest;
    return {
        {6, "RES_Scanning_Software_Locations", "Scanning Software Locations...", "RES_Problem_Applications_Path",
         "Software Locations Issue",
         [=](T& t) {
             t.Str(HKLM, appPaths + "\\App.exe", "", "C:\\Here\\app.exe");
             t.Str(HKLM, appPaths + "\\STALE.Exe", "", "\"C:\\Gone\\stale.exe\" /x");
             t.Str(HKLM, appPaths + "\\lib.dll", "", "C:\\Gone\\lib.dll");      // not a program
             t.Str(HKLM, appPaths + "\\a.b", "", "C:\\Gone\\a.b");              // shorter than ".exe"
             t.Str(HKLM, appPaths + "\\tool", "", "C:\\Gone\\tool");            // no dot: examined
             t.Str(HKLM, appPaths + "\\app", "", "C:\\Here\\app.exe /x");      // as a file name only,
             t.Str(HKLM, appPaths + "\\here", "", "C:\\Here\\gone.exe");       // not as a folder
             t.Str(HKLM, appPaths + "\\empty.exe", "", "");
             t.registry->SetDword(HKLM, appPaths + "\\number.exe", "", 1);
             t.Str(HKLM, appPaths + "\\named.exe", "Path", "C:\\Gone\\named.exe");  // only the default counts
             t.registry->SetString(HKLM, appPaths + "\\expand.exe", "", "C:\\Gone\\expand.exe", RegType::ExpandString);
         },
         {{kMachine + appPaths + "\\expand.exe", "C:\\Gone\\expand.exe", RemovalKind::DeleteKey},
          {kMachine + appPaths + "\\STALE.Exe", "\"C:\\Gone\\stale.exe\" /x", RemovalKind::DeleteKey},
          {kMachine + appPaths + "\\tool", "C:\\Gone\\tool", RemovalKind::DeleteKey}}},
        {7, "RES_Scanning_Windows_Fonts", "Scanning Windows Fonts...", "RES_Problem_Fonts", "Fonts Issue",
         [=](T& t) {
             t.Str(HKLM, fonts, "Arial (TrueType)", "arial.ttf");  // a bare name: never tested
             t.Str(HKLM, fonts, "Installed", "INST.TTF");
             t.Str(HKLM, fonts, "Gone", "C:\\Gone\\gone.ttf");
             t.Str(HKLM, fonts, "Here", "C:\\Windows\\Fonts\\inst.ttf");
             t.Str(HKLM, fonts, "C:\\Gone\\named.ttf", "C:\\Gone\\named.ttf");
             t.Str(HKLM, kWindows + "Fonts", "Old", "C:\\Gone\\old.ttf");  // the key of other versions
         },
         {{kMachine + fonts + "\\Gone", "C:\\Gone\\gone.ttf", RemovalKind::DeleteValueInPath},
          {kMachine + fonts, "C:\\Gone\\named.ttf", RemovalKind::DeleteNamedValue}}},
        {8, "RES_Scanning_Invalid_Help_Files", "Scanning Invalid Help Files...", "RES_Problem_Help",
         "Invalid Help Files",
         [=](T& t) {
             t.Str(HKLM, htmlHelp, "gone.chm", "C:\\Gone");
             t.Str(HKLM, help, "app.hlp", "C:\\Here\\");
             t.Str(HKLM, help, "gone.hlp", "C:\\Here");
             t.Str(HKLM, help, "bare.hlp", "");  // the name alone: never tested
             t.registry->SetDword(HKLM, help, "count.hlp", 0);
         },
         {{kMachine + help + "\\gone.hlp", "C:\\Here\\gone.hlp", RemovalKind::DeleteValueInPath},
          {kMachine + htmlHelp + "\\gone.chm", "C:\\Gone\\gone.chm", RemovalKind::DeleteValueInPath}}},
        {9, "RES_Scanning_Shared_Dlls", "Scanning Shared DLLs...", "RES_Problem_SharedDll", "Missing Shared Dlls",
         [=](T& t) {
             t.registry->SetDword(HKLM, shared, "C:\\Here\\app.exe", 2);
             t.registry->SetDword(HKLM, shared, "C:\\Here\\used.dll", 0);  // present but unused
             t.registry->SetDword(HKLM, shared, "C:\\Gone\\lib.dll", 3);
             t.Str(HKLM, shared, "C:\\Gone\\text.dll", "0");  // not a use count
             t.registry->Set(HKLM, shared, "C:\\Gone\\bytes.dll", RegType::Binary, std::string(4, '\0'));
         },
         {{kMachine + shared, "C:\\Here\\used.dll", RemovalKind::DeleteNamedValue},
          {kMachine + shared, "C:\\Gone\\lib.dll", RemovalKind::DeleteNamedValue}}},
        {10, "RES_Scanning_Startup_Programs", "Scanning Startup Programs...", "RES_Problem_Startup_Run",
         "Missing Startup Programs",
         [=](T& t) {
             t.Str(HKLM, run, "Machine", "C:\\Gone\\machine.exe");
             t.Str(HKCU, run, "Good", "\"C:\\Here\\app.exe\" /min");
             t.Str(HKCU, run, "Empty", "");
             t.Str(HKCU, run, "Quotes", "\"\"");
             t.Str(HKCU, run, "Gone", "C:\\Gone\\app.exe -s");
             t.Str(HKCU, run + "Once", "Once", "C:\\Gone\\once.exe");
             t.Str(HKLM, run + "Once", "C:\\Gone\\named.exe", "C:\\Gone\\named.exe");
             t.Str(HKLM, startupReg + "\\Stale", "command", "C:\\Gone\\off.exe");
             t.Str(HKLM, startupReg + "\\EmptyCommand", "command", "");
             t.Str(HKLM, startupReg + "\\Good", "command", "C:\\Here\\app.exe");
             t.Str(HKLM, startupReg + "\\NoCommand", "key", "C:\\Gone\\x.exe");
         },
         {{"HKEY_CURRENT_USER\\" + run + "\\Empty", "", RemovalKind::DeleteValueInPath},
          {"HKEY_CURRENT_USER\\" + run + "\\Quotes", "\"\"", RemovalKind::DeleteValueInPath},
          {"HKEY_CURRENT_USER\\" + run + "\\Gone", "C:\\Gone\\app.exe -s", RemovalKind::DeleteValueInPath},
          {"HKEY_CURRENT_USER\\" + run + "Once\\Once", "C:\\Gone\\once.exe", RemovalKind::DeleteValueInPath},
          {kMachine + run + "\\Machine", "C:\\Gone\\machine.exe", RemovalKind::DeleteValueInPath},
          {kMachine + run + "Once", "C:\\Gone\\named.exe", RemovalKind::DeleteNamedValue},
          {kMachine + startupReg + "\\Stale", "C:\\Gone\\off.exe", RemovalKind::DeleteKey}}},
        {11, "RES_Scanning_Add_Remove_Programs", "Scanning Add/Remove Programs...", "RES_Problem_AddRomve",
         "Add/Remove Programs Issue",
         [=](T& t) {
             t.Str(HKLM, uninstall + "\\{1234-5678}", "DisplayName", "Product");
             t.Str(HKLM, uninstall + "\\Good", "UninstallString", "C:\\Gone\\uninst.exe");
             t.Str(HKLM, uninstall + "\\Quiet", "QuietUninstallString", "x");
             t.Str(HKLM, uninstall + "\\Hidden", "DisplayName", "Part of another");
             t.registry->SetDword(HKLM, uninstall + "\\Hidden", "SystemComponent", 1);
             t.Str(HKLM, uninstall + "\\Lower", "uninstallstring", "x");  // the name is matched with case
             t.Str(HKLM, uninstall + "\\Orphan", "DisplayName", "Gone");
             t.registry->AddKey(HKLM, uninstall + "\\Bare");
         },
         {{kMachine + uninstall, "Bare", RemovalKind::DeleteSubkey},
          {kMachine + uninstall, "Lower", RemovalKind::DeleteSubkey},
          {kMachine + uninstall, "Orphan", RemovalKind::DeleteSubkey}}},
        {15, "RES_Scanning_Windows_Services", "Obsolete Software Key", "RES_Problem_Windows_Service",
         "Windows Service Issue",
         [=](T& t) {
             t.Str(HKLM, services + "\\Gone", "ImagePath", "C:\\Gone\\svc.exe -k");
             t.Str(HKLM, services + "\\Good", "ImagePath", "\"C:\\Here\\app.exe\" -service");
             t.Str(HKLM, services + "\\Folder", "ImagePath", "C:\\Here");
             t.Str(HKLM, services + "\\Driver", "ImagePath", "system32\\drivers\\gone.sys");
             t.Str(HKLM, services + "\\slsvc", "ImagePath", "C:\\Gone\\sl.exe");
             t.Str(HKLM, services + "\\MySlSvcX", "ImagePath", "C:\\Gone\\sl.exe");
             t.Str(HKLM, services + "\\NoImage", "Description", "C:\\Gone\\svc.exe");
         },
         {{kMachine + services + "\\Gone\\ImagePath", "C:\\Gone\\svc.exe -k", RemovalKind::DeleteValueInPath}}},
        {21, "RES_Scanning_Installer", "Scanning Installer...", "RES_Problem_Installer", "Installer Reference Issue",
         [=](T& t) {
             t.Str(HKLM, installer + "Uninstall\\App", "UninstallString", "\"C:\\Gone\\uninst.exe\" /x");
             t.Str(HKLM, installer + "Uninstall\\App", "DisplayIcon", "C:\\Gone\\app.ico");  // no ".exe"
             t.Str(HKLM, installer + "Uninstall\\App\\Sub", "Helper", "C:\\Here\\app.exe");
             t.Str(HKLM, installer + "Installer\\Folders", "C:\\Here\\", "");
             t.registry->SetDword(HKLM, installer + "Installer\\Folders", "C:\\Gone\\", 1);
             t.registry->AddKey(HKLM, installer + "App Management\\ARPCache\\app");
             t.registry->AddKey(HKLM, installer + "App Management\\ARPCache\\Orphan");
             t.registry->DenyFullAccess(HKLM, installer + "App Management\\ARPCache");  // read access is enough
         },
         {{kMachine + installer + "Uninstall\\App\\UninstallString", "\"C:\\Gone\\uninst.exe\" /x",
           RemovalKind::DeleteValueInPath},
          {kMachine + installer + "Installer\\Folders", "C:\\Gone\\", RemovalKind::DeleteNamedValue},
          {kMachine + installer + "App Management\\ARPCache", "Orphan", RemovalKind::DeleteSubkey}}},
        {22, nullptr, nullptr, "RES_Problem_Applications", "Open with Application Issue",
         [=](T& t) {
             t.Str(HKLM, apps + "\\app.exe\\shell\\open\\command", "", "C:\\Gone\\app.exe \"%1\"");
             t.registry->AddKey(HKLM, apps + "\\app.exe\\shell\\edit\\command");  // no default value
             t.Str(HKLM, apps + "\\app.exe\\shell\\print\\command", "", "C:\\Here\\app.exe /p");
             // Nothing below a key that has a command subkey is looked at,
             // whatever type its default value has.
             t.Str(HKLM, apps + "\\app.exe\\shell\\print\\deeper\\command", "", "C:\\Gone\\deep.exe");
             t.registry->SetDword(HKLM, apps + "\\number.exe\\command", "", 1);
             t.Str(HKLM, apps + "\\number.exe\\sub\\command", "", "C:\\Gone\\sub.exe");
             t.Str(HKLM, apps + "\\other.exe\\command", "", "C:\\Gone\\other.exe");
             t.Str(HKLM, apps + "\\quiet.exe\\shell\\open", "", "C:\\Gone\\quiet.exe");
         },
         {{kMachine + apps + "\\app.exe\\shell\\edit\\command", "", RemovalKind::DeleteKey},
          {kMachine + apps + "\\app.exe\\shell\\open\\command", "C:\\Gone\\app.exe \"%1\"", RemovalKind::DeleteKey},
          {kMachine + apps + "\\other.exe\\command", "C:\\Gone\\other.exe", RemovalKind::DeleteKey}}},
    };
}

TEST_F(LocationScanTest, EachSectionReportsExactlyItsStaleEntriesUnderItsOwnTexts) {
    for (const bool english : {true, false}) {
        KeyEchoFiles echo;
        const ProfileSource* savedFiles = LanguageFiles();
        const std::string savedFolder = LanguageProgramFolder();
        const std::string savedLan = Settings.Lan;
        SetLanguageFiles(&echo, "C:\\");
        Settings.Lan = english ? "English" : "Echo";
        for (const SectionCase& c : Sections()) {
            SCOPED_TRACE("task " + std::to_string(c.task) + (english ? " in English" : " by key"));
            registry = std::make_shared<MemoryRegistry>();
            c.plant(*this);
            view = test::RecordingView{};
            Run({c.task});
            std::vector<std::string> captions;
            for (const auto& event : view.events)
                if (event.starts_with("caption:")) captions.push_back(event.substr(8));
            if (c.captionKey)
                EXPECT_EQ(captions, std::vector<std::string>{english ? c.caption : "<" + std::string(c.captionKey) + ">"});
            else
                EXPECT_TRUE(captions.empty());
            const std::string problem = english ? c.problem : "<" + std::string(c.problemKey) + ">";
            std::vector<Finding> expected;
            for (const auto& e : c.expected) expected.push_back({problem, e.keyPath, e.value, e.kind});
            EXPECT_EQ(view.findings, expected);
        }
        SetLanguageFiles(savedFiles, savedFolder);
        Settings.Lan = savedLan;
    }
}

TEST_F(LocationScanTest, FontsKeyFollowsTheWindowsVersion) {
    test::EnglishTexts english;
    const std::string nt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::string old = kWindows + "Fonts";
    Str(HKLM, nt, "NT", "C:\\Gone\\nt.ttf");
    Str(HKLM, old, "Old", "C:\\Gone\\old.ttf");
    for (const std::uint8_t version : {0, 1, 2, 3, 4, 8, 11, 12}) {
        SCOPED_TRACE(int{version});
        files->SetVersionCode(version);
        view = test::RecordingView{};
        Run({7});
        ASSERT_EQ(view.findings.size(), 1u);
        const bool nineX = version == 1 || version == 3 || version == 8;
        EXPECT_EQ(view.findings[0].KeyPath, kMachine + (nineX ? old + "\\Old" : nt + "\\NT"));
        EXPECT_EQ(view.keysShown.back(), nineX ? old : nt);
    }
}

TEST_F(LocationScanTest, FloppyPathsAreReportedWhenRemovableMediaAreScanned) {
    test::EnglishTexts english;
    files->SetDrive('a', DriveTypeCode::Removable, false);
    Str(HKLM, "Software\\Microsoft\\Windows\\Help", "setup.hlp", "A:\\");
    Str(HKLM, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Floppy", "a:\\font.ttf");
    registry->SetDword(HKLM, kWindows + "SharedDlls", "B:\\lib.dll", 1);
    Str(HKLM, kWindows + "Run", "Floppy", "A:\\setup.exe");
    for (const bool removable : {false, true}) {
        SCOPED_TRACE(removable);
        SettingsRecord settings;
        settings.IncludeRemoveMedia = removable;
        view = test::RecordingView{};
        Run({7, 8, 9, 10}, settings);
        EXPECT_EQ(view.findings.size(), removable ? 4u : 0u);
    }
}

TEST_F(LocationScanTest, UnexpectedFailuresEndOnlyTheSectionsThatCatchThem) {
    test::EnglishTexts english;
    auto failing = std::make_shared<FailingFiles>();
    failing->SetWow64(false);
    failing->AddFolder("C:\\Boom");
    files = failing;
    const std::string apps = "Software\\Classes\\Applications";
    Str(HKLM, apps + "\\a.exe\\command", "", "C:\\Gone\\a.exe");
    Str(HKLM, apps + "\\b.exe\\command", "", "C:\\Boom\\b.exe");
    Str(HKLM, apps + "\\c.exe\\command", "", "C:\\Gone\\c.exe");
    const std::string startupReg = "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
    Str(HKCU, kWindows + "Run", "Gone", "C:\\Gone\\run.exe");
    Str(HKLM, startupReg + "\\A", "command", "C:\\Gone\\a.exe");
    Str(HKLM, startupReg + "\\B", "command", "C:\\Boom\\b.exe");
    Str(HKLM, startupReg + "\\C", "command", "C:\\Gone\\c.exe");
    // Both sections end quietly at b, keeping what they found before it.
    Run({22, 10});
    std::vector<std::string> keys;
    for (const auto& finding : view.findings) keys.push_back(finding.KeyPath);
    EXPECT_EQ(keys, (std::vector<std::string>{kMachine + apps + "\\a.exe\\command",
                                              "HKEY_CURRENT_USER\\" + kWindows + "Run\\Gone",
                                              kMachine + startupReg + "\\A"}));
    // Anywhere else the failure reaches the task loop.
    Str(HKLM, kWindows + "App Paths\\boom.exe", "", "C:\\Boom\\boom.exe");
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    EXPECT_THROW(worker.RunCheck(6), std::runtime_error);
}

TEST_F(LocationScanTest, AStopEndsEvenTheSectionsThatEndQuietly) {
    test::EnglishTexts english;
    Str(HKLM, "Software\\Classes\\Applications\\a.exe\\command", "", "C:\\Gone\\a.exe");
    Str(HKLM, "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\A", "command", "C:\\Gone\\a.exe");
    handOver->Stop(view);
    TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
    EXPECT_THROW(worker.RunCheck(22), ScanStopped);
    EXPECT_THROW(worker.RunCheck(10), ScanStopped);
}

}  // namespace
}  // namespace ks
