// options.ini on disk: where it lives, and loading and saving the process-wide
// Settings record through it.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings.h"

namespace ks {

// The settings file for the given folders: appDataFolder +
// "Quarlo\Keyscrub\options.ini", creating the folders as needed, or
// programFolder + "options.ini" when they cannot be made.
std::string SettingsFilePath(std::string_view appDataFolder, std::string_view programFolder);

// The same for this user and this program.
std::string SettingsFilePath();

// The store's entry point for the main window: `true` loads options.ini into
// Settings and sizes the window; `false` copies the tree's check states and
// writes Settings and the window's placement back. Failures are silent.
void LoadSaveSettings(bool load, MainWindowPlacement& window);

}  // namespace ks
