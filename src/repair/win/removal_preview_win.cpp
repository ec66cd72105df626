// Previews over the real registry and file system.
#include "repair/win/removal_preview_win.h"

#include "repair/win/backup_system.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/localisation.h"

namespace ks {

RemovalPreview PreviewOnThisMachine(const Finding& finding) {
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32FileSystem();
    return PreviewRemoval(*registry, *files, finding, SystemLeadBytes());
}

std::string RowTipOnThisMachine(const Finding& finding) {
    return FindingTip(finding, PreviewOnThisMachine(finding), &LookupText);
}

}  // namespace ks
