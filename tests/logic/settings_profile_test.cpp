// Profile values: integer parsing, quoting for a faithful round trip, and the
// in-memory profile answering like the profile-string API.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "settings/profile.h"

namespace ks {
namespace {

TEST(ProfileValueTest, ParsesOnlyWholeDecimalIntegersInRange) {
    struct Case {
        const char* text;
        std::optional<int> expected;
    } const cases[] = {
        {"0", 0},
        {"1", 1},
        {"7", 7},
        {"-1", -1},
        {"+12", 12},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"yes", std::nullopt},
        {"1x", std::nullopt},
        {"0x10", std::nullopt},
        {"$10", std::nullopt},
        {"1 2", std::nullopt},
        {"--1", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseProfileInteger(c.text), c.expected);
    }
}

TEST(ProfileValueTest, LineBreaksAndNulsCannotBeStored) {
    EXPECT_TRUE(IsStorableProfileValue(""));
    EXPECT_TRUE(IsStorableProfileValue("HKEY_CURRENT_USER\\Software\\a=b;c \"d\""));
    EXPECT_FALSE(IsStorableProfileValue("line1\r\n[Options]"));
    EXPECT_FALSE(IsStorableProfileValue("a\nb"));
    EXPECT_FALSE(IsStorableProfileValue("a\rb"));
    EXPECT_FALSE(IsStorableProfileValue(std::string_view("a\0b", 3)));
}

TEST(ProfileValueTest, QuotesOnlyWhatReadingWouldAlter) {
    struct Case {
        const char* value;
        const char* written;
    } const cases[] = {
        {"", ""},
        {"C:\\Tools\\Backup", "C:\\Tools\\Backup"},
        {"HKEY_CURRENT_USER\\Run\\name ", "\"HKEY_CURRENT_USER\\Run\\name \""},
        {" lead", "\" lead\""},
        {"tab\t", "\"tab\t\""},
        {"\"quoted\"", "\"\"quoted\"\""},
        {"'single'", "\"'single'\""},
        {"\"\"", "\"\"\"\""},
        {"\"", "\""},                      // a lone quote is never stripped
        {"'mixed\"", "'mixed\""},          // quotes that do not match stay
        {"\"C:\\a.exe\" -run", "\"C:\\a.exe\" -run"},
        {"in side", "in side"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(QuoteProfileValue(c.value), c.written);
    }
}

TEST(ProfileValueTest, QuotedValuesComeBackUnchanged) {
    const char* const values[] = {"plain", "trailing ", "  both  ", "\"q\"", "'s'", "\"\"", "\"", "x\"", "\t"};
    MemoryProfile profile;
    for (const char* value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(profile.WriteString("S", "K", QuoteProfileValue(value)));
        EXPECT_EQ(profile.ReadString("S", "K", "default"), value);
    }
}

TEST(MemoryProfileTest, MatchesSectionsAndKeysIgnoringCase) {
    MemoryProfile profile;
    ASSERT_TRUE(profile.WriteString("Options", "Lan", "German"));
    EXPECT_EQ(profile.ReadString("OPTIONS", "lan", "English"), "German");
    EXPECT_EQ(profile.ReadString("Options", "Land", "English"), "English");
    EXPECT_EQ(profile.ReadString("Option", "Lan", "English"), "English");

    // Rewriting a key in another case keeps its first spelling and place.
    ASSERT_TRUE(profile.WriteString("options", "LAN", "French"));
    ASSERT_TRUE(profile.WriteString("Window", "State", "1"));
    EXPECT_EQ(profile.Text(), "[Options]\r\nLan=French\r\n[Window]\r\nState=1\r\n");
}

TEST(MemoryProfileTest, ReadsLikeTheApiTrimmingUnquotingAndCutting) {
    MemoryProfile profile;
    const std::string longValue = std::string(2046, 'a') + "bc" + std::string(100, 'z');
    ASSERT_TRUE(profile.WriteString("S", "Long", longValue));
    ASSERT_TRUE(profile.WriteString("S", "Spaced", "  value \t"));
    ASSERT_TRUE(profile.WriteString("S", "Quoted", "\" in \""));
    ASSERT_TRUE(profile.WriteString("S", "Empty", ""));

    const std::string longRead = profile.ReadString("S", "Long", "");
    ASSERT_EQ(longRead.size(), kProfileValueMaxChars);
    EXPECT_EQ(longRead.back(), 'b');
    EXPECT_EQ(profile.ReadString("S", "Spaced", ""), "value");
    EXPECT_EQ(profile.ReadString("S", "Quoted", ""), " in ");
    // Present but empty is not missing: the default does not apply.
    EXPECT_EQ(profile.ReadString("S", "Empty", "default"), "");
    EXPECT_EQ(profile.ReadString("S", "Missing", std::string(3000, 'd')).size(), kProfileValueMaxChars);
}

TEST(MemoryProfileTest, ListsKeyNamesInOrderAndInjectsFaults) {
    MemoryProfile profile;
    ASSERT_TRUE(profile.WriteString("IgnoreKey", "Count", "2"));
    ASSERT_TRUE(profile.WriteString("IgnoreKey", "Key1", "a"));
    ASSERT_TRUE(profile.WriteString("IgnoreKey", "Key2", "b"));
    EXPECT_EQ(profile.KeyNames("ignorekey"), (std::vector<std::string>{"Count", "Key1", "Key2"}));
    EXPECT_EQ(profile.KeyNames("Nothing"), std::vector<std::string>{});

    profile.FailKeyNames(true);
    EXPECT_EQ(profile.KeyNames("IgnoreKey"), std::nullopt);
    profile.FailWrites(true);
    EXPECT_FALSE(profile.WriteString("IgnoreKey", "Count", "9"));
    EXPECT_EQ(profile.ReadString("IgnoreKey", "Count", ""), "2");
}

}  // namespace
}  // namespace ks
