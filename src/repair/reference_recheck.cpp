// The second test of a reference row, at repair.
#include "repair/reference_recheck.h"

#include <algorithm>

#include "repair/repair.h"
#include "scan/scanned_drive.h"
#include "scan/shortcut_target.h"

namespace ks {

namespace {

using Source = ReferenceTest::Source;

// A value's text up to its first NUL; nothing when the value is absent, and
// an empty optional string when it is there but holds no text.
struct ReadText {
    bool present = false;
    std::optional<std::string> text;
};

ReadText ReadValueText(Registry& registry, std::string_view rootName, std::string_view keyPath,
                       std::string_view valueName) {
    const auto root = RootByName(rootName);
    if (!root) return {};
    const auto key = registry.OpenKey(*root, keyPath, Access::Read);
    if (!key) return {};
    const auto value = key->ReadValue(valueName);
    if (!value) return {};
    if (value->type != RegType::String && value->type != RegType::ExpandString) return {true, std::nullopt};
    return {true, std::string(StringData(value->data))};
}

// Whether a file named `file` + "." + one of the key's extension subkeys is there.
bool RecentFileFound(Registry& registry, FileSystem& files, std::string_view rootName, std::string_view keyPath,
                     const std::string& file, std::string_view scanDrives) {
    const auto root = RootByName(rootName);
    const auto key = root ? registry.OpenKey(*root, keyPath, Access::Read) : nullptr;
    if (!key) return false;
    // The check looks at nothing outside the scanned drives.
    if (!OnScannedDrive(file, scanDrives)) return true;
    for (const std::string& extension : key->SubkeyNames())
        if (extension != "*" && files.FileExists(file + "." + extension)) return true;
    return false;
}

}  // namespace

FileReferenceOptions RecheckOptions(FileSystem& files, bool includeRemoveMedia) {
    FileReferenceOptions options;
    options.isWow64 = files.IsWow64();
    options.includeRemoveMedia = includeRemoveMedia;
    // A floppy drive is asked only when removable media are scanned, as the scan does.
    if (includeRemoveMedia) {
        options.driveAReady = files.DriveReady("a:\\");
        options.driveBReady = files.DriveReady("b:\\");
    }
    return options;
}

RecheckAnswer RecheckReference(Registry& registry, FileSystem& files, ReferenceRecheck& recheck,
                               const Finding& finding, const LeadBytes& leadBytes, std::string& foundPath) {
    const ReferenceTest& how = finding.Reason.Test;
    if (how.From == Source::None) return RecheckAnswer::NotAsked;
    const RemovalTarget target = TargetOf(finding, leadBytes);

    std::string text;
    switch (how.From) {
    case Source::None: return RecheckAnswer::NotAsked;
    case Source::ShortcutTarget: {
        if (!recheck.shortcuts || target.kind != RemovalTarget::Kind::File) return RecheckAnswer::NotAsked;
        ShortcutTarget read = recheck.shortcuts->ReadTarget(target.filePath);
        if (read.status != ShortcutTarget::Status::Read) return RecheckAnswer::NotAsked;
        read.path.resize(std::min(read.path.size(), read.path.find('\0')));
        // An empty target is one the check would not have reported.
        if (!read.path.empty() && IsMissingShortcutTarget(recheck.test, files, read.path, recheck.scanDrives))
            return RecheckAnswer::StillMissing;
        foundPath = read.path;
        return RecheckAnswer::FoundAgain;
    }
    case Source::NameAfterColon: {
        const std::size_t colon = finding.Value.find(':');
        if (colon == std::string::npos) return RecheckAnswer::NotAsked;
        text = finding.Value.substr(colon + 1);
        break;
    }
    case Source::ValueName:
        if (target.kind != RemovalTarget::Kind::Value) return RecheckAnswer::NotAsked;
        text = target.valueName;
        break;
    case Source::ValueData:
    case Source::DataAndName:
    case Source::RecentFile: {
        if (target.kind == RemovalTarget::Kind::None || target.kind == RemovalTarget::Kind::File)
            return RecheckAnswer::NotAsked;
        const std::string valueName = target.kind != RemovalTarget::Kind::Key ? target.valueName
                                      : how.Value == ReferenceTest::KeyValue::Command ? "command"
                                                                                      : "";
        const ReadText read = ReadValueText(registry, target.rootName, target.keyPath, valueName);
        // A value that is gone leaves the removal to fail as it would have.
        if (!read.present) return RecheckAnswer::NotAsked;
        // Text no longer: the check would not report it now.
        if (!read.text) return RecheckAnswer::FoundAgain;
        text = *read.text;
        if (how.From == Source::DataAndName) {
            if (!text.empty() && text.back() != '\\') text += '\\';
            text += valueName;
        }
        if (how.From == Source::RecentFile) {
            if (!RecentFileFound(registry, files, target.rootName, target.keyPath, text, recheck.scanDrives))
                return RecheckAnswer::StillMissing;
            foundPath = text;
            return RecheckAnswer::FoundAgain;
        }
        break;
    }
    }
    std::string hint;
    switch (how.NameHint) {
    case ReferenceTest::Hint::None: break;
    case ReferenceTest::Hint::Exe: hint = ".exe"; break;
    case ReferenceTest::Hint::Dll: hint = ".dll"; break;
    case ReferenceTest::Hint::KeyName: {
        const std::size_t slash = target.keyPath.rfind('\\');
        hint = slash == std::string::npos ? target.keyPath : target.keyPath.substr(slash + 1);
        break;
    }
    }
    std::string tested;
    if (recheck.test.IsMissingFileReference(text, hint, recheck.scanDrives, how.AllowFolder, &tested))
        return RecheckAnswer::StillMissing;
    foundPath = tested.empty() ? text : tested;
    return RecheckAnswer::FoundAgain;
}

}  // namespace ks
