// Keys anywhere under HKEY_USERS that hold nothing, sparing the system keys
// that are empty by design.
#include <memory>
#include <string>
#include <vector>

#include "scan/key_content.h"
#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "base/text.h"

namespace ks {

namespace {

// The LocalSystem account's profile below HKEY_USERS.
constexpr std::string_view kSystemProfile = "S-1-5-18";

// Compared ignoring case.
constexpr std::string_view kSparedAnyCase = "KasperskyLab\\protected";

// Compared with case, anywhere in the path.
constexpr const char* kSparedAlways[] = {
    "Microsoft\\Windows\\CurrentVersion\\Explorer\\MountPoints2",
    "Microsoft\\Protected Storage System Provider",
    "Software\\Microsoft\\DirectInput",
    "Printers",
    "Software\\Microsoft\\Multimedia\\Audio Compression Manager",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache",
    "Software\\Microsoft\\Windows NT\\CurrentVersion",
    "S-1-5-19_Classes",
    "S-1-5-20_Classes",
    "Microsoft\\SystemCertificates",
    "Software\\Classes",
    "Software\\Microsoft\\EventSystem",
    "Software\\Microsoft\\Internet Explorer\\Security",
    "Software\\Microsoft\\SAPI Layer",
    "Software\\Microsoft\\Speech",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Blocked",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SessionInfo",
    "Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Telephony\\HandoffPriorities",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Network\\Location Awareness",
    "Keyboard Layout\\Toggle",
    "Software\\Microsoft\\CTF",
    "Windows 3.1 Migration Status",
};

// Also spared on Windows 7 (version 6.1).
constexpr const char* kSparedWindows61[] = {
    "Software\\Microsoft\\MediaPlayer",
    "Software\\Microsoft\\MSF",
    "Software\\Microsoft\\Active Setup\\Installed Components",
    "Software\\Microsoft\\RAS AutoDial",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Action Center\\Checks",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Action Center\\Providers\\EventLog",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Cryptography",
};

// Also spared on the other 6.x versions.
constexpr const char* kSparedWindows6x[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "Software\\Microsoft\\Active Setup\\Installed Components",
    "Software\\Microsoft\\IME\\15.0\\IMESC",
    "Software\\Microsoft\\MediaPlayer",
    "Software\\Microsoft\\MSF",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Action Center\\Checks",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Action Center\\Providers\\EventLog",
    "Software\\Microsoft\\Windows\\CurrentVersion\\AppModel",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist",
    "Software\\Microsoft\\Cryptography",
    "Software\\Microsoft\\TabletTip",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
};

template <std::size_t N>
bool ContainsAny(std::string_view path, const char* const (&parts)[N]) {
    for (const char* part : parts)
        if (path.find(part) != std::string_view::npos) return true;
    return false;
}

}  // namespace

bool TScanTaskThread::MayReportEmptyKey(std::string_view keyPath) const {
    if (UpperAnsi(keyPath).find(UpperAnsi(kSparedAnyCase)) != std::string::npos) return false;
    if (ContainsAny(keyPath, kSparedAlways)) return false;
    if (IsWindows61) return !ContainsAny(keyPath, kSparedWindows61);
    if (IsWindows6x) return !ContainsAny(keyPath, kSparedWindows6x);
    return true;
}

void TScanTaskThread::ScanEmptyKeys() {
    ShowTaskCaption(ScanText(scan_text::kScanningEmptyKeys));
    ScanEmptyKeysBelow("HKEY_USERS", "");
}

// Depth first, each key tested before the keys below it. The walk keeps its
// own stack, so the registry's deepest trees cost heap, not thread stack.
void TScanTaskThread::ScanEmptyKeysBelow(std::string_view rootName, std::string_view keyPath) {
    const auto root = RootByName(rootName);
    if (!root) return;
    const bool users = *root == RootKey::Users;
    const std::string problem = ScanText(scan_text::kProblemEmptyKeys);
    struct Level {
        std::string path;
        std::vector<std::string> subkeys;
        std::size_t next = 0;
    };
    std::vector<Level> levels;
    auto enter = [&](std::string path) {
        const auto key = registry_->OpenKey(*root, path, Access::Full);
        if (!key) return;
        auto subkeys = key->SubkeyNames();
        levels.push_back(Level{std::move(path), std::move(subkeys), 0});
    };
    enter(std::string(keyPath));
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.subkeys.size()) {
            levels.pop_back();
            continue;
        }
        const std::string& name = level.subkeys[level.next++];
        // The default user's profile is never touched, at whatever depth, and
        // neither is the system's: S-1-5-18 is the same hive as ".DEFAULT".
        if (users && (EqualsNoCase(name, ".DEFAULT") || EqualsNoCase(name, kSystemProfile))) continue;
        std::string child = level.path.empty() ? name : level.path + "\\" + name;
        ShowCurrentKey(child);
        if (CountKeyContent(*registry_, *root, child) < 1 && MayReportEmptyKey(child))
            AddFinding(problem, std::string(rootName) + "\\" + level.path, name, RemovalKind::DeleteSubkey,
                       FindingReason{ReasonKind::EmptyKey});
        // May move the levels; nothing of this one is used after.
        enter(std::move(child));
    }
}

}  // namespace ks
