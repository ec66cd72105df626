// Language files: file resolution, LookupText and the translation of windows.
#include "settings/localisation.h"

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "settings/settings.h"
#include "base/text.h"

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

std::string MenuEnglish(const ui::FormDef& form, const ui::MenuDef& entry) {
    if (entry.caption.empty() && !entry.action.empty())
        if (const ui::ActionDef* action = ui::FindAction(form, entry.action)) return action->caption;
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
    const ui::FormDef& form = window.Definition();
    const std::string& section = form.name;
    const auto read = [&](const std::string& inSection, const std::string& key, const std::string& current) {
        return files.ReadString(file, inSection, key, current);
    };

    window.SetCaption(read(section, section, window.Caption()));

    for (const ui::ControlDef& control : form.controls) {
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
    for (const ui::MenuDef& entry : form.menus) {
        if (ui::IsSeparator(entry) || (entry.flags & ui::kMenuPopup)) continue;
        window.SetMenuCaption(entry.name, read(menuSection, entry.name, window.MenuCaption(entry.name)));
    }
}

std::vector<LanguageKey> DesignTimeKeys(const ui::FormDef& form) {
    std::vector<LanguageKey> keys;
    keys.push_back({form.name, form.name, form.caption});
    for (const ui::ControlDef& control : form.controls) {
        const Rule rule = RuleFor(control.kind);
        if (rule == Rule::None) continue;
        if (rule == Rule::Caption || (rule == Rule::StatusBar && control.items.empty())) {
            std::string english = control.caption;
            if (english.empty() && !control.action.empty())
                if (const ui::ActionDef* action = ui::FindAction(form, control.action)) english = action->caption;
            keys.push_back({form.name, control.name, english});
            continue;
        }
        for (std::size_t n = 0; n < control.items.size(); ++n)
            keys.push_back({form.name, NumberedKey(control.name, InfixFor(rule), static_cast<int>(n)),
                            control.items[n].text});
    }
    for (const ui::MenuDef& entry : form.menus) {
        if (ui::IsSeparator(entry) || (entry.flags & ui::kMenuPopup)) continue;
        keys.push_back({MenuSection(form.name), entry.name, MenuEnglish(form, entry)});
    }
    return keys;
}

// ---------------------------------------------------------------- profile text

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

ProfileText::ProfileText(std::string_view text) {
    Section* current = nullptr;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            const std::string_view name = close == std::string_view::npos || close == 0
                                              ? line.substr(1)
                                              : line.substr(1, close - 1);
            sections_.push_back({std::string(name), {}});
            current = &sections_.back();
            continue;
        }
        if (!current) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current->entries.push_back({std::string(line), {}});
        } else {
            current->entries.push_back(
                {std::string(TrimBlanks(line.substr(0, equals))), std::string(TrimBlanks(line.substr(equals + 1)))});
        }
    }
}

std::optional<std::string> ProfileText::Value(std::string_view section, std::string_view key) const {
    for (const Section& candidate : sections_) {
        if (!EqualsNoCase(candidate.name, section)) continue;
        // Only the first section of a name counts.
        for (const Entry& entry : candidate.entries) {
            if (!EqualsNoCase(entry.key, key)) continue;
            std::string value = entry.value;
            if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            if (value.size() > kLanguageTextBytes - 1) value.resize(kLanguageTextBytes - 1);
            return value;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool FileProfileSource::FileExists(const std::string& path) const {
    std::ifstream file(path, std::ios::binary);
    return file.good();
}

std::string FileProfileSource::ReadString(const std::string& file, const std::string& section, const std::string& key,
                                          const std::string& defaultText) const {
    std::ifstream stream(file, std::ios::binary);
    std::string fallback = defaultText.substr(0, kLanguageTextBytes - 1);
    if (!stream) return fallback;
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    return ProfileText(text).Value(section, key).value_or(fallback);
}

// ---------------------------------------------------------------- coverage

namespace {

// Sections and keys of a file, with every repetition reported.
std::map<std::string, std::map<std::string, std::string>> KeysOf(const ProfileText& file, const std::string& fileName,
                                                                 std::vector<std::string>& problems) {
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::set<std::string> seenSections;
    for (const ProfileText::Section& section : file.Sections()) {
        if (!seenSections.insert(UpperAnsi(section.name)).second)
            problems.push_back(fileName + ": section [" + section.name + "] is written twice");
        auto& entries = keys[section.name];
        std::set<std::string> seenKeys;
        for (const ProfileText::Entry& entry : section.entries) {
            if (!seenKeys.insert(UpperAnsi(entry.key)).second)
                problems.push_back(fileName + ": [" + section.name + "] " + entry.key + " is written twice");
            entries.emplace(entry.key, entry.value);
        }
    }
    return keys;
}

std::string Unquoted(const std::string& value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::vector<std::string> CheckEnglishLanguageFile(const ProfileText& english,
                                                  const std::vector<const ui::FormDef*>& forms,
                                                  const std::vector<ResourceText>& resources) {
    std::vector<std::string> problems;
    const std::string fileName = "Lan_English.ini";
    auto keys = KeysOf(english, fileName, problems);

    std::map<std::string, std::map<std::string, std::string>> wanted;
    for (const ResourceText& resource : resources) wanted[kResourceSection][resource.key] = resource.english;
    for (const ui::FormDef* form : forms)
        for (const LanguageKey& key : DesignTimeKeys(*form)) wanted[key.section][key.key] = key.english;

    for (const auto& [section, entries] : wanted) {
        const auto found = keys.find(section);
        for (const auto& [key, text] : entries) {
            if (found == keys.end() || !found->second.count(key)) {
                problems.push_back(fileName + ": [" + section + "] lacks " + key + " (\"" + text + "\")");
                continue;
            }
            const std::string written = Unquoted(found->second.at(key));
            if (written != text)
                problems.push_back(fileName + ": [" + section + "] " + key + " is \"" + written +
                                   "\" but the program says \"" + text + "\"");
        }
    }
    for (const auto& [section, entries] : keys) {
        const auto found = wanted.find(section);
        if (found == wanted.end()) {
            problems.push_back(fileName + ": section [" + section + "] belongs to no window of the program");
            continue;
        }
        for (const auto& [key, value] : entries)
            if (!found->second.count(key))
                problems.push_back(fileName + ": [" + section + "] " + key + " belongs to nothing in the program");
    }
    return problems;
}

std::vector<std::string> CheckTranslatedLanguageFile(const ProfileText& english, const ProfileText& translated) {
    std::vector<std::string> problems;
    std::vector<std::string> ignored;
    const auto englishKeys = KeysOf(english, "Lan_English.ini", ignored);
    const auto translatedKeys = KeysOf(translated, "the translation", problems);
    for (const auto& [section, entries] : englishKeys) {
        const auto found = translatedKeys.find(section);
        if (found == translatedKeys.end()) {
            problems.push_back("lacks the section [" + section + "]");
            continue;
        }
        for (const auto& [key, value] : entries) {
            const auto translation = found->second.find(key);
            if (translation == found->second.end())
                problems.push_back("[" + section + "] lacks " + key);
            else if (Unquoted(translation->second).empty() && !Unquoted(value).empty())
                problems.push_back("[" + section + "] " + key + " is empty");
        }
    }
    for (const auto& [section, entries] : translatedKeys) {
        const auto found = englishKeys.find(section);
        if (found == englishKeys.end()) {
            problems.push_back("has the section [" + section + "], which the English file does not have");
            continue;
        }
        for (const auto& [key, value] : entries)
            if (!found->second.count(key))
                problems.push_back("[" + section + "] " + key + " is not in the English file");
    }
    return problems;
}

}  // namespace ks
