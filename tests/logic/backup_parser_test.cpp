// Reading backups back: what the writer produces parses to the same values the
// import stores, and everything the importer would skip or misread is an error.
#include <gtest/gtest.h>

#include <string>

#include "repair/backup_format.h"
#include "repair/backup_parser.h"

namespace ks {
namespace {

std::string Sz(const char* text) { return std::string(text) + '\0'; }

std::string Pattern(size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out.push_back(static_cast<char>((7 * i + 1) & 0xFF));
    return out;
}

TEST(BackupParserTest, WrittenBlocksReadBackAsTheImportStoresThem) {
    struct Case {
        const char* what;
        RegValue written;
        RegValue imported;  // what the 8-bit functions read after the import
    } const cases[] = {
        {"string", {"s", RegType::String, Sz("x \"y\" \\z")}, {"s", RegType::String, Sz("x \"y\" \\z")}},
        {"empty string", {"", RegType::String, Sz("")}, {"", RegType::String, Sz("")}},
        {"size 0", {"z", RegType::String, ""}, {"z", RegType::String, ""}},
        {"embedded NUL", {"n", RegType::String, std::string("a\0b\0", 4)},
         {"n", RegType::String, std::string("a\0b\0", 4)}},
        {"line breaks", {"l", RegType::String, Sz("a\r\n[HKEY_CURRENT_USER]\r\n@=dword:1")},
         {"l", RegType::String, Sz("a\r\n[HKEY_CURRENT_USER]\r\n@=dword:1")}},
        // The import ends unterminated text with a NUL: a check that compares
        // with the live value sees the difference.
        {"no terminator", {"t", RegType::String, "abc"}, {"t", RegType::String, Sz("abc")}},
        {"expandable without terminator", {"e", RegType::ExpandString, "%a%"},
         {"e", RegType::ExpandString, Sz("%a%")}},
        {"multi-string", {"m", RegType::MultiString, std::string("a\0\0b\0\0", 6)},
         {"m", RegType::MultiString, std::string("a\0\0b\0\0", 6)}},
        {"dword", {"d", RegType::Dword, std::string("\x78\x56\x34\x12", 4)},
         {"d", RegType::Dword, std::string("\x78\x56\x34\x12", 4)}},
        {"short dword", {"d", RegType::Dword, std::string("\x01", 1)}, {"d", RegType::Dword, std::string("\x01", 1)}},
        {"binary 26", {"b", RegType::Binary, Pattern(26)}, {"b", RegType::Binary, Pattern(26)}},
        {"binary 1000", {"b", RegType::Binary, Pattern(1000)}, {"b", RegType::Binary, Pattern(1000)}},
        {"binary empty", {"b", RegType::Binary, ""}, {"b", RegType::Binary, ""}},
        {"none, 51 bytes", {"x", RegType::None, Pattern(51)}, {"x", RegType::None, Pattern(51)}},
        {"custom type", {"x", 0xFFFFFFFFu, "\x05"}, {"x", 0xFFFFFFFFu, "\x05"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text(kRegHeaderLine);
        text += kLineEnd;
        ASSERT_TRUE(AppendBlock(text, RegBlock{"HKEY_CURRENT_USER\\K", {c.written}}));
        ASSERT_TRUE(AppendBlock(text, RegBlock{"HKEY_CURRENT_USER\\K\\Next", {{"after", RegType::Binary, "\x01"}}}));
        const auto parsed = ParseRegText(text, true);
        ASSERT_TRUE(parsed.ok) << parsed.error << " at line " << parsed.errorLine;
        ASSERT_EQ(parsed.blocks.size(), 2u);
        EXPECT_EQ(parsed.blocks[0], (RegBlock{"HKEY_CURRENT_USER\\K", {c.imported}}));
        EXPECT_EQ(parsed.blocks[1].keyPath, "HKEY_CURRENT_USER\\K\\Next");
    }
}

TEST(BackupParserTest, ReadsHandWrittenFormsTheImporterAccepts) {
    const auto parsed = ParseRegText(
        "REGEDIT4\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\a]b]\r\n"
        "\"\"=\"default given as empty name\"\r\n"
        "\"lower\"=dword:00abcdef\r\n"
        "\"short\"=dword:1\r\n"
        "\"cont\"=hex:01,\\\r\n"
        "   02,03\r\n"
        "\"esc\"=\"a\\nb\\rc\"\r\n",
        true);
    ASSERT_TRUE(parsed.ok) << parsed.error << " at line " << parsed.errorLine;
    ASSERT_EQ(parsed.blocks.size(), 1u);
    EXPECT_EQ(parsed.blocks[0].keyPath, "HKEY_LOCAL_MACHINE\\Software\\a]b");
    const std::vector<RegValue> expected = {
        {"", RegType::String, Sz("default given as empty name")},
        {"lower", RegType::Dword, std::string("\xef\xcd\xab\x00", 4)},
        {"short", RegType::Dword, std::string("\x01\0\0\0", 4)},
        {"cont", RegType::Binary, "\x01\x02\x03"},
        {"esc", RegType::String, Sz("a\nb\rc")},
    };
    EXPECT_EQ(parsed.blocks[0].values, expected);
}

TEST(BackupParserTest, RejectsWhatTheImporterWouldSkipOrMisread) {
    struct Case {
        const char* what;
        std::string text;
        size_t line;
    } const cases[] = {
        {"empty file", "", 1},
        {"no header", "\r\n[HKEY_CURRENT_USER\\K]\r\n", 1},
        {"header with a blank", "REGEDIT 4\r\n", 1},
        {"lower-case header", "regedit4\r\n", 1},
        {"continuation swallows the next key", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,\\\r\n[HKEY_CURRENT_USER\\L]\r\n", 4},
        {"continuation at the end", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,\\\r\n", 3},
        {"blank line inside a byte list", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,\\\r\n\r\n02\r\n", 4},
        {"bare comma at the end", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,\r\n", 3},
        {"half a byte", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,0\r\n", 3},
        {"string split by a line break", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"s\"=\"a\r\nb\"\r\n", 3},
        {"last line unended", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]", 2},
        {"unknown root", "REGEDIT4\r\n[HKEY_LOCAL_MASCHINE\\K]\r\n", 2},
        {"abbreviated root", "REGEDIT4\r\n[HKCU\\K]\r\n", 2},
        {"empty key part", "REGEDIT4\r\n[HKEY_CURRENT_USER\\\\K]\r\n", 2},
        {"no closing bracket", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K\r\n", 2},
        {"value before a key", "REGEDIT4\r\n\"a\"=dword:00000001\r\n", 2},
        {"NUL escape", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"x\\0\"\r\n", 3},
        {"unknown escape", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"x\\q\"\r\n", 3},
        {"text after string", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"x\" ;c\r\n", 3},
        {"dword of 9 digits", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=dword:000000001\r\n", 3},
        {"dword with 0x", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=dword:0x1\r\n", 3},
        {"upper-case type", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=HEX:01\r\n", 3},
        {"type with 0x", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=hex(0x2):01\r\n", 3},
        {"unquoted line", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\nline2\"\r\n", 3},
        {"unterminated name", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a=hex:01\r\n", 3},
        // The editor stops reading the whole file there.
        {"deletion of a root", "REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n[HKEY_CURRENT_USER\\K]\r\n", 2},
        {"deletion of an unknown root", "REGEDIT4\r\n[-HKEY_NOWHERE\\K]\r\n", 2},
        {"value after a key deletion", "REGEDIT4\r\n[-HKEY_CURRENT_USER\\K]\r\n\"a\"=dword:00000001\r\n", 3},
        {"deletion with a comment", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=- ;x\r\n", 3},
        {"last line of a LF file unended", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"a\"=dword:1", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = ParseRegText(c.text, true);
        EXPECT_FALSE(parsed.ok);
        EXPECT_EQ(parsed.errorLine, c.line) << parsed.error;
        EXPECT_TRUE(parsed.blocks.empty());
    }
}

// What the editor itself writes and reads besides the backups' own form:
// its Version 5.00 header, UTF-16 text (read here as UTF-8), other line ends,
// deletions, and a name given again in one key.
TEST(BackupParserTest, ReadsTheEditorsOwnFormsAndDeletions) {
    const std::string key = "[HKEY_CURRENT_USER\\K]";
    const auto utf16 = [](std::string_view ascii) {
        std::string out;
        for (char c : ascii) out += {c, '\0'};
        return out;
    };
    struct Case {
        const char* what;
        std::string text;
        RegTextForm form;
        std::vector<RegBlock> blocks;
    };
    const std::vector<Case> cases = {
        {"LF line ends", "REGEDIT4\n\n" + key + "\n\"a\"=dword:00000001\n", RegTextForm::Ansi,
         {{"HKEY_CURRENT_USER\\K", {{"a", RegType::Dword, std::string("\x01\0\0\0", 4)}}}}},
        {"CR line ends and a hex list over two lines", "REGEDIT4\r" + key + "\r\"b\"=hex:01,\\\r  02\r",
         RegTextForm::Ansi, {{"HKEY_CURRENT_USER\\K", {{"b", RegType::Binary, "\x01\x02"}}}}},
        {"Version 5.00 header in an ANSI file", "Windows Registry Editor Version 5.00\r\n" + key + "\r\n@=\"x\"\r\n",
         RegTextForm::Ansi, {{"HKEY_CURRENT_USER\\K", {{"", RegType::String, Sz("x")}}}}},
        {"deletions: a tree, a value, a value set then deleted, deleted then set",
         "REGEDIT4\r\n[-HKEY_CURRENT_USER\\K\\Old]\r\n" + key +
             "\r\n\"gone\"=-\r\n\"a\"=\"1\"\r\n\"A\"=-\r\n\"b\"=-\r\n\"B\"=\"2\"\r\n\"c\"=\"3\"\r\n\"C\"=\"4\"\r\n",
         RegTextForm::Ansi,
         {{"HKEY_CURRENT_USER\\K\\Old", {}, true, {}},
          {"HKEY_CURRENT_USER\\K", {{"B", RegType::String, Sz("2")}, {"C", RegType::String, Sz("4")}}, false,
           {"gone", "A"}}}},
        // In a Unicode file values come out as stored: texts in UTF-16, a text
        // given as bytes ended by a UTF-16 NUL.
        {"Unicode text", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K\xC3\xA9]\r\n"
                         "\"n\xC3\xA9\"=\"\xE2\x82\xAC \\\"q\\\"\"\r\n\"e\"=hex(2):25,00,41,00\r\n"
                         "\"m\"=hex(7):61,00,00,00,00,00\r\n\"z\"=hex(1):\r\n",
         RegTextForm::Unicode,
         {{"HKEY_CURRENT_USER\\K\xC3\xA9",
           {{"n\xC3\xA9", RegType::String, std::string("\xAC\x20\x20\0\"\0q\0\"\0\0\0", 12)},
            {"e", RegType::ExpandString, utf16("%A") + std::string(2, '\0')},
            {"m", RegType::MultiString, utf16("a") + std::string(4, '\0')},
            {"z", RegType::String, ""}}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = ParseRegText(c.text, true, {}, c.form);
        ASSERT_TRUE(parsed.ok) << parsed.error << " at line " << parsed.errorLine;
        EXPECT_EQ(parsed.blocks, c.blocks);
    }
    const auto odd =
        ParseRegText("REGEDIT4\r\n" + key + "\r\n\"a\"=hex(1):41,00,42\r\n", true, {}, RegTextForm::Unicode);
    EXPECT_FALSE(odd.ok) << "half a UTF-16 character";
    EXPECT_EQ(odd.errorLine, 3u);
}

TEST(BackupParserTest, ARunOfBlocksNeedsNoHeaderButAFileDoes) {
    const std::string blocks = "\r\n[HKEY_USERS\\S\\K]\r\n@=hex(0):\r\n";
    EXPECT_TRUE(ParseRegText(blocks, false).ok);
    EXPECT_FALSE(ParseRegText(blocks, true).ok);
    const auto empty = ParseRegText("", false);
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.blocks.empty());
}

TEST(BackupParserTest, DoubleByteCharactersAreReadWhole) {
    LeadBytes sjis;
    sjis.AddRange(0x81, 0x9F);
    sjis.AddRange(0xE0, 0xFC);
    // Second bytes 0x5C (backslash), 0x22 is no trail byte in this code page,
    // 0x5D (closing bracket) inside a key name.
    const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\\x81\x5D\\\x95\x5C]\r\n\"\x95\x5C\"=\"\x83\x5Cn\"\r\n";
    const auto parsed = ParseRegText(text, true, sjis);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.blocks.size(), 1u);
    EXPECT_EQ(parsed.blocks[0].keyPath, "HKEY_CURRENT_USER\\\x81\x5D\\\x95\x5C");
    ASSERT_EQ(parsed.blocks[0].values.size(), 1u);
    EXPECT_EQ(parsed.blocks[0].values[0].name, "\x95\x5C");
    EXPECT_EQ(parsed.blocks[0].values[0].data, Sz("\x83\x5Cn"));
    // Read as single bytes the same text has an unknown escape.
    EXPECT_FALSE(ParseRegText(text, true).ok);
}

}  // namespace
}  // namespace ks
