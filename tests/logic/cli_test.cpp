// The console program's logic: its command line and section lists, the CSV
// and JSON it writes (read back with strict readers), and its exit codes.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/cli_output.h"
#include "cli/cli_results.h"
#include "support/cli_readers.h"

namespace ks::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliArgumentsTest, CommandsOptionsAndSectionLists) {
    const auto range = [](int from, int to) {
        std::vector<int> ids;
        for (int id = from; id <= to; ++id) ids.push_back(id);
        return ids;
    };
    struct Case {
        Args args;
        std::string error;  // a part of the error line; empty when it parses
        CommandKind kind = CommandKind::Help;
        std::optional<std::vector<int>> sections;
        OutputFormat format = OutputFormat::Text;
    } const cases[] = {
        {{"--help"}, "", CommandKind::Help},
        {{"scan", "--help"}, "", CommandKind::Help},
        {{"--version"}, "", CommandKind::Version},
        {{"scan"}, "", CommandKind::Scan},
        {{"scan", "--sections", "3-5,12"}, "", CommandKind::Scan, std::vector<int>{3, 4, 5, 12}},
        {{"scan", "--sections=12, 3 - 4 ,4"}, "", CommandKind::Scan, std::vector<int>{3, 4, 12}},
        {{"scan", "--sections", "ALL"}, "", CommandKind::Scan, range(3, 23)},
        {{"scan", "--sections", "23,3-3"}, "", CommandKind::Scan, std::vector<int>{3, 23}},
        {{"scan", "--format", "JSON"}, "", CommandKind::Scan, std::nullopt, OutputFormat::Json},
        {{"scan", "--format=csv"}, "", CommandKind::Scan, std::nullopt, OutputFormat::Csv},
        {{"repair", "--dry-run", "--sections", "7"}, "", CommandKind::Repair, std::vector<int>{7}},
        {{"repair", "--dry-run", "--details"}, "", CommandKind::Repair},
        {{"scan", "--details", "--format", "csv"}, "", CommandKind::Scan, std::nullopt, OutputFormat::Csv},
        {{"backups", "--details"}, "does not go with backups"},
        {{"scan", "--details=yes"}, "takes no value"},
        {{"backups"}, "", CommandKind::Backups},
        {{"restore", "x.reg"}, "", CommandKind::Restore},
        {{}, "no command"},
        {{"clean"}, "unknown command"},
        {{"scan", "--sections", "2"}, "bad section"},
        {{"scan", "--sections", "24"}, "bad section"},
        {{"scan", "--sections", "5-3"}, "backward"},
        {{"scan", "--sections", "3,,4"}, "bad section"},
        {{"scan", "--sections", "3-"}, "bad section"},
        {{"scan", "--sections", "003"}, "bad section"},
        {{"scan", "--sections", " "}, "empty section list"},
        {{"scan", "--sections"}, "needs a value"},
        {{"scan", "--format", "xml"}, "unknown format"},
        {{"scan", "--output="}, "needs a file name"},
        {{"scan", "--dry-run"}, "does not go with scan"},
        {{"backups", "--sections", "3"}, "does not go with backups"},
        {{"scan", "--no-settings=1"}, "takes no value"},
        {{"scan", "--format", "csv", "--format", "json"}, "given twice"},
        {{"scan", "--colour"}, "unknown option"},
        {{"scan", "extra"}, "unexpected argument"},
        {{"restore"}, "needs a backup file"},
        {{"restore", "a.reg", "b.reg"}, "unexpected argument"},
        {{"--version", "scan"}, "takes nothing"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "]";
        SCOPED_TRACE(shown);
        const CliParse parsed = ParseCliArguments(c.args);
        if (!c.error.empty()) {
            const auto* error = std::get_if<CliError>(&parsed);
            ASSERT_NE(error, nullptr);
            EXPECT_NE(error->message.find(c.error), std::string::npos) << error->message;
            EXPECT_EQ(error->message.find('\n'), std::string::npos);
            continue;
        }
        const auto* command = std::get_if<CliCommand>(&parsed);
        ASSERT_NE(command, nullptr) << std::get<CliError>(parsed).message;
        EXPECT_EQ(command->kind, c.kind);
        EXPECT_EQ(command->sections, c.sections);
        EXPECT_EQ(command->format, c.format);
    }
}

TEST(CliArgumentsTest, OptionValuesLandWhereTheyBelong) {
    const CliParse repair = ParseCliArguments({"repair", "--backup-dir", "C:\\b k", "--no-settings", "--dry-run"});
    CliCommand expected;
    expected.kind = CommandKind::Repair;
    expected.backupDir = "C:\\b k";
    expected.noSettings = true;
    expected.dryRun = true;
    EXPECT_EQ(std::get<CliCommand>(repair), expected);
    EXPECT_EQ(std::get<CliCommand>(ParseCliArguments({"scan", "--output", "o.json"})).outputFile, "o.json");
    EXPECT_EQ(std::get<CliCommand>(ParseCliArguments({"backups", "--dir=D:\\x"})).listDir, "D:\\x");
    EXPECT_EQ(std::get<CliCommand>(ParseCliArguments({"restore", "C:\\B 1.reg"})).restoreFile, "C:\\B 1.reg");
}

const std::vector<SectionFinding> kAwkward = {
    {4, {"Invalid File or Folder", "HKEY_CURRENT_USER\\Software\\A, B", "C:\\x \"quoted\".exe",
         RemovalKind::DeleteValueInPath}},
    {7, {"Fonts Issue", "HKEY_LOCAL_MACHINE\\F", "line\r\nbreak\nand\rcr", RemovalKind::DeleteNamedValue}},
    {12, {"", "HKEY_CLASSES_ROOT\\.x", "", RemovalKind::DeleteKey}},
    {23, {"Empty", "HKEY_USERS\\S\\\x01\x1f\x7f", "tab\there\\", RemovalKind::DeleteEncodedValue}},
};

TEST(CliOutputTest, CsvReadsBackFieldForField) {
    const std::string csv = FindingsCsv(kAwkward);
    const auto rows = test::ReadCsv(csv);
    ASSERT_TRUE(rows.has_value()) << csv;
    ASSERT_EQ(rows->size(), kAwkward.size() + 1);
    EXPECT_EQ(rows->front(), (std::vector<std::string>{"section", "problem", "keyPath", "value", "removalKind"}));
    for (std::size_t i = 0; i < kAwkward.size(); ++i) {
        const auto& row = (*rows)[i + 1];
        const Finding& f = kAwkward[i].finding;
        EXPECT_EQ(row, (std::vector<std::string>{std::to_string(kAwkward[i].section), f.Problem, f.KeyPath, f.Value,
                                                 RemovalKindName(f.RemovalKind)}));
    }
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a\"b"), "\"a\"\"b\"");
}

// --details: columns and fields at the end, read back by the strict readers;
// what was there before is unchanged.
TEST(CliOutputTest, DetailsFollowTheFindingsInCsvAndJson) {
    std::vector<FindingDetails> details;
    for (const SectionFinding& row : kAwkward) {
        RemovalPreview preview;
        preview.what = RemovalPreview::What::Key;
        preview.keys = 3;
        preview.values = 5;
        preview.countCut = row.section == 23;
        Finding finding = row.finding;
        finding.Reason = {ReasonKind::MissingFile, "C:\\gone, \"x\"\\a.exe"};
        details.push_back(DetailsOf(finding, preview));
    }
    const auto plain = test::ReadCsv(FindingsCsv(kAwkward));
    const auto rows = test::ReadCsv(FindingsCsv(kAwkward, &details));
    ASSERT_TRUE(rows.has_value() && plain.has_value());
    ASSERT_EQ(rows->size(), kAwkward.size() + 1);
    for (std::size_t i = 0; i < rows->size(); ++i) {
        SCOPED_TRACE(i);
        const auto& row = (*rows)[i];
        ASSERT_EQ(row.size(), 13u);
        EXPECT_EQ(std::vector<std::string>(row.begin(), row.begin() + 5), (*plain)[i]);
        if (i == 0) {
            EXPECT_EQ(std::vector<std::string>(row.begin() + 5, row.end()),
                      (std::vector<std::string>{"reasonKind", "reasonDetail", "reason", "deletes", "deletesText",
                                                "keysBelow", "values", "countComplete"}));
            continue;
        }
        EXPECT_EQ(std::vector<std::string>(row.begin() + 5, row.end()),
                  (std::vector<std::string>{"MissingFile", "C:\\gone, \"x\"\\a.exe",
                                            "The file C:\\gone, \"x\"\\a.exe was not found.", "key",
                                            details[i - 1].removalText, "3", "5", i == 4 ? "false" : "true"}));
    }
    EXPECT_EQ(DetailsSuffix(details[0]),
              "  (The file C:\\gone, \"x\"\\a.exe was not found.; Repair deletes: the key and everything below it: 3 "
              "keys, 5 values)");

    const auto identity = [](std::string_view text) { return std::string(text); };
    const auto doc = test::JsonReader::Read(FindingsJson(ScanSummary{"3.3", {4}, true, 4}, kAwkward, identity, &details));
    ASSERT_TRUE(doc.has_value());
    const auto& found = doc->Member("findings")->items;
    ASSERT_EQ(found.size(), kAwkward.size());
    EXPECT_EQ(found[0].Member("reasonDetail")->text, "C:\\gone, \"x\"\\a.exe");
    EXPECT_EQ(found[0].Member("deletes")->text, "key");
    EXPECT_EQ(found[0].Member("keysBelow")->number, 3);
    EXPECT_EQ(found[0].Member("values")->number, 5);
    EXPECT_TRUE(found[0].Member("countComplete")->boolean);
    EXPECT_FALSE(found[3].Member("countComplete")->boolean);
    const auto without = test::JsonReader::Read(FindingsJson(ScanSummary{"3.3", {4}, true, 4}, kAwkward, identity));
    ASSERT_TRUE(without.has_value());
    EXPECT_EQ(without->Member("findings")->items[0].Member("reason"), nullptr);
}

TEST(CliOutputTest, JsonStringsEscapeEveryControlCharacterAndMendBadUtf8) {
    struct Case {
        std::string in;
        std::string literal;
        std::string readBack;
    } const cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"\"\\/", "\"\\\"\\\\/\"", "\"\\/"},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\"", "\b\f\n\r\t"},
        {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\x7f\"", std::string("\0\x01\x1f\x7f", 4)},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"\xE9x", "\"\xEF\xBF\xBDx\"", "\xEF\xBF\xBDx"},                // a lone ANSI byte
        {"\xC3", "\"\xEF\xBF\xBD\"", "\xEF\xBF\xBD"},                  // cut off
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"",  // a surrogate
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        EXPECT_EQ(JsonString(c.in), c.literal);
        const auto back = test::JsonReader::Read(JsonString(c.in));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->text, c.readBack);
    }
}

TEST(CliOutputTest, JsonDocumentFollowsItsSchema) {
    // The converter is the test's: every byte is taken as Latin-1.
    const ToUtf8 latin1 = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) out += c;
            else {
                out += static_cast<char>(0xC0 | (byte >> 6));
                out += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return out;
    };
    std::vector<SectionFinding> findings = kAwkward;
    findings[0].finding.Value = "C:\\caf\xE9.exe";
    const std::string json = FindingsJson(ScanSummary{"3.3", {4, 7, 12, 23}, false, 9}, findings, latin1);
    const auto doc = test::JsonReader::Read(json);
    ASSERT_TRUE(doc.has_value()) << json;
    ASSERT_EQ(doc->kind, test::Json::Kind::Object);
    EXPECT_EQ(doc->members.size(), 6u);
    EXPECT_EQ(doc->Member("program")->text, "Quarlo Keyscrub");
    EXPECT_EQ(doc->Member("version")->text, "3.3");
    EXPECT_FALSE(doc->Member("completed")->boolean);
    const auto& sections = doc->Member("sections")->items;
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[1].Member("id")->number, 7);
    EXPECT_EQ(sections[1].Member("name")->text, "Windows Fonts");
    const test::Json& counts = *doc->Member("counts");
    EXPECT_EQ(counts.Member("found")->number, 9);
    EXPECT_EQ(counts.Member("filtered")->number, 5);
    EXPECT_EQ(counts.Member("reported")->number, 4);
    const auto& rows = doc->Member("findings")->items;
    ASSERT_EQ(rows.size(), findings.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const Finding& f = findings[i].finding;
        EXPECT_EQ(rows[i].members.size(), 5u);
        EXPECT_EQ(rows[i].Member("section")->number, findings[i].section);
        EXPECT_EQ(rows[i].Member("problem")->text, latin1(f.Problem));
        EXPECT_EQ(rows[i].Member("keyPath")->text, latin1(f.KeyPath));
        EXPECT_EQ(rows[i].Member("value")->text, latin1(f.Value));
        EXPECT_EQ(rows[i].Member("removalKind")->text, RemovalKindName(f.RemovalKind));
    }
    EXPECT_EQ(rows[0].Member("value")->text, "C:\\caf\xC3\xA9.exe");
    const auto empty = test::JsonReader::Read(FindingsJson(ScanSummary{"3.3", {}, true, 0}, {}, latin1));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->Member("findings")->items.empty());
}

TEST(CliOutputTest, SurvivorsOfTheFilterKeepTheirSections) {
    const Finding a{"P", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey};
    const Finding b{"P", "HKEY_CURRENT_USER\\B", "", RemovalKind::DeleteKey};
    const std::vector<SectionFinding> all = {{3, a}, {4, b}, {5, a}, {6, b}};
    EXPECT_EQ(WithSections(all, {b, a, b}), (std::vector<SectionFinding>{{4, b}, {5, a}, {6, b}}));
    EXPECT_EQ(WithSections(all, {}), std::vector<SectionFinding>{});
    EXPECT_EQ(TextLine(a), "P  #####  HKEY_CURRENT_USER\\A  #####  ");
}

TEST(CliResultsTest, BackupListLinesCountEachKeyAndValueOnce) {
    // A repair writes a block per item: the same key comes back, in any case.
    std::vector<RegBlock> blocks(3);
    blocks[0].keyPath = "HKEY_CURRENT_USER\\A";
    blocks[0].values = {RegValue{"x", RegType::String, std::string("1\0", 2)}};
    blocks[1].keyPath = "HKEY_CURRENT_USER\\a";
    blocks[1].values = {RegValue{"X", RegType::String, std::string("2\0", 2)}, RegValue{"", RegType::String, {}}};
    blocks[2].keyPath = "HKEY_CURRENT_USER\\A\\B";
    EXPECT_EQ(BackupItemCount(blocks), 2u + 2u);
    EXPECT_EQ(BackupItemCount({}), 0u);
    const BackupRow row{"Backup1.reg", "1/2/2026 3:04:05 AM", "2 KB"};
    EXPECT_EQ(BackupListLine(row, 7), "Backup1.reg\t1/2/2026 3:04:05 AM\t2 KB\t7");
    EXPECT_EQ(BackupListLine(row, std::nullopt), "Backup1.reg\t1/2/2026 3:04:05 AM\t2 KB\t?");
}

TEST(CliResultsTest, ExitCodes) {
    EXPECT_EQ(ScanExitCode(true, 0), kExitClean);
    EXPECT_EQ(ScanExitCode(true, 2), kExitLeft);
    EXPECT_EQ(ScanExitCode(false, 0), kExitFailure);

    const auto outcome = [](bool started, bool finished, std::size_t removed, std::size_t unrepaired) {
        RepairOutcome o;
        o.started = started;
        o.finished = finished;
        o.removed = removed;
        o.unrepaired = unrepaired;
        return o;
    };
    struct Case {
        RepairRun run;
        int code;
    } const repairs[] = {
        {{true, 0, false, {}}, kExitClean},
        {{true, 3, true, {}}, kExitLeft},
        {{true, 0, true, {}}, kExitClean},
        {{false, 3, false, outcome(true, true, 3, 0)}, kExitFailure},
        {{true, 3, false, outcome(true, true, 3, 0)}, kExitClean},
        {{true, 3, false, outcome(true, true, 2, 1)}, kExitLeft},
        {{true, 3, false, outcome(false, false, 0, 0)}, kExitFailure},
        {{true, 3, false, outcome(true, false, 1, 0)}, kExitFailure},
    };
    for (std::size_t i = 0; i < std::size(repairs); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(RepairExitCode(repairs[i].run), repairs[i].code);
    }

    RestoreResult restore;
    restore.kind = RestoreResult::Kind::Restored;
    EXPECT_EQ(RestoreExitCode(restore), kExitClean);
    restore.kind = RestoreResult::Kind::Incomplete;
    EXPECT_EQ(RestoreExitCode(restore), kExitLeft);
    restore.kind = RestoreResult::Kind::Refused;
    restore.fault = BackupFault::CutOff;
    EXPECT_EQ(RestoreExitCode(restore), kExitLeft);
    restore.fault = BackupFault::Unreadable;
    EXPECT_EQ(RestoreExitCode(restore), kExitFailure);
    restore.kind = RestoreResult::Kind::NotRun;
    EXPECT_EQ(RestoreExitCode(restore), kExitFailure);
}

}  // namespace
}  // namespace ks::cli
