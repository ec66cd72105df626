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
// executable through the profile API. InitializeUi calls it when no files
// are installed yet.
void InstallLanguageFiles();

// Translates the window's design-time texts from the file of `language`.
void ApplyLanguageToForm(ui::Window& window, const std::string& language);

}  // namespace ks
