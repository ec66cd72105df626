// The English language file against every window linked into the Win32
// program, including windows whose tables live beside their Win32 code.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/localisation.h"
#include "settings/resource_strings.h"
#include "ui/form_table.h"

namespace ks {
namespace {

TEST(LanguageCoverageWinTest, EnglishFileCoversEveryLinkedWindow) {
    std::ifstream stream(std::string(KS_SOURCE_DIR) + "/lang/Lan_English.ini", std::ios::binary);
    ASSERT_TRUE(stream.good());
    const ProfileText english(std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>()));
    std::vector<ResourceText> resources;
    for (const ResourceString& entry : kResourceStrings) resources.push_back({entry.key, entry.english});
    const std::vector<std::string> problems = CheckEnglishLanguageFile(english, ui::RegisteredForms(), resources);
    std::string listed;
    for (const std::string& problem : problems) listed += "\n  " + problem;
    EXPECT_TRUE(problems.empty()) << listed;
}

}  // namespace
}  // namespace ks
