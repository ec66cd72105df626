// Text helpers: case folding as the registry compares names, TwoDigits, ROT13.
#include <gtest/gtest.h>

#include "base/text.h"
#include "repair/backup_format.h"
#include "support/code_page_tables.h"

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

// Case folded as the system's code page folds it: letters of 1251 that
// Windows-1252 leaves alone or folds elsewhere, and in Shift-JIS no second
// byte of a two-byte character taken for a letter.
TEST(TextTest, CaseFoldsByTheSystemsCodePage) {
    struct Case {
        const test::RecordedCodePage& codePage;
        const char* a;
        const char* b;
        bool equal;
    } const cases[] = {
        {test::kCyrillic1251, "\xB8\xEB\xEA\xE0", "\xA8\xCB\xCA\xC0", true},  // ёлка, ЁЛКА
        {test::kCyrillic1251, "\xF7\xE0\xF1", "\xD7\xC0\xD1", true},          // час, ЧАС
        {test::kCyrillic1251, "\xBF\xA2\x83\x90", "\xAF\xA1\x81\x80", true},  // їўѓђ
        {test::kCyrillic1251, "\xFF", "\x9F", false},                           // я is not џ
        {test::kCyrillic1251, "Software", "SOFTWARE", true},
        {test::kShiftJis932, "\x83\x61", "\x83\x41", false},  // two characters that differ in their second byte
        {test::kShiftJis932, "\xE0\x41", "\xC0\x41", false},  // a lead byte is no letter
        {test::kShiftJis932, "a\x83\x61z", "A\x83\x61Z", true},
        {test::kShiftJis932, "\x95\\a", "\x95\\A", true},     // folding goes on after the character
        {test::kWestern1252, "\xE9t\xE9\xFF", "\xC9T\xC9\x9F", true},
        {test::kWestern1252, "\xF7", "\xD7", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage.id) + ": " + c.a);
        const test::ScopedCodePage active(c.codePage.Make());
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal);
        EXPECT_EQ(UpperAnsi(c.a) == UpperAnsi(c.b), c.equal);
        EXPECT_EQ(CompareNoCase(c.a, c.b) == 0, c.equal);
    }
    EXPECT_EQ(test::kShiftJis932.Make().Upper("a\x83\x61\x95\\b"), "A\x83\x61\x95\\B");
}

// A path that ends in a two-byte character whose second byte is 0x5C (表 in
// Shift-JIS) does not end in a separator.
TEST(TextTest, SeparatorsAreWholeCharacters) {
    struct Case {
        const char* path;
        bool shiftJis;
        bool endsInBackslash;
        std::size_t last;
    } const cases[] = {
        {"D:\\Bk\\\x95\\", true, false, 5},
        {"D:\\Bk\\\x95\\\\", true, true, 8},
        {"D:\\Bk\\\x95\\", false, true, 7},  // a single-byte code page: "•\"
        {"D:\\Bk\\", true, true, 5},
        {"\x95\\", true, false, std::string::npos},
        {"", true, false, std::string::npos},
    };
    LeadBytes sjis = test::kShiftJis932.Leads();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const LeadBytes& leads = c.shiftJis ? sjis : LeadBytes{};
        EXPECT_EQ(EndsInBackslash(c.path, leads), c.endsInBackslash);
        EXPECT_EQ(LastBackslash(c.path, leads), c.last);
        const std::string with = WithTrailingBackslash(c.path, leads);
        EXPECT_EQ(with, c.endsInBackslash ? std::string(c.path) : std::string(c.path) + "\\");
        EXPECT_EQ(WithoutTrailingBackslash(with, leads), c.endsInBackslash ? std::string(c.path).substr(0, with.size() - 1) : c.path);
        const std::string file = MakeBackupFileName(c.path, BackupTime{2024, 1, 2, 3, 4, 5}, leads);
        EXPECT_EQ(file, with + "Backup20240102030405.reg");
    }
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
