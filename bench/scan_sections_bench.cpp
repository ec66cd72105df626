// Whole sections on the machine itself (Wine's prefix): the shortcut walk
// against a bare FindFirstFileA walk of the same folders, and a scan of all
// 21 sections against a floor of bare work: every key tree the sections read
// enumerated once per section that reads it, plus that bare walk.
#if defined(KS_WIN_BENCH)
#include <windows.h>
#include <shlobj.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "bench.h"
#include "scan/scan_task_thread.h"
#include "scan/win/scan_worker_setup.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"

namespace ks::bench {
namespace {

// The six folders of the shortcut section, in its order.
constexpr int kShortcutFolders[] = {CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_APPDATA,
                                    CSIDL_RECENT,           CSIDL_STARTMENU,               CSIDL_DESKTOPDIRECTORY};

struct WalkTally {
    std::uint64_t folders = 0;
    std::uint64_t entries = 0;
};

// What any walk of the folders must do: list each one, and go down into each
// folder in it that is no link.
void BareFolderWalk(const std::string& folder, WalkTally& tally) {
    ++tally.folders;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string_view name(found.cFileName);
        if (name == "." || name == "..") continue;
        ++tally.entries;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            BareFolderWalk(folder + "\\" + std::string(name), tally);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The six folders, each left out when it lies inside one walked before.
WalkTally BareShortcutWalk() {
    WalkTally tally;
    std::vector<std::string> walked;
    for (int csidl : kShortcutFolders) {
        char path[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) || !path[0]) continue;
        const std::string upper = UpperAnsi(path);
        if (std::any_of(walked.begin(), walked.end(),
                        [&](const std::string& done) { return (upper + "\\").rfind(done + "\\", 0) == 0; }))
            continue;
        walked.push_back(upper);
        BareFolderWalk(path, tally);
    }
    return tally;
}

// A key tree read as bare as the registry allows: open each key, read each
// value with its data, list its subkeys; `depth` levels below the key (-1: all).
std::uint64_t BareKeys(const RegistryKey& key, int depth) {
    std::uint64_t keys = 1;
    (void)key.Values();
    const auto names = key.SubkeyNames();
    if (depth == 0) return keys;
    for (const auto& name : names)
        if (auto child = key.OpenSubkey(name, Access::Read)) keys += BareKeys(*child, depth < 0 ? -1 : depth - 1);
    return keys;
}

struct Tree {
    RootKey root;
    const char* path;
    int depth;
};

// What the 21 sections read, section by section, when they run together
// (the class and type-library walks then leave their keys to section 3).
const Tree kSectionTrees[] = {
    {RootKey::LocalMachine, "Software", -1},  // 3
    {RootKey::CurrentUser, "", -1},           // 4
    {RootKey::Users, "", -1},                 // 5
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", 1},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\Help", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\Html Help", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls", 0},
    {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0},
    {RootKey::LocalMachine, "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg", 1},
    {RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 1},  // 11
    {RootKey::LocalMachine, "Software\\Classes", 1},                                        // 12
    {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts", -1},
    {RootKey::ClassesRoot, "Interface", 2},  // 13
    {RootKey::ClassesRoot, "TypeLib", 0},
    {RootKey::CurrentUser, "Software", 1},  // 14
    {RootKey::LocalMachine, "Software", 1},
    {RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services", 1},  // 15
    {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder", -1},  // 16
    {RootKey::CurrentUser, "AppEvents\\Schemes\\Apps", -1},  // 18
    {RootKey::ClassesRoot, "AppID", 0},                      // 19
    {RootKey::ClassesRoot, "CLSID", 1},
    {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU", -1},
    {RootKey::CurrentUser,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
     0},
    {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", -1},  // 21
    {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders", 0},
    {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache", 0},
    {RootKey::LocalMachine, "Software\\Classes\\Applications", -1},  // 22
    {RootKey::Users, "", -1},                                        // 23
};

// The sections themselves, one worker as the program makes it.
double ScanSections(const std::shared_ptr<Registry>& registry, const std::shared_ptr<FileSystem>& files,
                    int first, int last, std::size_t& findings) {
    std::vector<std::string> ids;
    for (int id = first; id <= last; ++id) ids.push_back(std::to_string(id));
    auto handOver = std::make_shared<ScanHandOver>();
    auto worker = MakeScanWorker(registry, files, SettingsRecord{}, ids, handOver);
    const double start = Now();
    for (int id = first; id <= last; ++id) worker->RunCheck(id);
    const double seconds = Now() - start;
    findings = handOver->Pending();
    return seconds;
}

void ShortcutsAndFullScan() {
    std::shared_ptr<Registry> registry = MakeWin32Registry();
    std::shared_ptr<FileSystem> files = MakeWin32FileSystem();

    // Each four times, taking turns to go first, the best time kept: the
    // first walk also fills the caches, and the machine may be shared.
    double bareWalk = 1e9, shortcuts = 1e9;
    WalkTally tally;
    std::size_t shortcutFindings = 0;
    for (int round = 0; round < 4; ++round) {
        if (round % 2 == 1) shortcuts = std::min(shortcuts, ScanSections(registry, files, 17, 17, shortcutFindings));
        const double start = Now();
        tally = BareShortcutWalk();
        bareWalk = std::min(bareWalk, Now() - start);
        if (round % 2 == 0) shortcuts = std::min(shortcuts, ScanSections(registry, files, 17, 17, shortcutFindings));
    }
    Figure("shortcut_walk_folders", tally.folders);
    Figure("shortcut_walk_entries", tally.entries);
    Figure("shortcut_walk_bare_seconds", bareWalk);
    Figure("shortcut_walk_seconds", shortcuts);
    Figure("shortcut_walk_ratio_to_bare", shortcuts / bareWalk);

    double floor = 1e9, scan = 1e9;
    std::uint64_t keys = 0;
    std::size_t findings = 0;
    for (int round = 0; round < 2; ++round) {
        if (round == 1) scan = std::min(scan, ScanSections(registry, files, 3, 23, findings));
        const double start = Now();
        keys = 0;
        for (const Tree& tree : kSectionTrees)
            if (auto key = registry->OpenKey(tree.root, tree.path, Access::Read)) keys += BareKeys(*key, tree.depth);
        (void)BareShortcutWalk();
        floor = std::min(floor, Now() - start);
        if (round == 0) scan = std::min(scan, ScanSections(registry, files, 3, 23, findings));
    }
    Figure("full_scan_floor_keys", keys);
    Figure("full_scan_findings", static_cast<std::uint64_t>(findings));
    Figure("full_scan_floor_seconds", floor);
    Figure("full_scan_seconds", scan);
    Figure("full_scan_ratio_to_floor", scan / floor);
}

const BenchRegistration sections{"scan_sections_wine", &ShortcutsAndFullScan};

}  // namespace
}  // namespace ks::bench
#endif
