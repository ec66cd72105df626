// Asking again, just before a row goes, whether the reference a scan found
// missing is still missing: the scan and the repair may be hours apart, and a
// drive reconnected or a program reinstalled meanwhile brings it back.
#pragma once

#include <optional>
#include <string>

#include "repair/backup_format.h"
#include "scan/file_reference.h"
#include "scan/finding.h"
#include "scan/registry.h"
#include "scan/shortcut_links.h"

namespace ks {

// The test as the scan asked it: its options and drives (from the settings
// when the repair starts) and, for shortcut rows, a reader of targets.
struct ReferenceRecheck {
    FileReferenceTest& test;
    std::string scanDrives;
    ShortcutReader* shortcuts = nullptr;  // null: shortcut rows are not asked again
};

// The path test's options as a scan on this machine would set them.
FileReferenceOptions RecheckOptions(FileSystem& files, bool includeRemoveMedia);

enum class RecheckAnswer {
    NotAsked,      // not a reference row, or nothing left to read: repair goes on as it would
    StillMissing,  // repair goes on
    FoundAgain,    // the test no longer reports it: the row stays
};

// Reads the row's text as the registry (or the shortcut) holds it now and
// tests it the way its check did. `foundPath` receives, for FoundAgain, the
// path that is there now.
RecheckAnswer RecheckReference(Registry& registry, FileSystem& files, ReferenceRecheck& recheck,
                               const Finding& finding, const LeadBytes& leadBytes, std::string& foundPath);

}  // namespace ks
