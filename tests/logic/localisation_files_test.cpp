// The shipped language files against the program: the English file holds
// every RES_ text and every text of every registered window, exactly; each
// translation holds exactly the English file's keys, in Windows-1252.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "settings/localisation.h"
#include "settings/resource_strings.h"
#include "ui/form_table.h"

namespace ks {
namespace {

// lang/ of the source tree this test was built from.
std::filesystem::path LanguageFolder() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "lang";
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

std::vector<ResourceText> ProgramResources() {
    std::vector<ResourceText> resources;
    for (const ResourceString& entry : kResourceStrings) resources.push_back({entry.key, entry.english});
    return resources;
}

constexpr const char* kShippedLanguages[] = {"English", "German", "French", "Spanish",
                                              "Italian", "PortuguesePT", "Nederlands"};

std::string Joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) text += "\n  " + problem;
    return text;
}

TEST(ShippedLanguageFilesTest, EveryPromisedLanguageIsThere) {
    for (const char* language : kShippedLanguages) {
        SCOPED_TRACE(language);
        EXPECT_TRUE(std::filesystem::is_regular_file(LanguageFolder() / ("Lan_" + std::string(language) + ".ini")));
    }
}

TEST(ShippedLanguageFilesTest, EnglishFileCoversTheWholeProgram) {
    const std::vector<const ui::FormDef*> forms = ui::RegisteredForms();
    std::set<std::string> names;
    for (const ui::FormDef* form : forms) {
        SCOPED_TRACE(form->name);
        EXPECT_TRUE(names.insert(form->name).second) << "two registered windows share a name";
        EXPECT_EQ(ui::CheckFormDef(*form), std::vector<std::string>{});
    }
    const ProfileText english(ReadFile(LanguageFolder() / "Lan_English.ini"));
    const std::vector<std::string> problems = CheckEnglishLanguageFile(english, forms, ProgramResources());
    EXPECT_TRUE(problems.empty()) << Joined(problems);
}

TEST(ShippedLanguageFilesTest, EveryTranslationHasExactlyTheEnglishKeys) {
    const ProfileText english(ReadFile(LanguageFolder() / "Lan_English.ini"));
    ASSERT_FALSE(english.Sections().empty());
    int translations = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LanguageFolder())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("Lan_", 0) != 0 || entry.path().extension() != ".ini" || name == "Lan_English.ini") continue;
        SCOPED_TRACE(name);
        ++translations;
        const std::string text = ReadFile(entry.path());
        const ProfileText translated(text);
        const std::vector<std::string> problems = CheckTranslatedLanguageFile(english, translated);
        EXPECT_TRUE(problems.empty()) << Joined(problems);

        // Windows-1252, not UTF-8: no byte order mark, no byte the code page
        // leaves undefined, no two-byte UTF-8 sequence for a Latin letter.
        EXPECT_NE(text.rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 byte order mark";
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            EXPECT_TRUE(byte != 0x81 && byte != 0x8D && byte != 0x8F && byte != 0x90 && byte != 0x9D && byte != 0)
                << "byte " << int(byte) << " at " << i;
            if (byte == 0xC3 && i + 1 < text.size()) {
                const auto next = static_cast<unsigned char>(text[i + 1]);
                EXPECT_FALSE(next >= 0x80 && next <= 0xBF) << "UTF-8 sequence at " << i;
            }
        }

        // A translation that mostly repeats the English texts is no translation.
        int same = 0;
        int total = 0;
        for (const ProfileText::Section& section : translated.Sections())
            for (const ProfileText::Entry& key : section.entries) {
                const std::optional<std::string> original = english.Value(section.name, key.key);
                if (!original || original->empty()) continue;
                ++total;
                if (translated.Value(section.name, key.key) == original) ++same;
            }
        EXPECT_LT(same * 4, total) << same << " of " << total << " texts are the English ones";
    }
    EXPECT_GE(translations, 6);
}

}  // namespace
}  // namespace ks
