// Language files: file resolution, LookupText and the translation of windows.
#include "settings/localisation.h"

#include <utility>

#include "settings/settings.h"
#include "settings/text.h"

namespace ks {

namespace {

struct LanguageFileSetting {
    const ProfileSource* files = nullptr;
    std::string programFolder;
};

LanguageFileSetting& Installed() {
    static LanguageFileSetting setting;
    return setting;
}

// How the translation treats a control of each kind.
enum class Rule { Caption, Items, StatusBar, Columns, Pages, TreeNodes, None };

Rule RuleFor(ui::ControlKind kind) {
    using ui::ControlKind;
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::LinkLabel:
        case ControlKind::Button:
        case ControlKind::FlatButton:
        case ControlKind::CheckBox:
        case ControlKind::GroupBox:
        case ControlKind::Panel:
            return Rule::Caption;
        case ControlKind::ListBox: return Rule::Items;
        case ControlKind::StatusBar: return Rule::StatusBar;
        case ControlKind::ListView: return Rule::Columns;
        case ControlKind::PageControl: return Rule::Pages;
        case ControlKind::TreeView: return Rule::TreeNodes;
        default: return Rule::None;
    }
}

const char* InfixFor(Rule rule) {
    switch (rule) {
        case Rule::Items: return "_Item";
        case Rule::StatusBar: return "_Panel";
        case Rule::Columns: return "_Column";
        case Rule::Pages: return "_Page";
        case Rule::TreeNodes: return "_";
        default: return "";
    }
}

std::string MenuEnglish(const ui::FormSpec& form, const ui::MenuSpec& entry) {
    if (entry.caption.empty() && !entry.action.empty())
        if (const ui::ActionSpec* action = ui::FindAction(form, entry.action)) return action->caption;
    return entry.caption;
}

}  // namespace

bool IsEnglish(std::string_view language) { return EqualsNoCase(language, "English"); }

std::string ResolveLanguageFile(const ProfileSource& files, const std::string& programFolder,
                                std::string_view language) {
    const std::string name = "Lan_" + std::string(language) + ".ini";
    std::string beside = programFolder + name;
    if (files.FileExists(beside)) return beside;
    return programFolder + "Languages\\" + name;
}

void SetLanguageFiles(const ProfileSource* files, std::string programFolder) {
    Installed().files = files;
    Installed().programFolder = std::move(programFolder);
}

const ProfileSource* LanguageFiles() { return Installed().files; }

const std::string& LanguageProgramFolder() { return Installed().programFolder; }

std::string LookupText(const std::string& key, const std::string& englishDefault) {
    if (IsEnglish(Settings.Lan)) return englishDefault;
    const LanguageFileSetting& setting = Installed();
    // No reader installed behaves as a missing file: an empty text.
    if (!setting.files) return {};
    const std::string file = ResolveLanguageFile(*setting.files, setting.programFolder, Settings.Lan);
    return setting.files->ReadString(file, kResourceSection, key, "");
}

std::string MenuSection(std::string_view windowName) { return "Menu_" + std::string(windowName); }

std::string NumberedKey(std::string_view controlName, std::string_view infix, int n) {
    return std::string(controlName) + std::string(infix) + std::to_string(n);
}

void TranslateForm(TranslationTarget& window, const ProfileSource& files, const std::string& file) {
    const ui::FormSpec& form = window.Spec();
    const std::string& section = form.name;
    const auto read = [&](const std::string& inSection, const std::string& key, const std::string& current) {
        return files.ReadString(file, inSection, key, current);
    };

    window.SetCaption(read(section, section, window.Caption()));

    for (const ui::ControlSpec& control : form.controls) {
        const Rule rule = RuleFor(control.kind);
        if (rule == Rule::None) continue;
        if (rule == Rule::Caption || (rule == Rule::StatusBar && window.StatusBarSingleText(control.name))) {
            window.SetText(control.name, read(section, control.name, window.Text(control.name)));
            continue;
        }
        const int count = window.ItemCount(control.name);
        for (int n = 0; n < count; ++n) {
            const std::string key = NumberedKey(control.name, InfixFor(rule), n);
            window.SetItemText(control.name, n, read(section, key, window.ItemText(control.name, n)));
        }
    }

    const std::string menuSection = MenuSection(form.name);
    for (const ui::MenuSpec& entry : form.menus) {
        if (ui::IsSeparator(entry) || (entry.flags & ui::kMenuPopup)) continue;
        window.SetMenuCaption(entry.name, read(menuSection, entry.name, window.MenuCaption(entry.name)));
    }
}

std::vector<LanguageKey> DesignTimeKeys(const ui::FormSpec& form) {
    std::vector<LanguageKey> keys;
    keys.push_back({form.name, form.name, form.caption});
    for (const ui::ControlSpec& control : form.controls) {
        const Rule rule = RuleFor(control.kind);
        if (rule == Rule::None) continue;
        if (rule == Rule::Caption || (rule == Rule::StatusBar && control.items.empty())) {
            std::string english = control.caption;
            if (english.empty() && !control.action.empty())
                if (const ui::ActionSpec* action = ui::FindAction(form, control.action)) english = action->caption;
            keys.push_back({form.name, control.name, english});
            continue;
        }
        for (std::size_t n = 0; n < control.items.size(); ++n)
            keys.push_back({form.name, NumberedKey(control.name, InfixFor(rule), static_cast<int>(n)),
                            control.items[n].text});
    }
    for (const ui::MenuSpec& entry : form.menus) {
        if (ui::IsSeparator(entry) || (entry.flags & ui::kMenuPopup)) continue;
        keys.push_back({MenuSection(form.name), entry.name, MenuEnglish(form, entry)});
    }
    return keys;
}

}  // namespace ks
