// The Files-and-Folders deep scan: a walk over whole hives that tests every
// string value as a file or folder reference.
#include <string>
#include <vector>

#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "base/text.h"

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
    // its open key and its subkey names until its subtree is done, and how
    // long its own path is: all levels share one path text, the current key's.
    struct Level {
        std::unique_ptr<RegistryKey> key;
        std::vector<std::string> subkeys;
        std::size_t next = 0;
        std::size_t pathLength = 0;
    };
    std::vector<Level> levels;
    std::string path(keyPath);
    const ReferenceTest::Hint hint = HintOf(nameHint);

    // One finding's key path, built in one piece: the root's name, the key,
    // and the value's name when there is one.
    auto keyText = [&](const std::string* valueName) {
        std::string text;
        text.reserve(upperRoot.size() + path.size() + (valueName ? valueName->size() : 0) + 2);
        text.append(upperRoot);
        // A value right in the hive's root: the key path is the root alone.
        if (!path.empty()) text.append(1, '\\').append(path);
        if (valueName) text.append(1, '\\').append(*valueName);
        return text;
    };

    // One key: its own values, then its subkeys are queued as the next level.
    auto visit = [&](const RegistryKey* parent, std::string_view name) {
        if (SkipsKey(*root, path)) return;
        auto key = parent ? parent->OpenSubkey(name, Access::Read) : registry_->OpenKey(*root, path, Access::Read);
        if (!key) return;
        ShowCurrentKey(path);
        for (RegValue& value : key->Values()) {
            if (value.type != RegType::String && value.type != RegType::ExpandString) continue;
            const std::string_view data = StringData(value.data);
            if (!IsMissingFileReference(data, nameHint, scanDrives, true)) continue;
            FindingReason reason = MissingReason(TestedPath(), {ReferenceTest::Source::ValueData, hint, true});
            if (value.name.find('\\') == std::string::npos) {
                std::string text = keyText(&value.name);
                // The data read is the finding's own: cut at its end, not copied.
                value.data.resize(data.size());
                AddFinding(std::string(problemText), std::move(text), std::move(value.data),
                           RemovalKind::DeleteValueInPath, std::move(reason));
            } else {
                AddFinding(std::string(problemText), keyText(nullptr), std::move(value.name),
                           RemovalKind::DeleteNamedValue, std::move(reason));
            }
        }
        Level level{std::move(key), {}, 0, path.size()};
        level.subkeys = level.key->SubkeyNames();
        levels.push_back(std::move(level));
    };

    visit(nullptr, {});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.subkeys.size()) {
            levels.pop_back();
            continue;
        }
        const std::string& name = level.subkeys[level.next++];
        if (name.empty()) continue;
        path.resize(level.pathLength);
        if (!path.empty()) path += '\\';
        path += name;
        // visit may grow the stack, which moves the levels but neither the
        // names (a moved vector keeps its buffer) nor the open key.
        visit(level.key.get(), name);
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
