// The drive test that checks apply before they look for a file at all.
#pragma once

#include <string_view>

#include "base/text.h"

namespace ks {

// Whether the path starts with a drive letter of `scanDrives` (any case)
// followed by ":\".
inline bool OnScannedDrive(std::string_view path, std::string_view scanDrives) {
    if (path.size() < 3 || path.find(":\\") != 1) return false;
    const char drive = UpperAnsiChar(path[0]);
    for (char letter : scanDrives)
        if (UpperAnsiChar(letter) == drive) return true;
    return false;
}

}  // namespace ks
