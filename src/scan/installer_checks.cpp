// The installer's records (uninstall entries, installed folders, the cache of
// the Add/Remove Programs list) and the programs offered under "Open with".
#include <string>
#include <unordered_set>

#include "scan/location_keys.h"
#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "base/text.h"

namespace ks {

namespace {

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kInstallerFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr const char* kArpCache = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
constexpr const char* kApplications = "Software\\Classes\\Applications";
// What FindSubkeyValue leaves when it finds nothing more.
constexpr std::string_view kNotFound = "Not Found";

}  // namespace

void TScanTaskThread::ScanInstaller() {
    ShowTaskCaption(ScanText(scan_text::kScanningInstaller));
    const std::string problem = ScanText(scan_text::kProblemInstaller);

    // Every program an uninstall entry names.
    ScanKeyTree(kLocalMachine, kUninstall, ScanDrives, ".exe", problem);

    // Folders the installer created: the value names are the folders.
    if (auto folders = registry_->OpenKey(RootKey::LocalMachine, kInstallerFolders, Access::Full)) {
        ShowCurrentKey(kInstallerFolders);
        const std::string keyText = JoinKeyPath(kLocalMachine, kInstallerFolders);
        for (std::string& name : folders->ValueNames())
            if (IsMissing(name, true))
                AddFinding(problem, keyText, std::move(name), RemovalKind::DeleteNamedValue,
                           MissingReason(TestedPath(),
                                         {ReferenceTest::Source::ValueName, ReferenceTest::Hint::None, true}));
    }

    // Cached sizes and usage of programs that no longer have an uninstall
    // entry: only a whole list of the entries can tell which ones those are.
    const auto uninstall = registry_->OpenKey(RootKey::LocalMachine, kUninstall, Access::Read);
    const auto entries = uninstall ? uninstall->AllSubkeyNames() : std::nullopt;
    if (!entries) return;
    std::unordered_set<std::string> installed;
    for (const std::string& name : *entries) installed.insert(UpperAnsi(name));
    auto cache = registry_->OpenKey(RootKey::LocalMachine, kArpCache, Access::Read);
    if (!cache) return;
    ShowCurrentKey(kArpCache);
    const std::string keyText = JoinKeyPath(kLocalMachine, kArpCache);
    for (std::string& name : cache->SubkeyNames())
        if (installed.count(UpperAnsi(name)) == 0)
            AddFinding(problem, keyText, name, RemovalKind::DeleteSubkey,
                       FindingReason{ReasonKind::NoUninstallEntry, name});
}

void TScanTaskThread::FindSubkeyValue(RootKey root, std::string& foundKey, const std::string& startPath,
                                      std::string_view subkeyName, std::string_view valueName, std::string& value) {
    value = kNotFound;
    const auto key = registry_->OpenKey(root, startPath, Access::Full);
    if (!key) return;
    if (const auto sub = key->OpenSubkey(subkeyName, Access::Full)) {
        const auto read = sub->ReadValue(valueName);
        if (!read || read->type == RegType::String || read->type == RegType::ExpandString) {
            if (foundKey.empty()) {
                foundKey = startPath;
                value = read ? std::string(StringData(read->data)) : std::string();
                return;
            }
            // The key returned last time: the next one found is the answer.
            if (foundKey == startPath) foundKey.clear();
        }
        // Nothing below a key that has the subkey is looked at.
        return;
    }
    for (const std::string& child : key->SubkeyNames()) {
        FindSubkeyValue(root, foundKey, startPath + "\\" + child, subkeyName, valueName, value);
        if (value != kNotFound) return;
    }
}

void TScanTaskThread::ScanApplications() {
    // This section shows no caption of its own: the one before it stays.
    const std::string problem = ScanText(scan_text::kProblemApplications);
    try {
        auto list = registry_->OpenKey(RootKey::LocalMachine, kApplications, Access::Full);
        if (!list) return;
        for (const std::string& name : list->SubkeyNames()) {
            const std::string start = std::string(kApplications) + "\\" + name;
            ShowCurrentKey(start);
            // Each call walks the program's keys again from the start and
            // returns the command key after the one it returned last.
            std::string foundKey;
            std::string command;
            for (;;) {
                FindSubkeyValue(RootKey::LocalMachine, foundKey, start, "command", "", command);
                if (command == kNotFound) break;
                if (command.empty() || IsMissing(command))
                    AddFinding(problem, JoinKeyPath(kLocalMachine, foundKey) + "\\command", command,
                               RemovalKind::DeleteKey,
                               command.empty() ? FindingReason{ReasonKind::EmptyCommand}
                                               : MissingReason(TestedPath(), {ReferenceTest::Source::ValueData}));
            }
        }
    } catch (const ScanStopped&) {
        throw;
    } catch (...) {
        // Anything unexpected ends this section quietly; what it found stays.
    }
}

}  // namespace ks
