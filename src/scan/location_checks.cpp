// The checks of the lists where Windows records program locations, fonts,
// help files, shared libraries, startup commands, uninstall entries and
// services: each entry whose file is gone, or which is incomplete, is reported.
#include <string>
#include <unordered_set>
#include <vector>

#include "scan/location_keys.h"
#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "base/text.h"

namespace ks {

namespace {

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr const char* kFonts9x = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
constexpr const char* kFontsNt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const char* kHelp = "Software\\Microsoft\\Windows\\Help";
constexpr const char* kHtmlHelp = "Software\\Microsoft\\Windows\\Html Help";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Startup entries switched off in the system configuration tool.
constexpr const char* kStartupReg = "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kServices = "SYSTEM\\CurrentControlSet\\Services";
constexpr int kCsidlFonts = 20;

bool IsString(std::uint32_t type) { return type == RegType::String || type == RegType::ExpandString; }

}  // namespace

bool TScanTaskThread::FailsRemovableMediaTest(std::string_view text) const {
    if (!includeRemoveMedia_ || text.size() < 3 || text[1] != ':' || text[2] != '\\') return false;
    const char drive = UpperAnsiChar(text[0]);
    return (drive == 'A' && !DriveAReady) || (drive == 'B' && !DriveBReady);
}

bool TScanTaskThread::IsMissing(std::string_view text, bool allowFolder) {
    return IsMissingFileReference(text, "", ScanDrives, allowFolder);
}

void TScanTaskThread::ScanSoftwareLocations() {
    ShowTaskCaption(ScanText(scan_text::kScanningSoftwareLocations));
    const std::string problem = ScanText(scan_text::kProblemSoftwareLocations);
    auto list = registry_->OpenKey(RootKey::LocalMachine, kAppPaths, Access::Full);
    if (!list) return;
    for (const std::string& name : list->SubkeyNames()) {
        // Entries name programs: a name with a dot is one only when it ends in ".exe".
        if (name.find('.') != std::string::npos &&
            (name.size() < 4 || UpperAnsi(std::string_view(name).substr(name.size() - 4)) != ".EXE"))
            continue;
        const std::string path = std::string(kAppPaths) + "\\" + name;
        auto entry = registry_->OpenKey(RootKey::LocalMachine, path, Access::Full);
        if (!entry) continue;
        ShowCurrentKey(path);
        const auto value = entry->ReadValue("");
        if (!value || !IsString(value->type)) continue;
        const std::string_view data = StringData(value->data);
        if (data.empty() || !IsMissingFileReference(data, name, ScanDrives, true)) continue;
        AddFinding(problem, JoinKeyPath(kLocalMachine, path), std::string(data), RemovalKind::DeleteKey,
                   MissingReason(TestedPath(), {ReferenceTest::Source::ValueData, ReferenceTest::Hint::KeyName, true}));
    }
}

void TScanTaskThread::ScanWindowsFonts() {
    ShowTaskCaption(ScanText(scan_text::kScanningFonts));
    const std::string problem = ScanText(scan_text::kProblemFonts);
    const auto version = files_->WindowsVersionCode();
    const char* keyPath = version == 1 || version == 3 || version == 8 ? kFonts9x : kFontsNt;

    // A font installed in the fonts folder is never reported, whatever its entry says.
    std::unordered_set<std::string> installed;
    if (const std::string folder = files_->SpecialFolder(kCsidlFonts); !folder.empty())
        if (const auto entries = files_->ListFolder(folder))
            for (const FolderEntry& entry : *entries)
                if (!entry.isFolder) installed.insert(UpperAnsi(entry.name));

    auto key = registry_->OpenKey(RootKey::LocalMachine, keyPath, Access::Full);
    if (!key) return;
    ShowCurrentKey(keyPath);
    const std::string keyText = JoinKeyPath(kLocalMachine, keyPath);
    for (RegValue& value : key->Values()) {
        if (!IsString(value.type)) continue;
        const std::string_view data = StringData(value.data);
        const bool noDisk = FailsRemovableMediaTest(data);
        if (!noDisk && (installed.count(UpperAnsi(data)) != 0 || !IsMissing(data))) continue;
        handOver_->AddFinding(ValueFinding(problem, keyText, value.name, std::string(data),
                                           MissingReason(noDisk ? data : TestedPath(),
                                                         {ReferenceTest::Source::ValueData})));
    }
}

void TScanTaskThread::ScanHelpKey(std::string_view keyPath, const std::string& problem) {
    auto key = registry_->OpenKey(RootKey::LocalMachine, keyPath, Access::Full);
    if (!key) return;
    ShowCurrentKey(keyPath);
    const std::string keyText = JoinKeyPath(kLocalMachine, keyPath);
    for (const RegValue& value : key->Values()) {
        if (!IsString(value.type)) continue;
        // The data is the folder, the value's name the file in it.
        std::string full(StringData(value.data));
        if (!full.empty()) full = WithTrailingBackslash(std::move(full));
        full += value.name;
        const bool noDisk = FailsRemovableMediaTest(full);
        if (!noDisk && !IsMissing(full)) continue;
        FindingReason reason = MissingReason(noDisk ? std::string_view(full) : TestedPath(),
                                             {ReferenceTest::Source::DataAndName});
        handOver_->AddFinding(ValueFinding(problem, keyText, value.name, std::move(full), std::move(reason)));
    }
}

void TScanTaskThread::ScanHelpFiles() {
    ShowTaskCaption(ScanText(scan_text::kScanningHelpFiles));
    const std::string problem = ScanText(scan_text::kProblemHelpFiles);
    ScanHelpKey(kHelp, problem);
    ScanHelpKey(kHtmlHelp, problem);
}

void TScanTaskThread::ScanSharedDlls() {
    ShowTaskCaption(ScanText(scan_text::kScanningSharedDlls));
    const std::string problem = ScanText(scan_text::kProblemSharedDlls);
    auto key = registry_->OpenKey(RootKey::LocalMachine, kSharedDlls, Access::Full);
    if (!key) return;
    ShowCurrentKey(kSharedDlls);
    const std::string keyText = JoinKeyPath(kLocalMachine, kSharedDlls);
    // The value names are the libraries' paths, the data their use counts.
    for (RegValue& value : key->Values()) {
        if (value.type != RegType::Dword) continue;
        const bool noDisk = FailsRemovableMediaTest(value.name);
        const bool unused = IntegerData(value.data) == 0;
        if (!noDisk && !unused && !IsMissing(value.name)) continue;
        // An unused library goes whether or not its file is there.
        FindingReason reason = unused ? FindingReason{ReasonKind::ZeroUseCount}
                                      : MissingReason(noDisk ? std::string_view(value.name) : TestedPath(),
                                                      {ReferenceTest::Source::ValueName});
        AddFinding(problem, keyText, std::move(value.name), RemovalKind::DeleteNamedValue, std::move(reason));
    }
}

void TScanTaskThread::ScanRunKey(std::string_view rootName, std::string_view keyPath) {
    const auto root = RootByName(rootName);
    if (!root) return;
    auto key = registry_->OpenKey(*root, keyPath, Access::Full);
    if (!key) return;
    ShowCurrentKey(keyPath);
    const std::string problem = ScanText(scan_text::kProblemStartup);
    const std::string keyText = JoinKeyPath(UpperAnsi(rootName), keyPath);
    for (const RegValue& value : key->Values()) {
        if (!IsString(value.type)) continue;
        const std::string_view data = StringData(value.data);
        const bool empty = data.empty() || data == "\"\"";
        if (!empty && !IsMissing(data)) continue;
        handOver_->AddFinding(ValueFinding(
            problem, keyText, value.name, std::string(data),
            empty ? FindingReason{ReasonKind::EmptyCommand}
                  : MissingReason(TestedPath(), {ReferenceTest::Source::ValueData})));
    }
}

void TScanTaskThread::ScanStartupPrograms() {
    ShowTaskCaption(ScanText(scan_text::kScanningStartup));
    ScanRunKey("HKEY_CURRENT_USER", kRun);
    ScanRunKey("HKEY_CURRENT_USER", kRunOnce);
    ScanRunKey(kLocalMachine, kRun);
    ScanRunKey(kLocalMachine, kRunOnce);

    // The entries switched off in the system configuration tool: an odd one
    // there ends this part quietly, with what it found so far kept.
    try {
        auto list = registry_->OpenKey(RootKey::LocalMachine, kStartupReg, Access::Full);
        if (!list) return;
        ShowCurrentKey(kStartupReg);
        const std::string problem = ScanText(scan_text::kProblemStartup);
        for (const std::string& name : list->SubkeyNames()) {
            auto entry = list->OpenSubkey(name, Access::Full);
            if (!entry) continue;
            const auto command = entry->ReadValue("command");
            if (!command || !IsString(command->type)) continue;
            const std::string_view data = StringData(command->data);
            if (!IsMissing(data)) continue;
            AddFinding(problem, JoinKeyPath(kLocalMachine, std::string(kStartupReg) + "\\" + name), std::string(data),
                       RemovalKind::DeleteKey,
                       MissingReason(TestedPath(), {ReferenceTest::Source::ValueData, ReferenceTest::Hint::None, false,
                                                      ReferenceTest::KeyValue::Command}));
        }
    } catch (const ScanStopped&) {
        throw;
    } catch (...) {
    }
}

void TScanTaskThread::ScanAddRemovePrograms() {
    ShowTaskCaption(ScanText(scan_text::kScanningAddRemove));
    const std::string problem = ScanText(scan_text::kProblemAddRemove);
    auto list = registry_->OpenKey(RootKey::LocalMachine, kUninstall, Access::Full);
    if (!list) return;
    const std::string listText = JoinKeyPath(kLocalMachine, kUninstall);
    for (std::string& name : list->SubkeyNames()) {
        // Entries named by a product code belong to the installer service.
        if (!name.empty() && name.front() == '{') continue;
        const std::string path = std::string(kUninstall) + "\\" + name;
        ShowCurrentKey(path);
        auto entry = registry_->OpenKey(RootKey::LocalMachine, path, Access::Full);
        if (!entry) continue;
        bool uninstallable = false;
        for (const std::string& valueName : entry->ValueNames())
            if (valueName.find("UninstallString") != std::string::npos) uninstallable = true;
        if (uninstallable || entry->ValueExists("SystemComponent")) continue;
        AddFinding(problem, listText, std::move(name), RemovalKind::DeleteSubkey,
                   FindingReason{ReasonKind::NoUninstallCommand});
    }
}

void TScanTaskThread::ScanWindowsServices() {
    ShowTaskCaption(ScanText(scan_text::kScanningServices));
    const std::string problem = ScanText(scan_text::kProblemServices);
    auto list = registry_->OpenKey(RootKey::LocalMachine, kServices, Access::Full);
    if (!list) return;
    for (const std::string& name : list->SubkeyNames()) {
        if (UpperAnsi(name).find("SLSVC") != std::string::npos) continue;
        const std::string path = std::string(kServices) + "\\" + name;
        auto service = registry_->OpenKey(RootKey::LocalMachine, path, Access::Full);
        if (!service) continue;
        ShowCurrentKey(path);
        const auto image = service->ReadValue("ImagePath");
        if (!image || !IsString(image->type)) continue;
        const std::string_view data = StringData(image->data);
        if (!IsMissing(data, true)) continue;
        // Only the image path goes: the service's own key stays.
        AddFinding(problem, JoinKeyPath(kLocalMachine, path) + "\\ImagePath", std::string(data),
                   RemovalKind::DeleteValueInPath,
                   MissingReason(TestedPath(), {ReferenceTest::Source::ValueData, ReferenceTest::Hint::None, true}));
    }
}

}  // namespace ks
