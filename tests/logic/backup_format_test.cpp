// The backup text byte for byte: names, escaping, the data form of each value
// type, the byte-list wrapping, and the backup file name.
#include <gtest/gtest.h>

#include <string>

#include "repair/backup_format.h"

namespace ks {
namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out.push_back(static_cast<char>(b));
    return out;
}

// A string as the registry stores it: the text and its terminating NUL.
std::string Sz(const char* text) { return std::string(text) + '\0'; }

// byte i = (7 * i + 1) & 0xFF: no two neighbours alike, so a shifted or
// dropped byte shows.
std::string Pattern(size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out.push_back(static_cast<char>((7 * i + 1) & 0xFF));
    return out;
}

std::string Line(const RegValue& value, const LeadBytes& lead = {}) {
    std::string out;
    EXPECT_TRUE(AppendValueLine(out, value, lead));
    return out;
}

LeadBytes ShiftJisLeadBytes() {
    LeadBytes lead;
    lead.AddRange(0x81, 0x9F);
    lead.AddRange(0xE0, 0xFC);
    return lead;
}

TEST(BackupFormatTest, FileNameCarriesTheStartTimeWithTwoDigitParts) {
    const BackupTime start{2013, 12, 7, 1, 45, 9};
    EXPECT_EQ(MakeBackupFileName("C:\\Tools\\Backup", start), "C:\\Tools\\Backup\\Backup20131207014509.reg");
    EXPECT_EQ(MakeBackupFileName("C:\\Tools\\Backup\\", start), "C:\\Tools\\Backup\\Backup20131207014509.reg");
    EXPECT_EQ(MakeBackupFileName("D:\\", BackupTime{2024, 10, 31, 23, 0, 59}), "D:\\Backup20241031230059.reg");
}

TEST(BackupFormatTest, EscapingDoublesBackslashesBeforeQuotingQuotes) {
    struct Case {
        const char* in;
        const char* out;
    } const cases[] = {
        {"a\"b\\c", "a\\\"b\\\\c"},
        {"\\\"", "\\\\\\\""},  // a wrong order would give \\\\" or \\\"
        {"C:\\Program Files\\Demo", "C:\\\\Program Files\\\\Demo"},
        {"plain = [text] @ ;#", "plain = [text] @ ;#"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(EscapeRegText(c.in), c.out);
    }
}

TEST(BackupFormatTest, EscapingLeavesTheSecondByteOfADoubleByteCharacterAlone) {
    const LeadBytes sjis = ShiftJisLeadBytes();
    // 0x95 0x5C is one character whose second byte is a backslash; 0x83 0x5C
    // then "n" must not turn into an escaped line break.
    EXPECT_EQ(EscapeRegText("\x95\x5C", sjis), "\x95\x5C");
    EXPECT_EQ(EscapeRegText("\x83\x5Cn\\", sjis), "\x83\x5Cn\\\\");
    // The same bytes in a single-byte code page are two characters.
    EXPECT_EQ(EscapeRegText("\x95\x5C"), "\x95\\\\");
    // A lead byte at the very end has no partner and is kept as it is.
    EXPECT_EQ(EscapeRegText("\\\x95", sjis), "\\\\\x95");
}

TEST(BackupFormatTest, ValueLinesRestoreTypeAndBytes) {
    struct Case {
        const char* what;
        RegValue value;
        std::string line;
    } const cases[] = {
        {"plain string", {"Plain", RegType::String, Sz("Hello World")}, "\"Plain\"=\"Hello World\""},
        {"empty string", {"Empty", RegType::String, Sz("")}, "\"Empty\"=\"\""},
        {"string of size 0", {"NoData", RegType::String, ""}, "\"NoData\"=hex(1):"},
        {"embedded NUL", {"EmbNul", RegType::String, std::string("a\0b\0", 4)}, "\"EmbNul\"=hex(1):61,00,62,00"},
        {"no terminator", {"NoTerm", RegType::String, "abc"}, "\"NoTerm\"=hex(1):61,62,63"},
        {"CR LF inside", {"Crlf", RegType::String, Sz("a\r\nb")}, "\"Crlf\"=hex(1):61,0D,0A,62,00"},
        {"lone LF", {"Lf", RegType::String, Sz("[x\n@")}, "\"Lf\"=hex(1):5B,78,0A,40,00"},
        {"expandable", {"Path", RegType::ExpandString, Sz("%SystemRoot%\\x")},
         "\"Path\"=hex(2):25,53,79,73,74,65,6D,52,6F,6F,74,25,5C,78,00"},
        {"multi-string", {"Multi", RegType::MultiString, std::string("one\0two\0\0", 9)},
         "\"Multi\"=hex(7):6F,6E,65,00,74,77,6F,00,00"},
        {"qword", {"Q", RegType::Qword, Bytes({0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01})},
         "\"Q\"=hex(b):EF,CD,AB,89,67,45,23,01"},
        {"dword", {"Count", RegType::Dword, Bytes({0x1E, 0, 0, 0})}, "\"Count\"=dword:0000001E"},
        {"dword deadbeef", {"D", RegType::Dword, Bytes({0xEF, 0xBE, 0xAD, 0xDE})}, "\"D\"=dword:DEADBEEF"},
        {"dword of 2 bytes", {"D2", RegType::Dword, Bytes({0x34, 0x12})}, "\"D2\"=hex(4):34,12"},
        {"dword of 0 bytes", {"D0", RegType::Dword, ""}, "\"D0\"=hex(4):"},
        {"big-endian dword", {"BE", RegType::DwordBigEndian, Bytes({0x11, 0x22, 0x33, 0x44})},
         "\"BE\"=hex(5):11,22,33,44"},
        {"no type", {"None", RegType::None, Bytes({1, 2})}, "\"None\"=hex(0):01,02"},
        {"no type, empty", {"None0", RegType::None, ""}, "\"None0\"=hex(0):"},
        {"custom type", {"Odd", 0x12345, Bytes({5})}, "\"Odd\"=hex(12345):05"},
        {"resource list", {"Res", 8, Bytes({1, 0, 0, 0, 0xAA})}, "\"Res\"=hex(8):01,00,00,00,AA"},
        {"binary", {"Bin", RegType::Binary, Bytes({0, 0xFF})}, "\"Bin\"=hex:00,FF"},
        {"default value", {"", RegType::String, Sz("def")}, "@=\"def\""},
        {"name with specials", {"a=b]c\\d\"e", RegType::Dword, Bytes({1, 0, 0, 0})},
         "\"a=b]c\\\\d\\\"e\"=dword:00000001"},
        {"literal @ name", {"@", RegType::Dword, Bytes({0, 0, 0, 0})}, "\"@\"=dword:00000000"},
        {"quotes and backslashes", {"Q", RegType::String, Sz("He said \"hi\" C:\\dir\\ end\\")},
         "\"Q\"=\"He said \\\"hi\\\" C:\\\\dir\\\\ end\\\\\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Line(c.value), c.line + "\r\n");
    }
}

TEST(BackupFormatTest, HalfACharacterAtTheEndOfAStringIsWrittenAsBytes) {
    const LeadBytes sjis = ShiftJisLeadBytes();
    // Quoted, the lone lead byte would join with the closing quote.
    EXPECT_EQ(Line({"S", RegType::String, Sz("a\x95")}, sjis), "\"S\"=hex(1):61,95,00\r\n");
    EXPECT_EQ(Line({"S", RegType::String, Sz("\x95\x5C")}, sjis), "\"S\"=\"\x95\x5C\"\r\n");
}

TEST(BackupFormatTest, ByteListsWrapAfterEvery25thByteOnlyWhenMoreFollow) {
    struct Case {
        size_t size;
        int lines;
    } const cases[] = {{0, 1}, {1, 1}, {25, 1}, {26, 1}, {27, 2}, {51, 2}, {52, 3}, {76, 3}, {77, 4}, {1000, 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string data = Pattern(c.size);
        const std::string text = Line({"b", RegType::Binary, data});
        // Rebuild the expected text from the rule itself.
        std::string expected = "\"b\"=hex:";
        for (size_t i = 0; i < c.size; ++i) {
            static const char digits[] = "0123456789ABCDEF";
            expected.push_back(digits[static_cast<unsigned char>(data[i]) >> 4]);
            expected.push_back(digits[static_cast<unsigned char>(data[i]) & 15]);
            if (i + 1 < c.size) expected += (i > 0 && i % 25 == 0) ? ",\\\r\n" : ",";
        }
        expected += "\r\n";
        EXPECT_EQ(text, expected);
        int lines = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(text.find(",\r\n"), std::string::npos) << "no line may end with a bare comma";
        EXPECT_EQ(text.find("\\\r\n", text.size() - 4), std::string::npos) << "the last line never continues";
    }
}

TEST(BackupFormatTest, TwentySixAndTwentySevenBytesSplitAsTheFormatSays) {
    const std::string d26 = Line({"b", RegType::Binary, Pattern(26)});
    EXPECT_EQ(d26.substr(d26.size() - 7), "A9,B0\r\n");
    const std::string d27 = Line({"b", RegType::Binary, Pattern(27)});
    EXPECT_EQ(d27.substr(d27.size() - 11), ",B0,\\\r\nB7\r\n");
    const std::string d52 = Line({"b", RegType::Binary, Pattern(52)});
    EXPECT_EQ(d52.substr(d52.size() - 8), ",\\\r\n66\r\n");
}

TEST(BackupFormatTest, BlockMatchesTheDocumentedExample) {
    std::string blob;
    for (int i = 0; i < 30; ++i) blob.push_back(static_cast<char>(i));
    const RegBlock demo{"HKEY_CURRENT_USER\\Software\\Demo",
                        {{"", RegType::String, Sz("C:\\Program Files\\Demo")},
                         {"Title", RegType::String, Sz("Say \"hi\"")},
                         {"Count", RegType::Dword, Bytes({0x1E, 0, 0, 0})},
                         {"Blob", RegType::Binary, blob}}};
    const RegBlock sub{"HKEY_CURRENT_USER\\Software\\Demo\\Sub", {}};
    std::string out;
    ASSERT_TRUE(AppendBlock(out, demo));
    ASSERT_TRUE(AppendBlock(out, sub));
    EXPECT_EQ(out,
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
              "@=\"C:\\\\Program Files\\\\Demo\"\r\n"
              "\"Title\"=\"Say \\\"hi\\\"\"\r\n"
              "\"Count\"=dword:0000001E\r\n"
              "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,19,\\\r\n"
              "1A,1B,1C,1D\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Demo\\Sub]\r\n");
}

TEST(BackupFormatTest, NamesThatCannotBeWrittenRefuseTheWholeBlock) {
    struct Case {
        const char* what;
        RegBlock block;
    } const cases[] = {
        {"value name with CR LF", {"HKEY_CURRENT_USER\\K", {{"a\r\nb", RegType::String, Sz("x")}}}},
        {"value name with LF", {"HKEY_CURRENT_USER\\K", {{"a\nb", RegType::Binary, ""}}}},
        {"value name with NUL", {"HKEY_CURRENT_USER\\K", {{std::string("a\0b", 3), RegType::Binary, ""}}}},
        {"key name with LF", {"HKEY_CURRENT_USER\\K\\a\nb", {}}},
        {"empty part", {"HKEY_CURRENT_USER\\K\\\\L", {}}},
        {"trailing separator", {"HKEY_CURRENT_USER\\K\\", {}}},
        {"empty path", {"", {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "kept";
        EXPECT_FALSE(AppendBlock(out, c.block));
        EXPECT_EQ(out, "kept");
    }
    std::string out;
    EXPECT_FALSE(AppendValueLine(out, {"x\ry", RegType::Binary, ""}));
    EXPECT_EQ(out, "");
}

TEST(BackupFormatTest, KeyPathSplitsOnlyAtRealBackslashes) {
    const LeadBytes sjis = ShiftJisLeadBytes();
    // "\x95\x5C" is one character; read byte by byte it would look like an
    // empty part before the next separator.
    const RegBlock block{"HKEY_CURRENT_USER\\\x95\x5C\\K", {}};
    std::string out;
    EXPECT_TRUE(AppendBlock(out, block, sjis));
    EXPECT_EQ(out, "\r\n[HKEY_CURRENT_USER\\\x95\x5C\\K]\r\n");
    EXPECT_FALSE(AppendBlock(out, RegBlock{"HKEY_CURRENT_USER\\\x95\\\\K", {}}, LeadBytes{}));
}

}  // namespace
}  // namespace ks
