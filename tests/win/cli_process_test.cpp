// keyscrub-cli.exe as scripts run it, on a planted registry fenced by the
// ignore list: the same findings as the main window, CSV and JSON read back,
// a repair that the restore command undoes exactly, every exit code, and
// the repair lock that keeps two repairs apart.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "backup_registry_dump.h"
#include "child_process.h"
#include "cli_run.h"
#include "other_copy_repairing.h"
#include "recording_prompts.h"
#include "repair/problem_list.h"
#include "repair/win/repair_command.h"
#include "repair/win/repair_lock.h"
#include "settings/settings.h"
#include "settings/win/settings_file.h"
#include "support/cli_readers.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

const char* KindName(RemovalKind kind) {
    static const char* const names[] = {"DeleteKey",  "DeleteValueInPath",  "DeleteNamedValue",  "DeleteSubkey",
                                        "DeleteFile", "DeleteDefaultValue", "DeleteEncodedValue"};
    return names[ToInt(kind)];
}

class CliProcessTest : public test::CliSettings {
protected:
    void SetUp() override {
        test::CliSettings::SetUp();
        const std::wstring gone = L"C:\\Keyscrub cli missing " + std::to_wstring(GetCurrentProcessId());
        const std::wstring base = scratch_.wpath();
        // Names and data with commas, quotes and line breaks, beside data that stays.
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Path", REG_SZ, Utf16(gone + L"\\tool.exe"));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"", REG_SZ, Utf16(gone + L"\\default.exe"));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Odd, \"quoted\"", REG_EXPAND_SZ,
              Utf16(gone + L"\\a,b.dll"));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Broken", REG_SZ,
              Utf16(L"\"" + gone + L"\\q.exe\" /x\r\nsecond, \"line\""));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Blob", REG_BINARY, test::Pattern(26));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\Shared", gone + L"\\shared.dll", REG_SZ,
              Utf16(gone + L"\\shared.dll"));
        Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\Shared", L"Here", REG_SZ, Utf16(L"C:\\windows"));
    }
};

TEST_F(CliProcessTest, FindsWhatTheWindowFindsInJsonCsvAndText) {
    std::vector<Finding> window;
    {
        TfrmRegCleaner main(MainWindowOptions{settingsFile_, "keyscrub.exe"});
        WireMainWindow(main);
        main.Show();
        main.Execute("aScanRegistry");
        for (std::size_t i = 0; i < main.Problems().Count(); ++i) window.push_back(main.Problems().Row(i));
        main.Close();
    }
    // The planted values with a missing file: five, and nothing from outside the fence.
    ASSERT_EQ(window.size(), 5u);
    for (const Finding& f : window) EXPECT_EQ(f.KeyPath.rfind(scratch_.full(), 0), 0u) << f.KeyPath;

    const std::string jsonFile = folder_.path() + "\\findings.json";
    const test::CliRun json = Cli("scan --format json --output \"" + jsonFile + "\"");
    EXPECT_EQ(json.code, 1u) << json.err;
    const auto doc = test::JsonReader::Read(test::ReadWholeFile(jsonFile));
    ASSERT_TRUE(doc.has_value()) << test::ReadWholeFile(jsonFile);
    EXPECT_TRUE(doc->Member("completed")->boolean);
    ASSERT_EQ(doc->Member("sections")->items.size(), 1u);
    EXPECT_EQ(doc->Member("sections")->items[0].Member("id")->number, 4);
    EXPECT_EQ(doc->Member("counts")->Member("reported")->number, static_cast<double>(window.size()));
    const auto& rows = doc->Member("findings")->items;
    ASSERT_EQ(rows.size(), window.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(window[i].KeyPath);
        EXPECT_EQ(rows[i].Member("section")->number, 4);
        EXPECT_EQ(rows[i].Member("problem")->text, window[i].Problem);
        EXPECT_EQ(rows[i].Member("keyPath")->text, window[i].KeyPath);
        EXPECT_EQ(rows[i].Member("value")->text, window[i].Value);
        EXPECT_EQ(rows[i].Member("removalKind")->text, KindName(window[i].RemovalKind));
    }

    const test::CliRun csv = Cli("scan --sections 4 --format csv");
    EXPECT_EQ(csv.code, 1u) << csv.err << "|" << csv.out;
    const auto table = test::ReadCsv(csv.out);
    ASSERT_TRUE(table.has_value()) << csv.out;
    ASSERT_EQ(table->size(), window.size() + 1);
    for (std::size_t i = 0; i < window.size(); ++i)
        EXPECT_EQ((*table)[i + 1], (std::vector<std::string>{"4", window[i].Problem, window[i].KeyPath,
                                                             window[i].Value, KindName(window[i].RemovalKind)}));

    // --details: the same rows with the reason and what goes after them, read from the registry now.
    const test::CliRun detailed = Cli("scan --sections 4 --format csv --details");
    const auto withDetails = test::ReadCsv(detailed.out);
    ASSERT_TRUE(withDetails.has_value()) << detailed.out;
    ASSERT_EQ(withDetails->size(), window.size() + 1);
    EXPECT_EQ(withDetails->front().size(), 13u);
    for (std::size_t i = 0; i < window.size(); ++i) {
        const auto& row = (*withDetails)[i + 1];
        SCOPED_TRACE(window[i].KeyPath);
        ASSERT_EQ(row.size(), 13u);
        EXPECT_EQ(std::vector<std::string>(row.begin(), row.begin() + 5), (*table)[i + 1]);
        EXPECT_EQ(row[5], "MissingFileOrFolder");
        EXPECT_EQ(row[6], window[i].Reason.Detail);
        EXPECT_NE(row[6].find("Keyscrub cli missing"), std::string::npos);
        EXPECT_TRUE(row[8] == "value" || row[8] == "defaultValue") << row[8];
        EXPECT_EQ(row[11], "1");
    }
    const test::CliRun detailedJson = Cli("scan --sections 4 --format json --details");
    const auto detailedDoc = test::JsonReader::Read(detailedJson.out);
    ASSERT_TRUE(detailedDoc.has_value()) << detailedJson.out;
    const auto& first = detailedDoc->Member("findings")->items.at(0);
    EXPECT_EQ(first.Member("reasonDetail")->text, window[0].Reason.Detail);
    EXPECT_EQ(first.Member("reason")->text, "Neither a file nor a folder " + window[0].Reason.Detail + " was found.");
    EXPECT_TRUE(first.Member("countComplete")->boolean);
    const test::CliRun dry = Cli("repair --dry-run --details");
    EXPECT_NE(dry.out.find(window[0].KeyPath + "  #####  " + window[0].Value + "  (Neither a file nor a folder "),
              std::string::npos)
        << dry.out;

    const test::CliRun text = Cli("scan");
    EXPECT_EQ(text.code, 1u);
    // Text is one line per finding; a CR LF inside a name breaks it, as in the report.
    EXPECT_NE(text.out.find(window[0].Problem + "  #####  " + window[0].KeyPath), std::string::npos) << text.out;
    EXPECT_TRUE(text.err.empty()) << "no progress when stderr is a file: " << text.err;
}

TEST_F(CliProcessTest, RepairIsUndoneByRestoreAndEveryExitCodeShows) {
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch_.wpath());

    EXPECT_EQ(Cli("scan --sections 3-").code, 2u);
    const test::CliRun unknown = Cli("scan --frobnicate");
    EXPECT_EQ(unknown.code, 2u);
    EXPECT_NE(unknown.err.find("unknown option"), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("usage:"), std::string::npos);
    EXPECT_EQ(Cli("--version").code, 0u);

    // A backup folder that cannot be made: nothing is touched.
    const std::string blocker = folder_.path() + "\\a file";
    ASSERT_TRUE(test::WriteWholeFile(blocker, "x"));
    EXPECT_EQ(Cli("repair --backup-dir \"" + blocker + "\\sub\"").code, 3u);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch_.wpath()), before);

    const test::CliRun dry = Cli("repair --dry-run");
    EXPECT_EQ(dry.code, 1u);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch_.wpath()), before);

    const std::string backups = folder_.path() + "\\made by repair";
    const test::CliRun repair = Cli("repair --backup-dir \"" + backups + "\"");
    EXPECT_EQ(repair.code, 0u) << repair.out << repair.err;
    const std::vector<std::string> lines = test::Lines(repair.out);
    // Text lines: a line break in a value breaks its line, as in the report.
    ASSERT_GE(lines.size(), 5u + 2u) << repair.out;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("removed: ", 0) == 0; }),
              5);
    const std::string& fileLine = lines[lines.size() - 2];
    ASSERT_EQ(fileLine.rfind("backup file: " + backups + "\\Backup", 0), 0u) << fileLine;
    const std::string backupFile = fileLine.substr(std::string("backup file: ").size());
    EXPECT_EQ(lines.back(), "5 removed, 0 left");
    const test::StoredKey repaired = test::Dump(HKEY_CURRENT_USER, scratch_.wpath());
    EXPECT_EQ(repaired.subkeys.at(L"Vendor").subkeys.at(L"App").values.size(), 1u);
    EXPECT_EQ(repaired.subkeys.at(L"Vendor").subkeys.at(L"Shared").values.size(), 1u);
    EXPECT_EQ(Cli("scan").code, 0u) << "nothing left to find";

    const test::CliRun listed = Cli("backups --dir \"" + backups + "\"");
    EXPECT_EQ(listed.code, 0u);
    const std::vector<std::string> rows = test::Lines(listed.out);
    ASSERT_EQ(rows.size(), 2u) << listed.out;
    EXPECT_EQ(rows[0], "name\ttime\tsize\titems");
    EXPECT_EQ(rows[1].rfind(backupFile.substr(backups.size() + 1) + "\t", 0), 0u) << rows[1];
    EXPECT_EQ(rows[1].substr(rows[1].rfind('\t') + 1), "7") << "two keys, five values";
    EXPECT_EQ(Cli("backups --dir \"" + folder_.path() + "\\none\"").code, 3u);

    const std::string damaged = folder_.path() + "\\damaged.reg";
    ASSERT_TRUE(test::WriteWholeFile(damaged, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n\"a\"=\"b"));
    EXPECT_EQ(Cli("restore \"" + damaged + "\"").code, 1u);
    EXPECT_TRUE(test::PathExists(damaged));
    EXPECT_EQ(Cli("restore \"" + folder_.path() + "\\missing.reg\"").code, 3u);

    const test::CliRun restore = Cli("restore \"" + backupFile + "\"");
    EXPECT_EQ(restore.code, 0u) << restore.out << restore.err;
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch_.wpath()), before);
    EXPECT_TRUE(test::PathExists(backupFile)) << "DeleteBackupFile is off";
}

// The name below HKEY_USERS of the hive that holds the scratch key: the
// current user's, found without the program's help.
std::string HiveHolding(const std::string& path) {
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_USERS, (std::string(name) + "\\" + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        RegCloseKey(key);
        return name;
    }
    return {};
}

// Keys and values planted outside the scratch key, taken away again.
struct PlantedOutside {
    std::string run, runValue, sounds, count, countValue;
    ~PlantedOutside() {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, run.c_str(), runValue.c_str());
        RegDeleteKeyValueA(HKEY_CURRENT_USER, count.c_str(), countValue.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, sounds.c_str());
    }
};

// The same hive walked as HKEY_CURRENT_USER and as HKEY_USERS\<SID>, and
// other sections besides: every item is one row, the current user's name
// where one section reached it so. Ignore entries written under the other
// name keep every one of them out of the scan and of the repair.
TEST_F(CliProcessTest, EachItemOnceAndIgnoredUnderEitherName) {
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string mark = "KsTwin-" + pid;
    const std::string readable = "UEME_RUNPATH:C:\\Keyscrub " + mark + "\\tool.exe";
    std::string stored = readable;
    for (char& c : stored)
        if (std::isalpha(static_cast<unsigned char>(c))) c = static_cast<char>((std::tolower(c) - 'a' + 13) % 26 + (std::isupper(c) ? 'A' : 'a'));
    PlantedOutside outside{"Software\\Microsoft\\Windows\\CurrentVersion\\Run", mark,
                           "AppEvents\\Schemes\\Apps\\" + mark,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
                           "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
                           stored};
    const std::wstring gone = L"C:\\Keyscrub " + test::Wide(mark) + L"\\gone.exe";
    Plant(HKEY_CURRENT_USER, test::Wide(outside.run), test::Wide(mark), REG_SZ, Utf16(gone));
    Plant(HKEY_CURRENT_USER, test::Wide(outside.sounds) + L"\\Evt\\.Current", L"", REG_SZ, Utf16(gone));
    Plant(HKEY_CURRENT_USER, test::Wide(outside.count), test::Wide(stored), REG_BINARY,
          test::Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    test::PlantKey(HKEY_CURRENT_USER, scratch_.wpath() + L"\\Vendor\\Empty");
    const std::string hive = HiveHolding(scratch_.path());
    ASSERT_FALSE(hive.empty());
    const std::string user = "HKEY_CURRENT_USER\\";
    const std::string users = "HKEY_USERS\\" + hive + "\\";
    const std::string app = scratch_.path() + "\\Vendor\\App\\";
    const std::string sound = "AppEvents\\Schemes\\Apps\\" + mark + "\\Evt\\.Current";
    Write("IgnoreKey", "Count", "0");

    const auto rows = [&](const std::string& sections) {
        const test::CliRun run = Cli("scan --format csv --sections " + sections);
        EXPECT_LE(run.code, 1u) << run.err;
        std::vector<std::string> ours;
        const auto table = test::ReadCsv(run.out);
        if (!table) ADD_FAILURE() << run.out;
        else
            for (const auto& row : *table)
                if (row.size() == 5 && (row[2].find(mark) != std::string::npos || row[3].find(mark) != std::string::npos ||
                                        row[2].find(scratch_.path()) != std::string::npos))
                    ours.push_back(row[2] + " | " + row[4]);
        std::sort(ours.begin(), ours.end());
        return ours;
    };
    const std::string shared = user + scratch_.path() + "\\Vendor\\Shared | DeleteNamedValue";
    std::vector<std::string> expected = {
        user + app + " | DeleteValueInPath", user + app + "Broken | DeleteValueInPath",
        user + app + "Odd, \"quoted\" | DeleteValueInPath", user + app + "Path | DeleteValueInPath", shared,
        user + outside.run + "\\" + mark + " | DeleteValueInPath", user + sound + " | DeleteDefaultValue",
        user + outside.count + " | DeleteEncodedValue",
        users + scratch_.path() + "\\Vendor | DeleteSubkey"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows("4,5,10,18,20,23"), expected);
    // Without the startup and sound sections the walk of all users still finds
    // their items, under the name it knows them by.
    expected = {user + app + " | DeleteValueInPath", user + app + "Broken | DeleteValueInPath",
                user + app + "Odd, \"quoted\" | DeleteValueInPath", user + app + "Path | DeleteValueInPath", shared,
                users + outside.run + "\\" + mark + " | DeleteValueInPath", users + sound + "\\ | DeleteValueInPath"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows("4-5"), expected);

    // Each item ignored under the name it was not listed by: the HKEY_USERS
    // name for the current user's rows, and the other way round.
    const auto ignore = [&](const std::vector<std::string>& values, const std::vector<std::string>& keys) {
        Write("IgnoreValue", "Count", std::to_string(values.size()));
        for (std::size_t i = 0; i < values.size(); ++i) Write("IgnoreValue", "Value" + std::to_string(i + 1), values[i]);
        Write("IgnoreKey", "Count", std::to_string(keys.size()));
        for (std::size_t i = 0; i < keys.size(); ++i) Write("IgnoreKey", "Key" + std::to_string(i + 1), keys[i]);
    };
    const std::vector<std::string> appValues = {
        users + app, users + app + "Broken", users + app + "Odd, \"quoted\"", users + app + "Path",
        users + scratch_.path() + "\\Vendor\\Shared\\C:\\Keyscrub cli missing " + pid + "\\shared.dll"};
    std::vector<std::string> values = appValues;
    values.push_back(user + outside.run + "\\" + mark);
    ignore(values, {user + sound});
    EXPECT_EQ(rows("4-5"), std::vector<std::string>{});
    values = appValues;
    values.push_back(users + outside.run + "\\" + mark);
    values.push_back(users + outside.count + "\\" + stored);
    ignore(values, {users + sound, user + scratch_.path() + "\\Vendor\\Empty"});
    EXPECT_EQ(rows("4,5,10,18,20,23"), std::vector<std::string>{});
    const test::CliRun dry = Cli("repair --dry-run --sections 4,5,10,18,20,23");
    EXPECT_EQ(dry.out.find(mark), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find(scratch_.path()), std::string::npos) << dry.out;
}

TEST_F(CliProcessTest, NoRepairOrRestoreWhileAnotherCopyRepairs) {
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch_.wpath());
    {
        test::OtherCopyRepairing other;
        ASSERT_TRUE(other.held());
        const test::CliRun repair = Cli("repair --backup-dir \"" + folder_.path() + "\"");
        EXPECT_EQ(repair.code, 3u);
        EXPECT_NE(repair.err.find("is repairing or restoring"), std::string::npos) << repair.err;
        EXPECT_EQ(test::Lines(repair.err).size(), 1u) << "one line: " << repair.err;
        EXPECT_EQ(Cli("restore \"" + folder_.path() + "\\any.reg\"").code, 3u);
        EXPECT_EQ(Cli("repair --dry-run").code, 1u) << "a dry run changes nothing and needs no lock";

        // The window's repair says so and leaves its list alone.
        Settings.Lan = "English";
        test::RecordingPrompts prompts(IDYES);
        ui::ScopedPrompts scoped(prompts);
        ProblemListModel list;
        list.Append(Finding{"P", scratch_.full() + "\\Vendor\\App\\Path", "x", RemovalKind::DeleteValueInPath});
        list.SetChecked(0, true);
        UnrepairedFindings unrepaired;
        std::string backupFile;
        const RepairOutcome outcome = RunRepairCommand(nullptr, list, unrepaired, backupFile, {});
        EXPECT_FALSE(outcome.started);
        EXPECT_EQ(list.Count(), 1u);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_NE(prompts.messages[0].find("is repairing or restoring"), std::string::npos);
    }
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch_.wpath()), before);
    // Let go, the lock is there for the next one.
    EXPECT_TRUE(RepairLock().held());
}

}  // namespace
}  // namespace ks
