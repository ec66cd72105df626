// What programs and the user leave behind in the registry: vendor keys that
// hold nothing, Start-menu orderings of folders that are gone, event sounds
// and recently-used entries that name missing files.
#include <cstdint>
#include <string>
#include <vector>

#include "scan/key_content.h"
#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "scan/scanned_drive.h"
#include "base/text.h"

namespace ks {

namespace {

constexpr const char* kMenuOrderKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\&Programs",
};

constexpr int kCsidlPrograms = 2;
constexpr int kCsidlCommonPrograms = 23;

constexpr const char* kSchemeNames[] = {".current", ".default", "utopia0"};

constexpr const char* kOpenSaveMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";
constexpr const char* kUserAssistCount =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";
// Larger UserAssist data is not an entry of this list.
constexpr std::uint32_t kUserAssistLargestBytes = 0x7FFF;
// The run count: four bytes, little-endian, after the first four.
constexpr std::size_t kRunCountOffset = 4;

bool IsText(std::uint32_t type) { return type == RegType::String || type == RegType::ExpandString; }

// A registry string up to its first NUL.
std::string TextOf(const RegValue& value) { return value.data.substr(0, value.data.find('\0')); }

}  // namespace

void TScanTaskThread::ScanObsoleteSoftware() {
    ShowTaskCaption(ScanText(scan_text::kScanningObsoleteSoftware));
    ScanObsoleteSoftwareRoot("HKEY_CURRENT_USER", "Software");
    ScanObsoleteSoftwareRoot("HKEY_LOCAL_MACHINE", "Software");
}

void TScanTaskThread::ScanObsoleteSoftwareRoot(std::string_view rootName, std::string_view keyPath) {
    const auto root = RootByName(rootName);
    if (!root) return;
    const auto key = registry_->OpenKey(*root, keyPath, Access::Full);
    if (!key) return;
    const std::string problem = ScanText(scan_text::kProblemObsoleteSoftware);
    const std::string parent = std::string(rootName) + "\\" + std::string(keyPath);
    for (const auto& vendor : key->SubkeyNames()) {
        const std::string child = std::string(keyPath) + "\\" + vendor;
        ShowCurrentKey(child);
        if (CountKeyContent(*registry_, *root, child) < 1)
            AddFinding(problem, parent, vendor, RemovalKind::DeleteSubkey, FindingReason{ReasonKind::EmptyKey});
    }
}

void TScanTaskThread::ScanStartMenu() {
    ShowTaskCaption(ScanText(scan_text::kScanningStartMenu));
    // An ordering is reported when no Programs folder holds its folder, so
    // both folders must be listed whole; otherwise nothing is reported.
    std::vector<std::string> folders;
    for (int csidl : {kCsidlPrograms, kCsidlCommonPrograms}) {
        const std::string programs = files_->SpecialFolder(csidl);
        // An empty path would list the current folder instead.
        if (programs.empty()) return;
        const auto entries = files_->ListFolder(programs);
        if (!entries) return;
        for (const auto& entry : *entries)
            if (entry.isFolder) folders.push_back(entry.name);
    }
    const std::string problem = ScanText(scan_text::kProblemStartMenu);
    for (const char* keyPath : kMenuOrderKeys) {
        const auto key = registry_->OpenKey(RootKey::CurrentUser, keyPath, Access::Full);
        if (!key) continue;
        for (const auto& name : key->SubkeyNames()) {
            ShowCurrentKey(std::string(keyPath) + "\\" + name);
            bool present = false;
            for (const auto& folder : folders)
                if (EqualsNoCase(folder, name)) present = true;
            if (!present)
                AddFinding(problem, std::string("HKEY_CURRENT_USER\\") + keyPath, name, RemovalKind::DeleteSubkey,
                           FindingReason{ReasonKind::NoStartMenuFolder, name});
        }
    }
}

void TScanTaskThread::ScanSoundEvents() {
    ShowTaskCaption(ScanText(scan_text::kScanningSounds));
    ScanSoundSchemeKey("HKEY_Current_User", "AppEvents\\Schemes\\Apps", "");
}

void TScanTaskThread::ScanSoundSchemeKey(std::string_view rootName, std::string_view prefix, std::string_view name) {
    const auto root = RootByName(rootName);
    if (!root) return;
    const std::string path = std::string(prefix) + std::string(name);
    const auto key = registry_->OpenKey(*root, path, Access::Full);
    if (!key) return;
    bool scheme = false;
    for (const char* schemeName : kSchemeNames)
        if (EqualsNoCase(name, schemeName)) scheme = true;
    if (scheme) {
        const auto sound = key->ReadValue("");
        if (sound && IsText(sound->type)) {
            ShowCurrentKey(path);
            std::string file = TextOf(*sound);
            if (IsMissingFileReference(file, "", ScanDrives, false))
                AddFinding(ScanText(scan_text::kProblemSound), UpperAnsi(rootName) + "\\" + path, std::move(file),
                           RemovalKind::DeleteDefaultValue,
                           MissingReason(TestedPath(), {ReferenceTest::Source::ValueData}));
        }
    }
    for (const auto& subkey : key->SubkeyNames()) ScanSoundSchemeKey(rootName, path + "\\", subkey);
}

void TScanTaskThread::ScanRecentLists() {
    ShowTaskCaption(ScanText(scan_text::kScanningRecentLists));
    const std::string problem = ScanText(scan_text::kProblemRecentLists);
    const std::string keyText = std::string("HKEY_CURRENT_USER\\") + kOpenSaveMru;
    if (const auto key = registry_->OpenKey(RootKey::CurrentUser, kOpenSaveMru, Access::Full)) {
        ShowCurrentKey(kOpenSaveMru);
        // One subkey per extension the dialogs remembered, and "*" for any.
        const auto extensions = key->SubkeyNames();
        for (const auto& value : key->Values()) {
            if (!IsText(value.type)) continue;
            const std::string file = TextOf(value);
            if (!OnScannedDrive(file, ScanDrives)) continue;
            bool found = false;
            for (const auto& extension : extensions)
                if (extension != "*" && files_->FileExists(file + "." + extension)) {
                    found = true;
                    break;
                }
            if (found) continue;
            Finding finding = ValueFinding(problem, keyText, value.name, file,
                                           {ReasonKind::MissingRecentFile, file, {ReferenceTest::Source::RecentFile}});
            AddFinding(std::move(finding.Problem), std::move(finding.KeyPath), std::move(finding.Value),
                       finding.RemovalKind, std::move(finding.Reason));
        }
        for (const auto& extension : extensions)
            ScanKeyTree("HKEY_CURRENT_USER", std::string(kOpenSaveMru) + "\\" + extension, ScanDrives, "", problem);
    }
    ScanUserAssist(problem);
}

// A value shorter than eight bytes has no run count: nothing says the entry
// was never run, so only a missing path reports it.
void TScanTaskThread::ScanUserAssist(const std::string& problem) {
    try {
        const auto key = registry_->OpenKey(RootKey::CurrentUser, kUserAssistCount, Access::Full);
        if (!key) return;
        ShowCurrentKey(kUserAssistCount);
        for (const auto& stored : key->ValueNames()) {
            const auto info = key->QueryValueInfo(stored);
            if (!info || info->sizeBytes > kUserAssistLargestBytes) continue;
            const auto value = key->ReadValue(stored);
            if (!value) continue;
            const std::string name = Rot13Text(stored);
            bool missing = false;
            const size_t colon = name.find(':');
            if (name.find(".lnk") == std::string::npos && colon != std::string::npos)
                missing = IsMissingFileReference(std::string_view(name).substr(colon + 1), "", ScanDrives, true);
            bool neverRun = false;
            if (value->data.size() >= kRunCountOffset + 4) {
                std::uint32_t count = 0;
                for (size_t i = 0; i < 4; ++i)
                    count |= static_cast<std::uint32_t>(static_cast<unsigned char>(value->data[kRunCountOffset + i]))
                             << (8 * i);
                neverRun = count == 0;
            }
            // A program never run goes whether or not its file is there.
            if (neverRun || missing)
                AddFinding(problem, std::string("HKEY_CURRENT_USER\\") + kUserAssistCount, name,
                           RemovalKind::DeleteEncodedValue,
                           neverRun ? FindingReason{ReasonKind::NeverRun}
                                    : MissingReason(TestedPath(), {ReferenceTest::Source::NameAfterColon, ReferenceTest::Hint::None, true}));
        }
    } catch (const ScanStopped&) {
        throw;
    } catch (...) {
        // This list's own trouble ends only this list.
    }
}

}  // namespace ks
