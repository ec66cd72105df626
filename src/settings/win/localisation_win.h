// Language files through the Win32 profile-string API, and the translation of
// a real window.
#pragma once

#include <string>

#include "settings/localisation.h"

namespace ks {

namespace ui {
class Window;
}

namespace localisation {

// GetPrivateProfileStringA and GetFileAttributesA.
class ProfileApiSource final : public ProfileSource {
public:
    bool FileExists(const std::string& path) const override;
    std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultText) const override;
};

// Folder of the running executable, with a trailing backslash.
std::string ExecutableFolder();

}  // namespace localisation

// Makes LookupText and ApplyLanguageToForm read the language files beside the
// executable through the profile API.
void InstallLanguageFiles();

// What the program lends the widget layer at start, before the first window:
// the language files beside the executable unless some are installed already,
// the translation of every window into the Lan setting's language as it is
// shown, and the folder picker (BrowseForFolder).
void LendWidgetServices();

// Translates the window's design-time texts from the file of `language`.
void ApplyLanguageToForm(ui::Window& window, const std::string& language);

}  // namespace ks
