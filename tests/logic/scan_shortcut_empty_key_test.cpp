// Shortcut files read through a fake link object, and empty keys under
// HKEY_USERS: which are reported, in which order, and what is spared.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <thread>

#include "base/text.h"
#include "support/section_scan.h"

namespace ks {
namespace {

// Targets by shortcut path; the readers it opened and on which threads.
class FakeShortcutLinks : public ShortcutLinks {
public:
    class Reader : public ShortcutReader {
    public:
        explicit Reader(FakeShortcutLinks& links) : links_(links) {}
        ~Reader() override { ++links_.closed; }
        ShortcutTarget ReadTarget(std::string_view path) override {
            links_.read.emplace_back(path);
            const auto it = links_.targets.find(UpperAnsi(path));
            if (it == links_.targets.end()) return {};
            return it->second;
        }

    private:
        FakeShortcutLinks& links_;
    };

    std::unique_ptr<ShortcutReader> OpenOnThisThread() override {
        threads.push_back(std::this_thread::get_id());
        if (refuse) return nullptr;
        return std::make_unique<Reader>(*this);
    }
    void Plant(const std::string& path, std::string target,
               ShortcutTarget::Status status = ShortcutTarget::Status::Read) {
        targets[UpperAnsi(path)] = {status, std::move(target)};
    }

    std::map<std::string, ShortcutTarget> targets;
    std::vector<std::thread::id> threads;
    std::vector<std::string> read;
    int closed = 0;
    bool refuse = false;
};

TEST(ShortcutScanTest, MissingTargetsOfTheSixFoldersInOrder) {
    test::SectionScan scan;
    auto links = std::make_shared<FakeShortcutLinks>();
    auto& files = *scan.files;
    files.SetDrive('D', DriveTypeCode::Fixed);
    files.AddFile("C:\\Apps\\here.exe");
    files.AddFolder("C:\\Apps\\Data");
    const struct {
        int csidl;
        const char* folder;
    } folders[] = {{22, "C:\\All\\Start"}, {25, "C:\\All\\Desktop"}, {26, "C:\\Me\\AppData"},
                   {8, "C:\\Me\\Recent"},  {11, "C:\\Me\\AppData\\Start Menu"},    {16, "C:\\Me\\Desktop\\"}};
    for (const auto& f : folders) {
        files.SetSpecialFolder(f.csidl, f.folder);
        files.AddFolder(f.folder);
    }
    const struct {
        std::string path;
        std::string target;
        ShortcutTarget::Status status;
        bool reported;
    } cases[] = {
        {"C:\\Me\\Desktop\\good.lnk", "C:\\Apps\\here.exe", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\dangling.lnk", "C:\\Apps\\gone.exe", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\Desktop\\folder.lnk", "C:\\Apps\\Data", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\gonefolder.LNK", "C:\\Apps\\Gone", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\Desktop\\network.lnk", "\\\\server\\share\\gone.exe", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\relative.lnk", "Cgone.exe:\\x", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\otherdrive.lnk", "E:\\gone.exe", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\drived.lnk", "d:\\gone.exe", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\Desktop\\notalink.url", "C:\\Apps\\gone.exe", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\unloadable.lnk", "C:\\Apps\\gone.exe", ShortcutTarget::Status::NotLoaded, false},
        {"C:\\Me\\Desktop\\notarget.lnk", "", ShortcutTarget::Status::Read, false},
        {"C:\\Me\\Desktop\\cut.lnk", std::string("C:\\Apps\\gone2.exe\0junk", 23), ShortcutTarget::Status::Read,
         true},
        {"C:\\All\\Start\\Programs\\Deep\\old.lnk", "C:\\Apps\\old.exe", ShortcutTarget::Status::Read, true},
        {"C:\\All\\Start\\zafter.lnk", "C:\\Apps\\after.exe", ShortcutTarget::Status::Read, true},
        {"C:\\All\\Desktop\\a.lnk", "C:\\Apps\\a.exe", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\AppData\\b.lnk", "C:\\Apps\\b.exe", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\Recent\\c.lnk", "C:\\Apps\\c.exe", ShortcutTarget::Status::Read, true},
        {"C:\\Me\\AppData\\Start Menu\\d.lnk", "C:\\Apps\\d.exe", ShortcutTarget::Status::Read, true},
    };
    for (const auto& c : cases) {
        files.AddFile(c.path);
        links->Plant(c.path, c.target, c.status);
    }
    // Each folder in listing order, a subfolder walked where it is listed; the
    // Start menu inside the application data is not walked a second time.
    const std::vector<std::string> expected = {
        "C:\\All\\Start\\Programs\\Deep\\old.lnk", "C:\\All\\Start\\zafter.lnk", "C:\\All\\Desktop\\a.lnk",
        "C:\\Me\\AppData\\b.lnk",  "C:\\Me\\AppData\\Start Menu\\d.lnk",  "C:\\Me\\Recent\\c.lnk",
        "C:\\Me\\Desktop\\cut.lnk", "C:\\Me\\Desktop\\dangling.lnk", "C:\\Me\\Desktop\\drived.lnk",
        "C:\\Me\\Desktop\\gonefolder.LNK"};

    auto worker = scan.Worker();
    worker->Shortcuts = links;
    const auto findings = scan.Run(*worker, 17);
    std::vector<std::string> paths;
    for (const auto& finding : findings) {
        paths.push_back(finding.KeyPath);
        EXPECT_EQ(finding.Problem, "Missing ShortCut reference");
        EXPECT_EQ(finding.RemovalKind, RemovalKind::DeleteFile);
    }
    EXPECT_EQ(paths, expected);
    std::vector<std::string> reported;
    for (const auto& c : cases)
        if (c.reported) reported.push_back(c.path);
    std::sort(reported.begin(), reported.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, reported);
    for (const auto& finding : findings)
        if (finding.KeyPath.ends_with("cut.lnk")) EXPECT_EQ(finding.Value, "C:\\Apps\\gone2.exe");
    EXPECT_EQ(std::count(links->read.begin(), links->read.end(), "C:\\Me\\Desktop\\notalink.url"), 0);

    // One reader for the worker's life, opened on the thread that scans.
    scan.Run(*worker, 17);
    EXPECT_EQ(links->threads, (std::vector<std::thread::id>{std::this_thread::get_id()}));
    EXPECT_EQ(links->closed, 0);
    worker.reset();
    EXPECT_EQ(links->closed, 1);
}

// Under Wine the desktop and the templates folder are links to the Unix home
// folder: the walk takes each of the six folders as it is, but follows no
// link below them, and walks each folder, however reached, once.
TEST(ShortcutScanTest, LinksBelowTheFoldersAreNotFollowedAndNoFolderIsWalkedTwice) {
    test::SectionScan scan;
    auto& files = *scan.files;
    files.SetSpecialFolder(26, "C:\\Me\\AppData");
    files.SetSpecialFolder(11, "C:\\Home\\Menu");
    files.SetSpecialFolder(16, "C:\\Me\\Desktop");
    files.AddLink("C:\\Me\\Desktop", "C:\\Home");
    files.AddLink("C:\\Me\\AppData\\Templates", "C:\\Home");
    files.AddLink("C:\\Me\\AppData\\Junction", "C:\\Elsewhere");
    files.AddLink("C:\\Home\\Loop", "C:\\Home");
    for (const char* file : {"C:\\Me\\AppData\\a.lnk", "C:\\Me\\AppData\\Start Menu\\s.lnk", "C:\\Home\\h.lnk",
                             "C:\\Home\\Menu\\m.lnk", "C:\\Elsewhere\\e.lnk"})
        files.AddFile(file);
    // Each shortcut as the walk should reach it, and only so.
    const std::vector<std::string> expected = {"C:\\Me\\AppData\\a.lnk", "C:\\Me\\AppData\\Start Menu\\s.lnk",
                                               "C:\\Home\\Menu\\m.lnk", "C:\\Me\\Desktop\\h.lnk"};
    auto links = std::make_shared<FakeShortcutLinks>();
    for (const auto& path : expected) links->Plant(path, "C:\\Apps\\gone.exe");
    auto worker = scan.Worker();
    worker->Shortcuts = links;
    std::vector<std::string> reported;
    for (const auto& finding : scan.Run(*worker, 17)) reported.push_back(finding.KeyPath);
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(links->read, expected);
}

TEST(ShortcutScanTest, RedirectedTargetsUnderWow64AndUnreadyFloppies) {
    const struct {
        std::string target;
        bool wow64;
        bool removable;
        bool driveAReady;
        bool reported;
    } cases[] = {
        {"C:\\Windows\\SYSTEM32\\gone.exe", true, false, false, false},
        {"C:\\Windows\\System32\\gone.exe", false, false, false, true},
        {"C:\\programfiles\\gone.exe", true, false, false, false},
        {"C:\\Program Files (x86)\\gone.exe", true, false, false, false},
        {"C:\\Programs\\gone.exe", true, false, false, true},
        {"a:\\setup.exe", false, true, false, true},    // not ready: missing without a look
        {"A:\\setup.exe", false, true, true, true},     // ready: looked for, and not there
        {"A:\\setup.exe", false, false, false, false},  // floppies not scanned
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        test::SectionScan scan;
        scan.files->SetWow64(c.wow64);
        scan.settings.IncludeRemoveMedia = c.removable;
        scan.files->SetSpecialFolder(16, "C:\\Desktop");
        scan.files->AddFile("C:\\Desktop\\x.lnk");
        auto links = std::make_shared<FakeShortcutLinks>();
        links->Plant("C:\\Desktop\\x.lnk", c.target);
        auto worker = scan.Worker();
        worker->Shortcuts = links;
        worker->DriveAReady = c.driveAReady;
        EXPECT_EQ(scan.Run(*worker, 17).size(), c.reported ? 1u : 0u);
    }
}

TEST(ShortcutScanTest, NoLinkObjectFailsTheScanButNoReaderReadsNothing) {
    test::SectionScan scan;
    scan.files->SetSpecialFolder(16, "C:\\Desktop");
    scan.files->AddFile("C:\\Desktop\\x.lnk");
    auto links = std::make_shared<FakeShortcutLinks>();
    links->Plant("C:\\Desktop\\x.lnk", "C:\\gone.exe", ShortcutTarget::Status::ObjectUnavailable);
    auto worker = scan.Worker();
    worker->Shortcuts = links;
    EXPECT_THROW(worker->RunCheck(17), std::runtime_error);

    links->refuse = true;
    auto refused = scan.Worker();
    refused->Shortcuts = links;
    EXPECT_TRUE(scan.Run(*refused, 17).empty());
    EXPECT_TRUE(scan.Run(17).empty()) << "a worker without links reads no shortcut";
}

TEST(EmptyKeyScanTest, ChainsDefaultProfilesAndOrder) {
    test::SectionScan scan;
    auto& r = *scan.registry;
    const auto users = RootKey::Users;
    r.SetDword(users, "S-1\\Keep", "v", 1);
    r.AddKey(users, "S-1\\Outer\\Inner");
    r.AddKey(users, "S-1\\Two\\A");
    r.AddKey(users, "S-1\\Two\\B");
    r.AddKey(users, ".DEFAULT\\Empty");
    r.AddKey(users, "S-1\\Software\\.Default\\Empty");
    r.AddKey(users, "S-1\\Software\\.default");
    r.AddKey(users, "S-1\\Software\\Vendor\\.DEFAULTS");
    // The system's profile is the same hive as ".DEFAULT", under its other name.
    r.AddKey(users, "S-1-5-18\\Empty");
    r.AddKey(users, "S-1\\Software\\s-1-5-18");
    r.SetDword(users, "S-1\\Software", "v", 1);
    const std::vector<Finding> expected = {
        {"Empty Registry Keys", "HKEY_USERS\\S-1", "Outer", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", "HKEY_USERS\\S-1\\Outer", "Inner", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", "HKEY_USERS\\S-1\\Software", "Vendor", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", "HKEY_USERS\\S-1\\Software\\Vendor", ".DEFAULTS", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", "HKEY_USERS\\S-1\\Two", "A", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", "HKEY_USERS\\S-1\\Two", "B", RemovalKind::DeleteSubkey},
    };
    EXPECT_EQ(scan.Run(23), expected);
}

TEST(EmptyKeyScanTest, ExclusionsByCaseAndVersion) {
    const std::string mount = "S-1\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints2\\{x}";
    const struct {
        std::string path;
        std::uint8_t version;  // 12: 6.1, 11: other 6.x, 10: neither
        bool reported;
    } cases[] = {
        {mount, 10, false},
        {UpperAnsi(mount), 10, true},  // with case: only the exact letters spare it
        {"S-1\\Software\\KasperskyLab\\protected\\x", 10, false},
        {"S-1\\Software\\KASPERSKYLAB\\PROTECTED\\x", 10, false},  // ignoring case
        {"S-1\\Printers\\Connections", 10, false},
        {"S-1\\printers\\Connections", 10, true},
        {"S-1-5-19_Classes\\x", 10, false},
        {"S-1\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 12, false},  // a substring test
        {"S-1\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 10, true},
        {"S-1\\Software\\Microsoft\\RAS AutoDial\\x", 12, false},
        {"S-1\\Software\\Microsoft\\RAS AutoDial\\x", 11, true},  // only in the 6.1 list
        {"S-1\\Software\\Microsoft\\TabletTip\\x", 11, false},
        {"S-1\\Software\\Microsoft\\TabletTip\\x", 12, true},  // only in the other 6.x list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " version " + std::to_string(c.version));
        test::SectionScan scan;
        scan.files->SetVersionCode(c.version);
        scan.registry->AddKey(RootKey::Users, c.path);
        auto worker = scan.Worker();
        EXPECT_EQ(worker->MayReportEmptyKey(c.path), c.reported);
        bool found = false;
        for (const auto& finding : scan.Run(*worker, 23))
            if (finding.KeyPath + "\\" + finding.Value == "HKEY_USERS\\" + c.path) found = true;
        EXPECT_EQ(found, c.reported);
    }
}

}  // namespace
}  // namespace ks
