// options.ini through the profile-string API.
#include "settings/win/settings_file.h"

#include "settings/win/profile_file.h"
#include "settings/win/shell_helpers.h"

namespace ks {

std::string SettingsFilePath(std::string_view appDataFolder, std::string_view programFolder) {
    return SettingsFolder(appDataFolder, programFolder, [](const std::string& folder) {
               return CreateFolderTree(folder);
           }) +
           kSettingsFileName;
}

std::string SettingsFilePath() { return SettingsFilePath(GetAppDataFolder(), ProgramFolder()); }

void LoadSaveSettings(bool load, MainWindowPlacement& window) {
    const std::string programFolder = ProgramFolder();
    ProfileFile profile(SettingsFilePath(GetAppDataFolder(), programFolder));
    LoadSaveSettings(load, profile, window, programFolder, Settings);
}

}  // namespace ks
