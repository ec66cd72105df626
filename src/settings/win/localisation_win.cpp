// Language files through the Win32 profile-string API.
#include "settings/win/localisation_win.h"

#include <windows.h>

#include <vector>

#include "settings/settings.h"
#include "settings/win/browse_for_folder.h"
#include "ui/win/window.h"

namespace ks {

namespace localisation {

bool ProfileApiSource::FileExists(const std::string& path) const {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProfileApiSource::ReadString(const std::string& file, const std::string& section, const std::string& key,
                                         const std::string& defaultText) const {
    char buffer[kLanguageTextBytes];
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(), buffer,
                                                  static_cast<DWORD>(sizeof(buffer)), file.c_str());
    return std::string(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
}

std::string ExecutableFolder() {
    std::vector<char> path(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::string folder(path.data(), length);
            const std::size_t slash = folder.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace localisation

namespace {

const localisation::ProfileApiSource& ProfileApi() {
    static const localisation::ProfileApiSource source;
    return source;
}

// A real window as the translation sees it.
class WindowTarget final : public TranslationTarget {
public:
    explicit WindowTarget(ui::Window& window) : window_(window) {}
    const ui::FormDef& Definition() const override { return window_.Definition(); }
    std::string Caption() const override { return window_.Caption(); }
    void SetCaption(const std::string& text) override { window_.SetCaption(text); }
    std::string Text(std::string_view control) const override { return window_.Text(control); }
    void SetText(std::string_view control, const std::string& text) override { window_.SetText(control, text); }
    int ItemCount(std::string_view control) const override { return window_.ItemCount(control); }
    std::string ItemText(std::string_view control, int index) const override {
        return window_.ItemText(control, index);
    }
    void SetItemText(std::string_view control, int index, const std::string& text) override {
        window_.SetItemText(control, index, text);
    }
    bool StatusBarSingleText(std::string_view control) const override { return window_.StatusBarSingleText(control); }
    std::string MenuCaption(std::string_view entry) const override { return window_.MenuCaption(entry); }
    void SetMenuCaption(std::string_view entry, const std::string& text) override {
        window_.SetMenuCaption(entry, text);
    }

private:
    ui::Window& window_;
};

}  // namespace

void InstallLanguageFiles() { SetLanguageFiles(&ProfileApi(), localisation::ExecutableFolder()); }

namespace {

void ApplyActiveLanguageTo(ui::Window& window) {
    if (!IsEnglish(Settings.Lan)) ApplyLanguageToForm(window, Settings.Lan);
}

}  // namespace

void LendWidgetServices() {
    // Files that someone installed before (a test, or the program) stay.
    if (!LanguageFiles()) InstallLanguageFiles();
    using Picker = bool (*)(const std::string&, const std::wstring&, std::string&, HWND);
    ui::LendServices(ui::LentServices{&ApplyActiveLanguageTo, static_cast<Picker>(&BrowseForFolder)});
}

void ApplyLanguageToForm(ui::Window& window, const std::string& language) {
    if (!LanguageFiles()) InstallLanguageFiles();
    const ProfileSource& files = *LanguageFiles();
    const std::string file = ResolveLanguageFile(files, LanguageProgramFolder(), language);
    WindowTarget target(window);
    TranslateForm(target, files, file);
}

}  // namespace ks
