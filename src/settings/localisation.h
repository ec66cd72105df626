// Language files: finding the file of a language, run-time texts by RES_ key
// (LookupText) and the translation of a window's design-time texts.
//
// A language file is a profile (INI) file "Lan_" + language + ".ini" in the
// program's folder or, failing that, in its "Languages\" sub-folder. Section
// ResourceString holds the RES_ texts; a section named after a window holds
// its caption (key = window name) and its controls' texts (key = control name,
// or name + "_Item"/"_Panel"/"_Column"/"_Page" + n, or name + "_" + n for the
// n-th tree node in depth-first order); "Menu_" + window name holds its menu
// entries by component name. Nothing is cached: every read opens the file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form_table.h"

namespace ks {

// The part of the profile-string API the language files need.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    virtual bool FileExists(const std::string& path) const = 0;
    // As GetPrivateProfileStringA into a kLanguageTextBytes buffer: the value
    // of the first matching key, at most kLanguageTextBytes - 1 characters, or
    // `defaultText` when the file, section or key is missing.
    virtual std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                                   const std::string& defaultText) const = 0;
};

inline constexpr std::size_t kLanguageTextBytes = 2048;
inline constexpr char kResourceSection[] = "ResourceString";

// The built-in language, named in any case.
bool IsEnglish(std::string_view language);

// The file of a language: programFolder (ending in a backslash) + "Lan_" +
// language + ".ini" when that exists, otherwise the same name under
// "Languages\", whether or not it exists.
std::string ResolveLanguageFile(const ProfileSource& files, const std::string& programFolder,
                                std::string_view language);

// Where LookupText and the window translation read from; the program sets
// the real profile API and its own folder once at start, tests their own.
void SetLanguageFiles(const ProfileSource* files, std::string programFolder);
const ProfileSource* LanguageFiles();
const std::string& LanguageProgramFolder();

// The text to show for a RES_ key: the English default unchanged while the
// active language (Settings.Lan) is English, without touching any file;
// otherwise the key's value in section ResourceString of the active
// language's file, empty when the file or the key is missing.
std::string LookupText(const std::string& key, const std::string& englishDefault);

// Key names of a window's texts.
std::string MenuSection(std::string_view windowName);
std::string NumberedKey(std::string_view controlName, std::string_view infix, int n);

// What the translation needs of a window: its table (names and kinds, in
// component order) and its current texts.
class TranslationTarget {
public:
    virtual ~TranslationTarget() = default;
    virtual const ui::FormDef& Definition() const = 0;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::string Text(std::string_view control) const = 0;
    virtual void SetText(std::string_view control, const std::string& text) = 0;
    // List-box entries, status-bar panels, list-view columns, tab pages, tree
    // nodes in depth-first order.
    virtual int ItemCount(std::string_view control) const = 0;
    virtual std::string ItemText(std::string_view control, int index) const = 0;
    virtual void SetItemText(std::string_view control, int index, const std::string& text) = 0;
    virtual bool StatusBarSingleText(std::string_view control) const = 0;
    virtual std::string MenuCaption(std::string_view entry) const = 0;
    virtual void SetMenuCaption(std::string_view entry, const std::string& text) = 0;
};

// Replaces every design-time text of the window that `file` has a value for;
// each read falls back on the current text, so a missing key changes nothing.
void TranslateForm(TranslationTarget& window, const ProfileSource& files, const std::string& file);

// A key of a language file with the built-in English text it stands for.
struct LanguageKey {
    std::string section;
    std::string key;
    std::string english;
};

// Every key a window's table is translated by, with the English texts of the
// table, in the order the translation reads them.
std::vector<LanguageKey> DesignTimeKeys(const ui::FormDef& form);

// A profile file's text as the profile-string API reads it: "[name]" lines
// open sections, "key=value" lines fill them, blanks around keys and values
// do not count, a line without "=" is a key with an empty value, and lines
// before the first section belong to none.
class ProfileText {
public:
    struct Entry {
        std::string key;
        std::string value;  // as written, blanks at both ends removed
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    ProfileText() = default;
    explicit ProfileText(std::string_view text);

    const std::vector<Section>& Sections() const { return sections_; }
    // The value GetPrivateProfileStringA gives: from the first section and the
    // first key of that name (both ignoring case), one pair of enclosing
    // quotes removed, cut to kLanguageTextBytes - 1 characters.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

private:
    std::vector<Section> sections_;
};

// Language files read with the C++ library and ProfileText, for code and
// tests that run without Windows. Paths are used as given.
class FileProfileSource final : public ProfileSource {
public:
    bool FileExists(const std::string& path) const override;
    std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultText) const override;
};

// What is wrong with the English language file: a RES_ key or a key of a
// window's table that it lacks or gives another English text, a key or
// section that no longer belongs to anything, a section or key written twice.
struct ResourceText {
    std::string key;
    std::string english;
};
std::vector<std::string> CheckEnglishLanguageFile(const ProfileText& english,
                                                  const std::vector<const ui::FormDef*>& forms,
                                                  const std::vector<ResourceText>& resources);

// What is wrong with a translation: a section or key of the English file that
// it lacks, one that the English file does not have, one written twice, or an
// empty value where the English text is not empty.
std::vector<std::string> CheckTranslatedLanguageFile(const ProfileText& english, const ProfileText& translated);

}  // namespace ks
