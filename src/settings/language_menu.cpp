// Language menu entries, visibility and the not-found message.
#include "settings/language_menu.h"

#include "base/text.h"

namespace ks {

const std::array<LanguageMenuEntry, kLanguageMenuEntryCount> kLanguageMenuEntries = {{
    {"miAfrikaans", "&Afrikaans", false, false},
    {"miArabic", "Arabic", false, false},
    {"miBrazilianPortuguese", "&Brazilian Portuguese", false, false},
    {"miBulgarian", "Bulgarian", false, false},
    {"miCatalan", "Catalan", false, false},
    {"miCzech", "C&zech", false, false},
    {"miDanish", "&Danish", false, false},
    {"miNederlands", "Dut&ch", false, false},
    {"miEnglish", "&English", false, false},
    {"miFinnish", "&Finnish", false, false},
    {"miFrench", "Frenc&h", false, false},
    {"miGerman", "&German", false, false},
    {"miGreek", "Greek", false, false},
    {"miHrvatski", "Hr&vatski", false, false},
    {"miHungary", "H&ungary", false, false},
    {"miItalian", "&Italian", false, false},
    {"miJapanese", "&Japanese", false, false},
    {"miKorean", "&Korean", false, false},
    {"miKurdish", "K&urdish", false, false},
    {"miLithuanian", "&Lithuanian", false, false},
    {"miMalay", "&Malay", false, false},
    {"miNorwegian", "Nor&wegian", false, false},
    {"miPolish", "&Polish", false, false},
    {"miPortuguesePT", "Portuguese-PT", false, false},
    {"miRomanian", "&Romanian", false, false},
    {"miRussian", "R&ussian", false, false},
    {"miSerbian", "Serbia&n", false, false},
    {"miChinese", "Simplified &Chinese", false, false},
    {"miSlovenian", "Slovenian", false, false},
    {"miSpanish", "&Spanish", false, false},
    {"miSwedish", "Swedish", false, false},
    {"miTraditionalChinese", "Traditional Chinese", false, false},
    {"miTurkish", "&Turkish", false, false},
    {"mlOther", "-", true, false},
    {"miOther", "&Other", false, false},
    {"Language1", "Language", false, true},
}};

std::string LanguageNameOf(std::string_view componentName) {
    return componentName.size() <= 2 ? std::string() : std::string(componentName.substr(2));
}

std::string LanguageFileName(std::string_view language) {
    std::string name = "Lan_";
    name += language;
    name += ".ini";
    return name;
}

std::vector<bool> LanguageEntriesVisible(const std::function<bool(const std::string& language)>& fileExists) {
    std::vector<bool> visible(kLanguageMenuEntryCount, false);
    for (std::size_t i = kLanguageMenuEntryCount; i-- > 0;)
        visible[i] = fileExists(LanguageNameOf(kLanguageMenuEntries[i].Name));
    return visible;
}

std::size_t LanguageEntryFor(std::string_view lan) {
    for (std::size_t i = 0; i < kLanguageMenuEntryCount; ++i) {
        const LanguageMenuEntry& entry = kLanguageMenuEntries[i];
        if (entry.Separator || entry.Hidden) continue;
        if (EqualsNoCase(LanguageNameOf(entry.Name), lan)) return i;
    }
    return kLanguageMenuEntryCount;
}

std::string LanguageNotFoundMessage(std::string_view language, std::string_view translationPage) {
    std::string message = LanguageFileName(language) + " can not be found.";
    if (language == "Other") {
        message += "\r\n\r\nPlease visit ";
        message += translationPage;
        message += '.';
    }
    return message;
}

}  // namespace ks
