// The options dialog's rules and the entry dialog's OK rule, without windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "repair/reg_add_registry_form.h"
#include "settings/options.h"

namespace ks {
namespace {

TEST(OptionsTest, RestorePointCaptionEndsInTheBuiltInVersionList) {
    struct Case {
        const char* caption;
        const char* expected;
    } const cases[] = {
        {"Create a system restore point before repair (XP, Vista, 7, 8)",
         "Create a system restore point before repair (XP, Vista, 7, 8)"},
        {"Wiederherstellungspunkt erstellen (XP, Vista)", "Wiederherstellungspunkt erstellen (XP, Vista, 7, 8)"},
        {"Point de restauration (xp seulement)", "Point de restauration (XP, Vista, 7, 8)"},
        {"(Xp)", "(XP, Vista, 7, 8)"},
        {"a (XP b (XP c", "a (XP, Vista, 7, 8)"},
        {"Restore point (Windows XP)", "Restore point (Windows XP)"},
        {"Restore point", "Restore point"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(RestorePointCaption(c.caption), c.expected);
    }
}

TEST(OptionsTest, ListRules) {
    const std::vector<std::string> rows = {"HKEY_CURRENT_USER\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\B\\v"};
    struct Case {
        const char* entry;
        bool added;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\A", false},
        {"hkey_current_user\\SOFTWARE\\a", false},
        {"HKEY_CURRENT_USER\\Software\\A\\", true},
        {"HKEY_CURRENT_USER\\Software", true},
        {"HKEY_LOCAL_MACHINE\\Software\\B\\V", false},
        {"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(CanAddIgnoreEntry(rows, c.entry), c.added);
    }
    EXPECT_TRUE(CanAddIgnoreEntry({}, "x"));

    EXPECT_EQ(ActiveIgnoreList(0), IgnoreListChoice::Values);
    EXPECT_EQ(ActiveIgnoreList(1), IgnoreListChoice::Keys);
    EXPECT_EQ(ActiveIgnoreList(-1), IgnoreListChoice::Values);
    EXPECT_EQ(ActiveIgnoreList(2), IgnoreListChoice::Values);

    EXPECT_EQ(TickedRowsLastFirst({true, false, true, true}), (std::vector<int>{3, 2, 0}));
    EXPECT_TRUE(TickedRowsLastFirst({false, false}).empty());
    EXPECT_TRUE(TickedRowsLastFirst({}).empty());
}

TEST(OptionsTest, ShownListsFollowTheCountsAndStoringSetsThem) {
    struct Case {
        int count;
        std::size_t shown;
    } const cases[] = {{0, 0}, {2, 2}, {3, 3}, {5, 3}, {-1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        SettingsRecord settings;
        settings.IgnoreValues = {"a", "b", "c"};
        settings.IgnoreValueCount = c.count;
        settings.IgnoreKeys = {"k1", "k2", "k3"};
        settings.IgnoreKeyCount = c.count;
        const auto values = ShownIgnoreValues(settings);
        ASSERT_EQ(values.size(), c.shown);
        EXPECT_TRUE(std::equal(values.begin(), values.end(), settings.IgnoreValues.begin()));
        EXPECT_EQ(ShownIgnoreKeys(settings).size(), c.shown);
    }
    SettingsRecord settings;
    settings.IgnoreValues = {"old"};
    settings.IgnoreValueCount = 1;
    StoreIgnoreLists(settings, {"x", "x", "y"}, {});
    EXPECT_EQ(settings.IgnoreValues, (std::vector<std::string>{"x", "x", "y"}));
    EXPECT_EQ(settings.IgnoreValueCount, 3);
    EXPECT_TRUE(settings.IgnoreKeys.empty());
    EXPECT_EQ(settings.IgnoreKeyCount, 0);
}

TEST(OptionsTest, MissingFolderMessageAndTheEntryDialogsOKRule) {
    const std::string saved = Settings.Lan;
    Settings.Lan = "English";
    EXPECT_EQ(MissingBackupFolderMessage(""), ",The backup directory does not exist.");
    EXPECT_EQ(MissingBackupFolderMessage("C:\\x"), "C:\\x,The backup directory does not exist.");
    Settings.Lan = saved;

    struct Case {
        const char* text;
        bool ok;
    } const cases[] = {
        {"hkey_current_user\\x", true}, {"HKEY_LOCAL_MACHINE", true}, {"x HkEy_y", true},
        {"Software\\x", false},         {"HKEY", false},              {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AcceptsIgnoreEntry(c.text), c.ok);
    }
}

}  // namespace
}  // namespace ks
