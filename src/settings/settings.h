// The options record shared by every window, mirrored in options.ini.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace ks {

struct SettingsRecord {
    std::string OutputDirectory;
    bool DeleteBackupFile = false;
    bool IncludeRemoveMedia = false;
    bool IncludeCDdrive = false;
    bool Beep = false;
    // Checked state of the scan-section tree node with image index n, n = 1..24.
    std::array<bool, 25> NodeChecked{};
    int IgnoreValueCount = 0;
    std::vector<std::string> IgnoreValues;
    int IgnoreKeyCount = 0;
    std::vector<std::string> IgnoreKeys;
    bool WindowMaximized = false;
    int WindowLeft = 0;
    int WindowTop = 0;
    bool ShowHint = false;
    bool RestorePoint = false;
    std::string Lan;
};

// The one process-wide record, zero-filled at start and loaded while the main
// window is created. Only the user-interface thread changes it; the scan worker
// reads it while the modal progress dialog keeps every editor closed.
inline SettingsRecord Settings;

}  // namespace ks
