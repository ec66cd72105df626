// The Files-and-Folders deep scan: a walk over whole hives that tests every
// string value as a file or folder reference.
#include <string>
#include <vector>

#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "settings/text.h"

namespace ks {

namespace {

// Left out of the walk while task 3 runs: compared with the whole key path, ignoring case.
constexpr const char* kSkipKeysLocalMachine[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "Software\\Microsoft\\Windows\\Help",
    "Software\\Microsoft\\Windows\\Html Help",
    "Software\\Classes\\Applications",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path1",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path2",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path3",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths\\path4",
    "SOFTWARE\\Microsoft\\Office\\Delivery\\SourceEngine\\Downloads",
};

// Also left out while task 3 runs on the other 6.x versions: any key path that
// contains one of these, with case.
constexpr const char* kSkipPartsLocalMachine6x[] = {
    "Software\\Microsoft\\PowerShell\\3",
    "Software\\Microsoft\\Speech\\Voices\\Tokens",
    "Software\\Microsoft\\Windows\\CurrentVersion\\ShellCompatibility\\InboxApp",
};

// Left out while task 4 runs: whole key path, ignoring case.
constexpr const char* kSkipKeysCurrentUser[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "AppEvents\\Schemes\\Apps",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU",
};

// Left out of every walk on the other 6.x versions (with case).
constexpr const char* kImmersiveShell = "Software\\Microsoft\\Windows\\CurrentVersion\\ImmersiveShell";
// Left out of every walk under HKEY_LOCAL_MACHINE (ignoring case, as a prefix).
constexpr std::string_view kNestedWow6432Node = "Software\\Wow6432Node\\Wow6432Node";

template <std::size_t N>
bool EqualsAnyNoCase(std::string_view keyPath, const char* const (&list)[N]) {
    for (const char* entry : list)
        if (EqualsNoCase(keyPath, entry)) return true;
    return false;
}

// The text of a registry string: up to its first NUL, or all of it when it
// was stored without one.
std::string_view StringData(const std::string& data) {
    const std::string_view view(data);
    return view.substr(0, view.find('\0'));
}

}  // namespace

bool TScanTaskThread::SkipsKey(RootKey root, std::string_view keyPath) const {
    if (currentTaskId_ == 3) {
        if (EqualsAnyNoCase(keyPath, kSkipKeysLocalMachine)) return true;
        if (IsWindows6x)
            for (const char* part : kSkipPartsLocalMachine6x)
                if (keyPath.find(part) != std::string_view::npos) return true;
    }
    if (currentTaskId_ == 4 && EqualsAnyNoCase(keyPath, kSkipKeysCurrentUser)) return true;
    if (IsWindows6x && keyPath.find(kImmersiveShell) != std::string_view::npos) return true;
    if (root == RootKey::LocalMachine && keyPath.size() >= kNestedWow6432Node.size() &&
        EqualsNoCase(keyPath.substr(0, kNestedWow6432Node.size()), kNestedWow6432Node))
        return true;
    return false;
}

void TScanTaskThread::ScanKeyTree(std::string_view rootName, std::string_view keyPath,
                                  std::string_view scanDrives, std::string_view nameHint,
                                  std::string_view problemText) {
    const auto root = RootByName(rootName);
    if (!root) return;
    const std::string upperRoot = UpperAnsi(rootName);

    // The walk keeps its own stack instead of recursing, so the registry's
    // deepest trees (512 levels) cost heap, not thread stack. Each level holds
    // its open key and its subkey names until its subtree is done.
    struct Level {
        std::unique_ptr<RegistryKey> key;
        std::string path;
        std::vector<std::string> subkeys;
        std::size_t next = 0;
    };
    std::vector<Level> levels;

    // One key: its own values, then its subkeys are queued as the next level.
    auto visit = [&](const RegistryKey* parent, std::string path, std::string_view name) {
        if (SkipsKey(*root, path)) return;
        auto key = parent ? parent->OpenSubkey(name, Access::Read) : registry_->OpenKey(*root, path, Access::Read);
        if (!key) return;
        ShowCurrentKey(path);
        for (const RegValue& value : key->Values()) {
            if (value.type != RegType::String && value.type != RegType::ExpandString) continue;
            const std::string_view data = StringData(value.data);
            if (!IsMissingFileReference(data, nameHint, scanDrives, true)) continue;
            // A value right in the hive's root: the key path is the root alone.
            const std::string keyText = path.empty() ? upperRoot : upperRoot + "\\" + path;
            if (value.name.find('\\') == std::string::npos)
                AddFinding(std::string(problemText), keyText + "\\" + value.name, std::string(data),
                           RemovalKind::DeleteValueInPath);
            else
                AddFinding(std::string(problemText), keyText, value.name, RemovalKind::DeleteNamedValue);
        }
        auto subkeys = key->SubkeyNames();
        levels.push_back(Level{std::move(key), std::move(path), std::move(subkeys), 0});
    };

    visit(nullptr, std::string(keyPath), {});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.subkeys.size()) {
            levels.pop_back();
            continue;
        }
        const std::string& name = level.subkeys[level.next++];
        if (name.empty()) continue;
        std::string child = level.path.empty() ? name : level.path + "\\" + name;
        // visit may grow the stack, which moves the levels but neither the
        // names (a moved vector keeps its buffer) nor the open key.
        const RegistryKey* parent = level.key.get();
        visit(parent, std::move(child), name);
    }
}

void TScanTaskThread::ScanFilesAndFoldersLocalMachine() {
    ShowTaskCaption(ScanText(scan_text::kScanningLocalMachine));
    const std::string problem = ScanText(scan_text::kProblemLocalMachine);
    ScanKeyTree("HKEY_LOCAL_MACHINE", "Software", ScanDrives, "", problem);
}

void TScanTaskThread::ScanFilesAndFoldersCurrentUser() {
    ShowTaskCaption(ScanText(scan_text::kScanningCurrentUser));
    const std::string problem = ScanText(scan_text::kProblemCurrentUser);
    ScanKeyTree("HKEY_CURRENT_USER", "", ScanDrives, "", problem);
}

void TScanTaskThread::ScanFilesAndFoldersUsers() {
    ShowTaskCaption(ScanText(scan_text::kScanningUsers));
    const std::string problem = ScanText(scan_text::kProblemUsers);
    ScanKeyTree("HKEY_USERS", "", ScanDrives, "", problem);
}

}  // namespace ks
