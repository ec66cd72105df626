// The file-reference test written the plain way: every candidate is asked of
// the file system as it comes, nothing is remembered. The scan's own version
// must give the same answer for every string; the differential test and the
// benchmark hold the two side by side.
#pragma once

#include <string>
#include <string_view>

#include "scan/file_system.h"

namespace ks::test {

struct StraightforwardPathTest {
    FileSystem& files;
    bool isWow64 = false;
    bool includeRemoveMedia = false;
    bool driveAReady = false;
    bool driveBReady = false;

    bool IsMissing(std::string_view path, std::string_view nameHint, std::string_view scanDrives,
                   bool allowFolder) const;
};

}  // namespace ks::test
