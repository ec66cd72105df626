// Decisions behind the main window's simple commands.
#include "app/main_commands.h"

#include "app/product.h"
#include "scan/file_system.h"

namespace ks {

bool ShowsWindowsBackup(std::uint8_t windowsVersion) {
    switch (windowsVersion) {
    case 1: case 2: case 3: case 4: case 8: return false;
    default: return true;
    }
}

std::string WindowsBackupProgram(FileSystem& files) {
    const std::string unexpanded = "%SystemRoot%";
    std::string root = files.ExpandVariables(unexpanded);
    if (root.empty() || !files.FolderExists(root)) root = unexpanded;
    return root + "\\system32\\ntbackup.exe";
}

const char* HelpAddress(std::string_view lan) {
    if (lan == "Italian") return product::kItalianHelp;
    if (lan == "PortuguesePT") return product::kPortugueseHelp;
    return product::kHelpPage;
}

std::string MainWindowCaption() {
    std::string caption = product::kName;
    caption += ' ';
    caption += product::kVersion;
    return caption;
}

int TaskButtonWidth(int captionWidth) { return captionWidth + 17; }

}  // namespace ks
