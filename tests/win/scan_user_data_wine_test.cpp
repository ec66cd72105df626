// The vendor-key, Start-menu, shortcut, sound, recently-used and empty-key
// sections against Wine's real registry, special folders and shell-link
// object: planted stale entries are found and nothing good is, the repair
// deletes them, the registry editor brings every registry item back exactly,
// and every deleted shortcut has a byte-for-byte copy beside the backup.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "backup_registry_dump.h"
#include "repair/backup_parser.h"
#include "repair/file_copies.h"
#include "repair/problem_list.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
#include "scan/win/shell_shortcut_links.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "base/text.h"
#include "support/quiet_repair_ui.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

using test::Bytes;
using test::Wide;

const std::string kMenuOrder =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs";
const std::string kMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";
const std::string kUserAssist =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path)) ? path : "";
}

// A shortcut made and saved by the shell's own link object.
bool MakeShortcut(const std::string& path, const std::string& target) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(link->SetPath(target.c_str())) &&
                 SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
    if (file) file->Release();
    link->Release();
    return saved;
}

// The shortest part of the path that does not exist yet under HKCU: what a
// test that creates the path must remove again. Empty when all of it exists.
std::string FirstMissing(const std::string& path) {
    for (size_t at = path.find('\\');; at = path.find('\\', at + 1)) {
        const std::string prefix = path.substr(0, at);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, prefix.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return prefix;
        RegCloseKey(key);
        if (at == std::string::npos) return "";
    }
}

// A string value as the "W" functions store it.
Bytes Data(const std::string& text) { return test::Utf16(Wide(text)); }

std::vector<Finding> Sorted(std::vector<Finding> findings) {
    std::sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tie(a.KeyPath, a.Value) < std::tie(b.KeyPath, b.Value);
    });
    return findings;
}

class UserDataWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        for (const auto* path : {&kMenuOrder, &kMru, &kUserAssist}) created_.push_back(FirstMissing(*path));
    }
    void TearDown() override {
        for (const auto& file : files_) DeleteFileA(file.c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) test::RemoveFolderTree(*it);
        RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + marker + " Vendor").c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, ("AppEvents\\Schemes\\Apps\\App " + marker).c_str());
        for (const auto& path : created_)
            if (!path.empty()) RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
        // Where the keys were there before, only what was planted goes.
        RegDeleteTreeA(HKEY_CURRENT_USER, (kMenuOrder + "\\Gone " + marker).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, (kMenuOrder + "\\Here " + marker).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, (kMru + "\\" + extension).c_str());
        for (const auto& [path, name] : values_) RegDeleteKeyValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str());
        CoUninitialize();
    }

    void Plant(const std::string& path, const std::string& name, DWORD type, const Bytes& data) {
        test::Plant(HKEY_CURRENT_USER, Wide(path), Wide(name), type, data);
        values_.emplace_back(path, name);
    }
    void File(const std::string& path, const std::string& bytes = "x") {
        ASSERT_TRUE(test::WriteWholeFile(path, bytes)) << path;
        files_.push_back(path);
    }
    void Folder(const std::string& path) {
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
        folders_.push_back(path);
    }
    void Shortcut(const std::string& path, const std::string& target) {
        ASSERT_TRUE(MakeShortcut(path, target)) << path;
        files_.push_back(path);
    }

    // Everything planted carries it, so the prefix's own findings are told apart.
    const std::string marker = "Kstest-" + std::to_string(GetCurrentProcessId());
    const std::string extension = "kx" + std::to_string(GetCurrentProcessId());
    std::vector<std::string> created_;
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};

TEST_F(UserDataWineTest, SixSectionsFindThePlantedEntriesAndTheRepairCanBeUndone) {
    test::ScratchKey scratch("Kstest");
    test::ScratchFolder folder("Kstest");
    test::ScratchFolder backups("Kstest backups");
    const std::string there = folder.path() + "\\there " + marker + ".exe";
    const std::string gone = folder.path() + "\\gone " + marker + ".exe";
    File(there);

    // Shortcuts, made by the shell, in the user's Start menu and its Programs
    // folder. (Wine may link the desktop to the Unix home folder, which other
    // special folders share, so the same file shows under several names there.)
    const std::string desktop = SpecialFolder(CSIDL_STARTMENU);
    const std::string programs = SpecialFolder(CSIDL_PROGRAMS);
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(programs.empty());
    const std::string menuFolder = programs + "\\Here " + marker;
    Folder(menuFolder);
    const std::string network = "\\\\ksnoserver\\share\\app " + marker + ".exe";
    const struct {
        std::string path;
        std::string target;
        bool reported;
    } shortcuts[] = {
        {desktop + "\\" + marker + " good.lnk", there, false},
        {desktop + "\\" + marker + " dangling.lnk", gone, true},
        {desktop + "\\" + marker + " folder.lnk", folder.path(), false},
        {desktop + "\\" + marker + " network.lnk", network, false},
        {menuFolder + "\\deep " + marker + ".lnk", gone, true},
    };
    File(gone);  // the link object wants its target to exist while it is made
    for (const auto& s : shortcuts) Shortcut(s.path, s.target);
    ASSERT_TRUE(DeleteFileA(gone.c_str()));
    // A dangling link's bytes under another extension are no shortcut.
    File(desktop + "\\" + marker + " dangling.txt", test::ReadWholeFile(shortcuts[1].path));
    {
        auto reader = MakeShellShortcutLinks()->OpenOnThisThread();
        ASSERT_NE(reader, nullptr);
        for (const auto& s : shortcuts) {
            const auto read = reader->ReadTarget(s.path);
            EXPECT_EQ(read.status, ShortcutTarget::Status::Read) << s.path;
            EXPECT_TRUE(EqualsNoCase(read.path, s.target)) << read.path << " for " << s.target;
        }
        EXPECT_EQ(reader->ReadTarget(desktop + "\\" + marker + " missing.lnk").status,
                  ShortcutTarget::Status::NotLoaded);
    }

    // Registry entries of the other five sections, good beside stale.
    const std::string vendor = "Software\\" + marker + " Vendor";
    test::PlantKey(HKEY_CURRENT_USER, Wide(vendor + "\\Sub"));
    Plant(scratch.path(), "keep", REG_DWORD, {1, 0, 0, 0});
    test::PlantKey(HKEY_CURRENT_USER, Wide(scratch.path() + "\\Outer\\Inner"));
    Plant(kMenuOrder + "\\Gone " + marker, "Order", REG_BINARY, {8, 0, 0, 0});
    Plant(kMenuOrder + "\\HERE " + marker, "Order", REG_BINARY, {8, 0, 0, 0});
    const std::string sounds = "AppEvents\\Schemes\\Apps\\App " + marker;
    const std::string goneSound = folder.path() + "\\gone " + marker + ".wav";
    Plant(sounds + "\\Close\\.Current", "", REG_SZ, Data(goneSound));
    Plant(sounds + "\\Open\\.Default", "", REG_EXPAND_SZ, Data(there));
    Plant(sounds + "\\Open\\.Modified", "", REG_SZ, Data(goneSound));
    File(folder.path() + "\\saved " + marker + "." + extension);
    Plant(kMru, marker + " a", REG_SZ, Data(folder.path() + "\\saved " + marker));
    Plant(kMru, marker + " b", REG_SZ, Data(folder.path() + "\\lost " + marker));
    Plant(kMru + "\\" + extension, "a", REG_SZ, Data(folder.path() + "\\lost " + marker + ".txt"));
    const Bytes ranTwice = {0, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes neverRan = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    Plant(kUserAssist, Rot13Text("UEME_RUNPATH:" + there), REG_BINARY, ranTwice);
    Plant(kUserAssist, Rot13Text("UEME_RUNPATH:" + gone), REG_BINARY, ranTwice);
    Plant(kUserAssist, Rot13Text("UEME_RUNPIDL:" + marker + " never"), REG_BINARY, neverRan);

    // The current user's key under HKEY_USERS.
    auto registry = std::shared_ptr<Registry>(MakeWin32Registry());
    auto files = std::shared_ptr<FileSystem>(MakeWin32FileSystem());
    std::string sid;
    if (auto users = registry->OpenKey(RootKey::Users, "", Access::Read))
        for (const auto& name : users->SubkeyNames())
            if (registry->KeyExists(RootKey::Users, name + "\\" + scratch.path())) sid = name;
    ASSERT_FALSE(sid.empty());

    const std::string user = "HKEY_CURRENT_USER\\";
    const std::string users = "HKEY_USERS\\" + sid + "\\";
    std::vector<Finding> expected = {
        {"Obsolete Software Key", user + "Software", marker + " Vendor", RemovalKind::DeleteSubkey},
        {"Old Start Menu Key", user + kMenuOrder, "Gone " + marker, RemovalKind::DeleteSubkey},
        {"Missing Sound File", user + sounds + "\\Close\\.Current", goneSound, RemovalKind::DeleteDefaultValue},
        {"Missing MRU and History Lists file", user + kMru + "\\" + marker + " b", folder.path() + "\\lost " + marker,
         RemovalKind::DeleteValueInPath},
        {"Missing MRU and History Lists file", user + kMru + "\\" + extension + "\\a",
         folder.path() + "\\lost " + marker + ".txt", RemovalKind::DeleteValueInPath},
        {"Missing MRU and History Lists file", user + kUserAssist, "UEME_RUNPATH:" + gone,
         RemovalKind::DeleteEncodedValue},
        {"Missing MRU and History Lists file", user + kUserAssist, "UEME_RUNPIDL:" + marker + " never",
         RemovalKind::DeleteEncodedValue},
        {"Empty Registry Keys", users + "Software", marker + " Vendor", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", users + vendor, "Sub", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", users + scratch.path(), "Outer", RemovalKind::DeleteSubkey},
        {"Empty Registry Keys", users + scratch.path() + "\\Outer", "Inner", RemovalKind::DeleteSubkey},
    };
    std::map<std::string, std::string> shortcutBytes;
    for (const auto& s : shortcuts)
        if (s.reported) {
            expected.push_back({"Missing ShortCut reference", s.path, gone, RemovalKind::DeleteFile});
            shortcutBytes[s.path] = test::ReadWholeFile(s.path);
        }

    test::EnglishTexts english;
    test::WaitableWakeUp wakeUp;
    auto handOver = std::make_shared<ScanHandOver>(&wakeUp);
    test::RecordingView view;
    auto worker = std::make_unique<TScanTaskThread>(
        registry, files, SettingsRecord{}, std::vector<std::string>{"14", "16", "17", "18", "20", "23"}, handOver);
    worker->Shortcuts = MakeShellShortcutLinks();
    TScanTaskThread::Start(std::move(worker));
    ASSERT_TRUE(test::PumpUntil(*handOver, view, wakeUp, [&] { return view.finished || view.failed; },
                                std::chrono::minutes(5)));
    ASSERT_TRUE(view.finished);
    std::vector<Finding> ours;
    for (const auto& finding : view.findings)
        if (finding.KeyPath.find(marker) != std::string::npos || finding.Value.find(marker) != std::string::npos)
            ours.push_back(finding);
    ASSERT_EQ(Sorted(ours), Sorted(expected));

    // What the registry held before the repair, key by key.
    const std::vector<std::string> keys = {vendor, scratch.path(), kMenuOrder, sounds, kMru, kUserAssist};
    std::vector<test::StoredKey> before;
    for (const auto& key : keys) before.push_back(test::Dump(HKEY_CURRENT_USER, Wide(key)));

    ProblemListModel list;
    for (const auto& finding : ours) {
        list.Append(finding);
        list.SetChecked(list.Count() - 1, true);
    }
    UnrepairedFindings unrepaired;
    test::QuietRepairUi ui;
    const auto store = MakeWin32BackupStore();
    const auto fidelity = MakeWin32TextFidelity();
    RepairContext context{*registry, *files, *store, ui, &LocalBackupTime, SystemLeadBytes(), fidelity.get()};
    RepairOptions options;
    options.OutputDirectory = backups.path();
    std::string backupFile;
    const auto outcome = RepairFindings(list, unrepaired, context, options, backupFile);
    ASSERT_TRUE(outcome.finished);
    // The empty-key rows come last and are repaired first: the vendor key is
    // gone by the time its obsolete-software row is reached.
    EXPECT_EQ(outcome.removed, ours.size() - 1);
    EXPECT_EQ(unrepaired.Keys, (std::vector<std::string>{user + "Software"}));
    EXPECT_FALSE(registry->KeyExists(RootKey::CurrentUser, vendor));
    EXPECT_FALSE(registry->KeyExists(RootKey::CurrentUser, scratch.path() + "\\Outer"));

    // Each deleted shortcut has its copy, byte for byte, and its index line.
    const std::string copies = FileCopyFolder(backupFile);
    const std::string index = test::ReadWholeFile(copies + "\\index.txt");
    for (const auto& [path, bytes] : shortcutBytes) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(test::PathExists(path));
        const std::string name = path.substr(path.rfind('\\') + 1);
        const std::string line = "1_" + name + "\t" + path + "\r\n";
        EXPECT_NE(index.find(line), std::string::npos) << index;
        EXPECT_EQ(test::ReadWholeFile(copies + "\\1_" + name), bytes);
    }
    EXPECT_TRUE(test::PathExists(shortcuts[0].path)) << "the good shortcut stays";

    const auto parsed = ParseRegText(test::ReadWholeFile(backupFile), true);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    test::ImportWithRegistryEditor(backupFile);
    for (size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, Wide(keys[i])), before[i]);
    }
}

TEST_F(UserDataWineTest, AShortcutOnlyRepairLeavesAHeaderOnlyBackupThatImportsAsNothing) {
    test::ScratchKey scratch("Kstest-header");
    test::ScratchFolder backups("Kstest header");
    Plant(scratch.path(), "stays", REG_SZ, Data("same"));
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    const std::string desktop = SpecialFolder(CSIDL_STARTMENU);
    const std::string link = desktop + "\\" + marker + " only.lnk";
    File(backups.path() + "\\target.exe");
    Shortcut(link, backups.path() + "\\target.exe");
    const std::string bytes = test::ReadWholeFile(link);

    auto registry = MakeWin32Registry();
    auto files = MakeWin32FileSystem();
    const auto store = MakeWin32BackupStore();
    test::QuietRepairUi ui;
    RepairContext context{*registry, *files, *store, ui, &LocalBackupTime, SystemLeadBytes()};
    ProblemListModel list;
    list.Append({"Missing ShortCut reference", link, "x", RemovalKind::DeleteFile});
    list.SetChecked(0, true);
    UnrepairedFindings unrepaired;
    RepairOptions options;
    options.OutputDirectory = backups.path();
    std::string backupFile;
    ASSERT_EQ(RepairFindings(list, unrepaired, context, options, backupFile).removed, 1u);
    EXPECT_FALSE(test::PathExists(link));
    EXPECT_EQ(test::ReadWholeFile(backupFile), "REGEDIT4\r\n");
    EXPECT_EQ(test::ReadWholeFile(FileCopyFolder(backupFile) + "\\1_" + marker + " only.lnk"), bytes);

    test::ImportWithRegistryEditor(backupFile);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch.wpath()), before);
}

}  // namespace
}  // namespace ks
