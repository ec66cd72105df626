// How file types and COM classes are registered: orphaned extension and class
// keys, class keys whose default value names a missing file, interfaces whose
// type library is not registered, and classes whose application id is not.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "scan/key_content.h"
#include "scan/scan_task_thread.h"
#include "scan/scan_texts.h"
#include "scan/task_ids.h"
#include "base/text.h"

namespace ks {

namespace {

constexpr const char* kClassesRootName = "HKEY_CLASSES_ROOT";
constexpr std::string_view kMachineClasses = "Software\\Classes";
constexpr std::string_view kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
// A class the application-id test never reports, compared with case.
constexpr std::string_view kExemptClass = "{91C4C540-9FDD-11D2-AFAA-00105A305A2B}";

std::string Joined(std::string_view parent, std::string_view name) {
    std::string path;
    path.reserve(parent.size() + name.size() + 1);
    path.append(parent).append(1, '\\').append(name);
    return path;
}

// The text of a string or expandable-string value, up to its first NUL;
// nothing for a value of any other type or one that is absent.
std::optional<std::string> ReadText(const RegistryKey& key, std::string_view name) {
    auto value = key.ReadValue(name);
    if (!value || (value->type != RegType::String && value->type != RegType::ExpandString)) return std::nullopt;
    value->data.resize(std::min(value->data.find('\0'), value->data.size()));
    return std::move(value->data);
}

// The subkey names of a key below HKEY_CLASSES_ROOT, upper-cased for the
// substring tests. Whatever is checked against the list is reported when it
// is not on it, so only the whole list will do: nothing when the key cannot
// be read, or not to the end. Reading needs no more than read rights.
std::optional<std::vector<std::string>> UpperSubkeyNames(Registry& registry, std::string_view path) {
    const auto key = registry.OpenKey(RootKey::ClassesRoot, path, Access::Read);
    if (!key) return std::nullopt;
    auto names = key->AllSubkeyNames();
    if (names)
        for (auto& name : *names) name = UpperAnsi(name);
    return names;
}

bool AnyContains(const std::vector<std::string>& upperNames, std::string_view upperPart) {
    return std::any_of(upperNames.begin(), upperNames.end(),
                       [&](const std::string& name) { return name.find(upperPart) != std::string::npos; });
}

// A key directly below the machine's classes: whether it holds nothing worth
// keeping. Integer and bytes defaults mark keys that are kept whatever else
// they hold; a lone default value of any other type that is not text (a
// multi-string, say) is data this test does not understand, so it keeps the
// key too.
bool IsOrphanedMachineClass(const RegistryKey& classes, std::string_view name, bool keepAnyValue) {
    const auto key = classes.OpenSubkey(name, Access::Full);
    if (!key) return false;
    const auto info = key->Info();
    if (!info || info->subkeys != 0) return false;
    if (keepAnyValue) return info->values == 0;
    const ValueKind kind = key->ValueType("");
    if (kind == ValueKind::Integer || kind == ValueKind::Bytes) return false;
    if (info->values == 0) return true;
    if (info->values != 1) return false;
    const auto text = ReadText(*key, "");
    return text && text->empty();
}

// The class-default walk: one key's default value, then every key below it.
// A stale default removes the key that holds it, except at the walk's start:
// "CLSID" holds every class, and its own default naming a missing file is no
// reason to unregister them all, so there only the default value goes.
struct ClassDefaultsWalk {
    TScanTaskThread& worker;
    std::string_view rootName;
    std::string problem;
    std::string path;  // Prefix + Name of the key being visited
    std::size_t startLength = 0;

    void Visit(const RegistryKey& key) {
        worker.ShowCurrentKey(path);
        if (auto data = ReadText(key, "");
            data && worker.IsMissingFileReference(*data, "", worker.ScanDrives, false))
            worker.AddFinding(problem, Joined(rootName, path), std::move(*data),
                              path.size() == startLength ? RemovalKind::DeleteDefaultValue : RemovalKind::DeleteKey,
                              TScanTaskThread::MissingReason(worker.TestedPath(), {ReferenceTest::Source::ValueData}));
        const std::size_t length = path.size();
        for (const auto& name : key.SubkeyNames()) {
            // An empty name would open this very key again.
            if (name.empty()) continue;
            path.resize(length);
            path.append(1, '\\').append(name);
            if (const auto child = key.OpenSubkey(name, Access::Full)) Visit(*child);
        }
        path.resize(length);
    }
};

}  // namespace

bool TScanTaskThread::IsDeepScanQueued() const {
    return std::any_of(taskIds_.begin(), taskIds_.end(), [](const std::string& id) { return ParseTaskId(id) == 3; });
}

void TScanTaskThread::ScanFileExtensions() {
    ShowTaskCaption(ScanText(scan_text::kScanningFileExtensions));
    const std::string problem = ScanText(scan_text::kProblemFileExtension);
    // Under WOW64 on 6.1 a key is kept as soon as it holds any value.
    const bool wow64On61 = IsWindows61 && IsWow64;

    if (const auto classes = registry_->OpenKey(RootKey::LocalMachine, kMachineClasses, Access::Full)) {
        const std::string keyText = Joined("HKEY_LOCAL_MACHINE", kMachineClasses);
        for (auto& name : classes->SubkeyNames()) {
            ShowCurrentKey(Joined(kMachineClasses, name));
            if (IsOrphanedMachineClass(*classes, name, wow64On61))
                AddFinding(problem, keyText, std::move(name), RemovalKind::DeleteSubkey,
                           FindingReason{wow64On61 ? ReasonKind::EmptyKey : ReasonKind::EmptyClass});
        }
    }

    const auto exts = registry_->OpenKey(RootKey::CurrentUser, kFileExts, Access::Full);
    if (!exts) return;
    const std::string keyText = Joined("HKEY_CURRENT_USER", kFileExts);
    for (auto& name : exts->SubkeyNames()) {
        const std::string path = Joined(kFileExts, name);
        ShowCurrentKey(path);
        bool orphaned = false;
        if (wow64On61) {
            const auto key = exts->OpenSubkey(name, Access::Full);
            const auto info = key ? key->Info() : std::nullopt;
            orphaned = info && info->subkeys == 0 && info->values == 0;
        } else if (!(IsWindows61 && name == ".")) {
            orphaned = CountKeyContent(*registry_, RootKey::CurrentUser, path) < 1;
        }
        if (orphaned)
            AddFinding(problem, keyText, std::move(name), RemovalKind::DeleteSubkey,
                       FindingReason{ReasonKind::EmptyKey});
    }
}

void TScanTaskThread::ScanClassDefaults(std::string_view rootName, std::string_view prefix, std::string_view name) {
    const auto root = RootByName(rootName);
    if (!root) return;
    ClassDefaultsWalk walk{*this, rootName, ScanText(scan_text::kProblemCustomControls), std::string(prefix)};
    walk.path.append(name);
    walk.startLength = walk.path.size();
    if (const auto key = registry_->OpenKey(*root, walk.path, Access::Full)) walk.Visit(*key);
}

void TScanTaskThread::ScanInterfaceTypeLibs() {
    const std::string problem = ScanText(scan_text::kProblemCustomControls);
    const auto libs = UpperSubkeyNames(*registry_, "TypeLib");
    if (!libs) return;
    const auto interfaces = registry_->OpenKey(RootKey::ClassesRoot, "Interface", Access::Full);
    if (!interfaces) return;
    for (const auto& id : interfaces->SubkeyNames()) {
        const auto key = interfaces->OpenSubkey(id, Access::Full);
        if (!key) continue;
        const std::string path = Joined("Interface", id);
        ShowCurrentKey(path);
        const auto name = ReadText(*key, "");
        if (!name) continue;
        const auto typeLib = key->OpenSubkey("TypeLib", Access::Full);
        if (!typeLib) continue;
        const auto libId = ReadText(*typeLib, "");
        if (!libId) continue;
        if (!libId->empty() && AnyContains(*libs, UpperAnsi(*libId))) continue;
        AddFinding(problem, Joined(kClassesRootName, path), *name + " - " + *libId, RemovalKind::DeleteKey,
                   libId->empty() ? FindingReason{ReasonKind::NoTypeLib}
                                  : FindingReason{ReasonKind::UnregisteredTypeLib, *libId});
    }
}

void TScanTaskThread::ScanCustomControls() {
    ShowTaskCaption(ScanText(scan_text::kScanningCustomControls));
    if (!IsDeepScanQueued()) ScanClassDefaults(kClassesRootName, "CLSID", "");
    ScanInterfaceTypeLibs();
}

void TScanTaskThread::ScanClassAppIds() {
    ShowTaskCaption(ScanText(scan_text::kScanningActiveX));
    const std::string problem = ScanText(scan_text::kProblemActiveX);
    const auto appIds = UpperSubkeyNames(*registry_, "AppID");
    if (!appIds) return;
    const auto classes = registry_->OpenKey(RootKey::ClassesRoot, "CLSID", Access::Full);
    if (!classes) return;
    for (const auto& id : classes->SubkeyNames()) {
        const std::string path = Joined("CLSID", id);
        ShowCurrentKey(path);
        if (id == kExemptClass) continue;
        const auto key = classes->OpenSubkey(id, Access::Full);
        if (!key) continue;
        auto appId = ReadText(*key, "AppID");
        if (!appId || appId->empty()) continue;
        if (AnyContains(*appIds, UpperAnsi(*appId)) || AnyContains(*appIds, UpperAnsi(id))) continue;
        if (const auto server = key->OpenSubkey("InprocServer32", Access::Full)) {
            const auto file = ReadText(*server, "");
            if (!file || UpperAnsi(*file).find("OLEACC.DLL") != std::string::npos) continue;
        }
        AddFinding(problem, Joined(kClassesRootName, path), *appId, RemovalKind::DeleteKey,
                   FindingReason{ReasonKind::UnregisteredAppId, *appId});
    }
}

void TScanTaskThread::ScanActiveX() {
    ShowTaskCaption(ScanText(scan_text::kScanningActiveX));
    if (!IsDeepScanQueued())
        ScanKeyTree(kClassesRootName, "TypeLib", ScanDrives, ".dll", ScanText(scan_text::kProblemActiveX));
    ScanClassAppIds();
}

}  // namespace ks
