// Any bytes as options.ini or as a language file, read the way the profile
// functions read them. Settings fall back to their defaults and keep within
// their bounds; what is loaded saves and loads again unchanged; every window
// translates and every run-time text looks up without a fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "settings/localisation.h"
#include "settings/profile.h"
#include "settings/resource_strings.h"
#include "settings/settings.h"
#include "base/text.h"
#include "ui/form_table.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "profile: %s\n", what);
    std::abort();
}

// What a C string buffer of the profile functions holds: up to the first NUL,
// at most `longest` characters.
std::string Cut(std::string text, std::size_t longest) {
    text.resize(std::min(text.find('\0'), std::min(text.size(), longest)));
    return text;
}

// A profile file's text as the profile functions would read it; nothing is written.
class TextProfile final : public ks::Profile, public ks::ProfileSource {
public:
    explicit TextProfile(std::string_view text) : text_(text) {}

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override {
        const auto value = text_.Value(section, key);
        return Cut(value ? *value : std::string(defaultValue), ks::kProfileValueMaxChars);
    }
    bool WriteString(std::string_view, std::string_view, std::string_view) override { return false; }
    std::optional<std::vector<std::string>> KeyNames(std::string_view section) const override {
        for (const auto& s : text_.Sections())
            if (ks::EqualsNoCase(s.name, section)) {
                std::vector<std::string> names;
                for (const auto& entry : s.entries) names.push_back(entry.key);
                return names;
            }
        return std::vector<std::string>();
    }

    bool FileExists(const std::string&) const override { return true; }
    std::string ReadString(const std::string&, const std::string& section, const std::string& key,
                           const std::string& defaultText) const override {
        const auto value = text_.Value(section, key);
        return Cut(value ? *value : defaultText, ks::kLanguageTextBytes - 1);
    }

private:
    ks::ProfileText text_;
};

class Window final : public ks::MainWindowPlacement {
public:
    int width = 684;
    int height = 520;
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetWidth(int value) override { width = value; }
    void SetHeight(int value) override { height = value; }
    ks::WindowBounds Bounds() const override { return {10, 10, width, height}; }
    ks::WindowBounds RestoredBounds() const override { return {10, 10, width, height}; }
    std::optional<int> GetPlacementShowCommand() const override { return ks::kShowNormal; }
    int ScreenWidth() const override { return 1024; }
    int ScreenHeight() const override { return 768; }
    void CopyTreeCheckStates(std::array<bool, 25>&) override {}
};

// A window's texts held by name, every one of them present.
class Target final : public ks::TranslationTarget {
public:
    explicit Target(const ks::ui::FormDef& def) : def_(def) {}
    const ks::ui::FormDef& Definition() const override { return def_; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& text) override { caption_ = text; }
    std::string Text(std::string_view control) const override { return Get(texts_, std::string(control)); }
    void SetText(std::string_view control, const std::string& text) override { texts_[std::string(control)] = text; }
    int ItemCount(std::string_view control) const override {
        for (const auto& c : def_.controls)
            if (c.name == control) return static_cast<int>(c.items.size());
        return 0;
    }
    std::string ItemText(std::string_view control, int index) const override {
        return Get(texts_, std::string(control) + "#" + std::to_string(index));
    }
    void SetItemText(std::string_view control, int index, const std::string& text) override {
        if (index < 0 || index >= ItemCount(control)) Fail("an item outside the control");
        texts_[std::string(control) + "#" + std::to_string(index)] = text;
    }
    bool StatusBarSingleText(std::string_view control) const override { return ItemCount(control) == 0; }
    std::string MenuCaption(std::string_view entry) const override { return Get(menus_, std::string(entry)); }
    void SetMenuCaption(std::string_view entry, const std::string& text) override { menus_[std::string(entry)] = text; }

private:
    static std::string Get(const std::map<std::string, std::string>& map, const std::string& key) {
        const auto found = map.find(key);
        return found == map.end() ? std::string() : found->second;
    }
    const ks::ui::FormDef& def_;
    std::string caption_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::string> menus_;
};

void CheckBounds(const ks::SettingsRecord& settings) {
    if (settings.IgnoreValueCount != static_cast<int>(settings.IgnoreValues.size()) ||
        settings.IgnoreKeyCount != static_cast<int>(settings.IgnoreKeys.size()))
        Fail("a list count that is not its length");
    if (settings.IgnoreValues.size() > ks::kMaxIgnoreEntries || settings.IgnoreKeys.size() > ks::kMaxIgnoreEntries)
        Fail("a list longer than the most the store reads");
    if (settings.Lan.size() > ks::kProfileValueMaxChars || settings.OutputDirectory.size() > ks::kProfileValueMaxChars)
        Fail("a text longer than a profile value");
}

// The first option that differs, or nullptr. The window's state is left out:
// the stand-in window does not take on the state it was loaded with.
const char* Difference(const ks::SettingsRecord& a, const ks::SettingsRecord& b) {
    const struct {
        const char* name;
        bool same;
    } options[] = {
        {"OutputDirectory", a.OutputDirectory == b.OutputDirectory},
        {"switches", a.DeleteBackupFile == b.DeleteBackupFile && a.IncludeRemoveMedia == b.IncludeRemoveMedia &&
                         a.IncludeCDdrive == b.IncludeCDdrive && a.Beep == b.Beep && a.ShowHint == b.ShowHint &&
                         a.RestorePoint == b.RestorePoint},
        {"NodeChecked", a.NodeChecked == b.NodeChecked},
        {"IgnoreValues", a.IgnoreValues == b.IgnoreValues},
        {"IgnoreKeys", a.IgnoreKeys == b.IgnoreKeys},
        {"Lan", a.Lan == b.Lan},
    };
    for (const auto& option : options)
        if (!option.same) return option.name;
    return nullptr;
}

// Saved through the in-memory profile, which follows the profile functions'
// rules, and loaded again: every option that can be stored reads back.
void SaveAndLoadAgain(const ks::SettingsRecord& loaded, const Window& window) {
    ks::MemoryProfile saved;
    Window again = window;
    ks::SettingsRecord copy = loaded;
    ks::SaveSettings(copy, saved, again);
    ks::SettingsRecord reloaded;
    ks::LoadSettings(reloaded, saved, again, "C:\\Program Files\\Keyscrub\\");
    bool storable = ks::IsStorableProfileValue(loaded.Lan) && ks::IsStorableProfileValue(loaded.OutputDirectory);
    for (const auto* list : {&loaded.IgnoreValues, &loaded.IgnoreKeys})
        for (const auto& entry : *list) storable = storable && ks::IsStorableProfileValue(entry);
    if (const char* changed = storable ? Difference(loaded, reloaded) : nullptr) {
        std::fprintf(stderr, "%s: ", changed);
        Fail("saved and loaded again, it changed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TextProfile file(text);

    // As options.ini.
    ks::SettingsRecord loaded;
    Window window;
    ks::LoadSettings(loaded, file, window, "C:\\Program Files\\Keyscrub\\");
    CheckBounds(loaded);
    if (window.width <= 0 || window.height <= 0) Fail("a window size of zero or less");

    // Saved and loaded again, through the profile functions' own rules. (The
    // in-memory profile finds a key by going through the section, so lists
    // of tens of thousands of entries would take minutes.)
    if (loaded.IgnoreValues.size() + loaded.IgnoreKeys.size() <= ks::kTrustedIgnoreCount) SaveAndLoadAgain(loaded, window);

    // As a language file.
    const ks::ProfileSource* before = ks::LanguageFiles();
    const std::string folder = ks::LanguageProgramFolder();
    ks::SetLanguageFiles(&file, "C:\\Program Files\\Keyscrub\\");
    const std::string language = ks::Settings.Lan;
    ks::Settings.Lan = "Fuzz";
    for (const auto& resource : ks::kResourceStrings)
        if (ks::LookupResource(resource.key).size() >= ks::kLanguageTextBytes) Fail("a text longer than its buffer");
    for (const ks::ui::FormDef* form : ks::ui::RegisteredForms()) {
        Target target(*form);
        ks::TranslateForm(target, file, "Lan_Fuzz.ini");
    }
    ks::Settings.Lan = language;
    ks::SetLanguageFiles(before, folder);
    return 0;
}
