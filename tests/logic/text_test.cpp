// Text helpers: case folding as the registry compares names, TwoDigits, ROT13.
#include <gtest/gtest.h>

#include "base/text.h"

namespace ks {
namespace {

TEST(TextTest, UpperCaseFoldsAsciiAndWindows1252Letters) {
    struct Case {
        const char* in;
        const char* upper;
    } const cases[] = {
        {"hkey_Current_User", "HKEY_CURRENT_USER"},
        {"\xe9t\xe9", "\xc9T\xc9"},        // été
        {"\xf7\xff\x9a", "\xf7\x9f\x8a"},  // ÷ stays, ÿ and š have upper forms
        {"a_[]`{}~", "A_[]`{}~"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(UpperAnsi(c.in), c.upper);
    }
}

TEST(TextTest, CompareNoCaseOrdersAsTheRegistryEnumerates) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("Abc", "abd"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    // Upper-cased comparison puts "_" (0x5F) after letters.
    EXPECT_LT(CompareNoCase("zeta", "_under"), 0);
    EXPECT_TRUE(EqualsNoCase("Software", "SOFTWARE"));
    EXPECT_FALSE(EqualsNoCase("Software", "Softwar"));
}

TEST(TextTest, TwoDigitsPadsSingleDigitsOnly) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(2013), "2013");
}

TEST(TextTest, Rot13RotatesAsciiLettersOnly) {
    EXPECT_EQ(Rot13Text("Abc-Xyz"), "Nop-Klm");
    EXPECT_EQ(Rot13Text(Rot13Text("HRZR_EHACNGU:P:\\a.exe")), "HRZR_EHACNGU:P:\\a.exe");
    EXPECT_EQ(Rot13Text("\xe9 1 {}"), "\xe9 1 {}");
}

TEST(TextTest, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  C:\\a b \t\r\n"), "C:\\a b");
    EXPECT_EQ(Trim(" \t "), "");
}

}  // namespace
}  // namespace ks
