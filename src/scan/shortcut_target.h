// The test a shortcut's target must fail to be reported, shared by the
// shortcut check and by repair, which asks it again just before deleting.
#pragma once

#include <string_view>

#include "scan/file_reference.h"
#include "scan/file_system.h"

namespace ks {

// A target that WOW64 redirects for a 32-bit process proves nothing, and one
// on a drive outside scanDrives is not looked at: neither is missing. With
// removable media scanned, a floppy drive that was not ready is not touched
// and its targets are missing. Otherwise the target is missing when the path
// test finds it so and no folder of that name is there either.
bool IsMissingShortcutTarget(FileReferenceTest& test, FileSystem& files, std::string_view target,
                             std::string_view scanDrives);

}  // namespace ks
