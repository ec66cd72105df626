// Whether a shortcut's target is gone.
#include "scan/shortcut_target.h"

#include "base/text.h"
#include "scan/scanned_drive.h"

namespace ks {

namespace {

// Targets a 32-bit process sees redirected under WOW64, so their absence
// proves nothing.
constexpr std::string_view kRedirectedParts[] = {"SYSTEM32", "PROGRAMFILES", "PROGRAM FILES"};

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && EqualsNoCase(text.substr(0, start.size()), start);
}

}  // namespace

bool IsMissingShortcutTarget(FileReferenceTest& test, FileSystem& files, std::string_view target,
                             std::string_view scanDrives) {
    const FileReferenceOptions& options = test.options();
    if (options.isWow64) {
        const std::string upper = UpperAnsi(target);
        for (const std::string_view part : kRedirectedParts)
            if (upper.find(part) != std::string::npos) return false;
    }
    if (!OnScannedDrive(target, scanDrives)) return false;
    if (options.includeRemoveMedia && StartsWithNoCase(target, "A:\\") && !options.driveAReady) return true;
    if (options.includeRemoveMedia && StartsWithNoCase(target, "B:\\") && !options.driveBReady) return true;
    return test.IsMissingFileReference(target, "", scanDrives, false) && !files.FolderExists(target);
}

}  // namespace ks
