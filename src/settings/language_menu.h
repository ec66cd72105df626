// The main window's Language menu as plain data: its entries, the language
// each one stands for, which entries show, and what choosing one says.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

struct LanguageMenuEntry {
    const char* Name;     // component name; the language is derived from it
    const char* Caption;  // design-time caption ("-" for the separator)
    bool Separator;
    bool Hidden;          // the entry that only carries the menu's update action
};

constexpr std::size_t kLanguageMenuEntryCount = 36;
extern const std::array<LanguageMenuEntry, kLanguageMenuEntryCount> kLanguageMenuEntries;

// The language an entry loads: its component name without the first two
// characters ("miGerman" gives "German"). Never the caption, so a translated
// menu still loads the same files.
std::string LanguageNameOf(std::string_view componentName);

// "Lan_" + language + ".ini".
std::string LanguageFileName(std::string_view language);

// Which entries show when the menu opens: each exactly when its language file
// exists. fileExists receives the language name.
std::vector<bool> LanguageEntriesVisible(const std::function<bool(const std::string& language)>& fileExists);

// The entry ticked on show: the one whose language equals lan ignoring case,
// or kLanguageMenuEntryCount when none does.
std::size_t LanguageEntryFor(std::string_view lan);

// The message shown when a chosen language has no file: the file name, " can
// not be found." and, for the entry Other only, an invitation to the online
// translation page.
std::string LanguageNotFoundMessage(std::string_view language, std::string_view translationPage);

}  // namespace ks
