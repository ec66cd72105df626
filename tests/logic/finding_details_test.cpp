// Why a row is there and what its repair deletes, read from the in-memory
// registry; and the second test of reference rows at repair, which leaves a
// row whose reference is back in place, untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logic/backup_memory_file.h"
#include "repair/finding_details.h"
#include "repair/reference_recheck.h"
#include "repair/repair.h"
#include "support/memory_registry.h"
#include "support/quiet_repair_ui.h"

namespace ks {
namespace {

using test::MemoryFileSystem;
using test::MemoryRegistry;

constexpr RootKey kUser = RootKey::CurrentUser;
const std::string kKey = "HKEY_CURRENT_USER\\Software\\Stale";

TEST(FindingDetailsTest, PreviewReadsWhatRepairWouldDeleteNow) {
    MemoryRegistry registry;
    MemoryFileSystem files;
    registry.SetString(kUser, "Software\\Stale", "Path", "C:\\gone\\tool.exe");  // 17 bytes with its NUL
    registry.SetString(kUser, "Software\\Stale", "", "C:\\gone\\default.exe");
    registry.SetDword(kUser, "Software\\Stale", "Nffvfgnag", 7);  // ROT13 of "Assistant"
    // Below the key: three keys at two depths and five values in all, the key's own included.
    registry.SetString(kUser, "Software\\Stale\\A", "x", "1");
    registry.AddKey(kUser, "Software\\Stale\\A\\Deep");
    registry.SetString(kUser, "Software\\Stale\\B", "y", "2");
    files.AddFile("C:\\Links\\old.lnk");
    using What = RemovalPreview::What;
    struct Case {
        const char* what;
        Finding finding;
        What expected;
        std::string text;
    };
    const Case cases[] = {
        {"a value by path", {"p", kKey + "\\Path", "C:\\gone\\tool.exe", RemovalKind::DeleteValueInPath}, What::Value,
         "the value Path (REG_SZ, 17 bytes)"},
        {"a value by name", {"p", kKey, "Path", RemovalKind::DeleteNamedValue}, What::Value,
         "the value Path (REG_SZ, 17 bytes)"},
        {"the default value", {"p", kKey, "C:\\gone\\default.exe", RemovalKind::DeleteDefaultValue},
         What::DefaultValue, "the default value"},
        {"an encoded name shows readable", {"p", kKey, "Assistant", RemovalKind::DeleteEncodedValue}, What::Value,
         "the value Assistant (REG_DWORD, 4 bytes)"},
        {"a key", {"p", kKey, "", RemovalKind::DeleteKey}, What::Key,
         "the key and everything below it: 3 keys, 5 values"},
        {"a subkey", {"p", "HKEY_CURRENT_USER\\Software", "Stale", RemovalKind::DeleteSubkey}, What::Key,
         "the key and everything below it: 3 keys, 5 values"},
        {"a file", {"p", "C:\\Links\\old.lnk", "C:\\gone.exe", RemovalKind::DeleteFile}, What::File,
         "the file C:\\Links\\old.lnk (a copy is kept beside the backup)"},
        {"a file already gone", {"p", "C:\\Links\\new.lnk", "", RemovalKind::DeleteFile}, What::Nothing,
         "nothing: it is no longer there"},
        {"a value already gone", {"p", kKey, "Other", RemovalKind::DeleteNamedValue}, What::Nothing,
         "nothing: it is no longer there"},
        {"a root is never deleted", {"p", "HKEY_CURRENT_USER", "", RemovalKind::DeleteKey}, What::Nothing,
         "nothing: it is no longer there"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RemovalPreview preview = PreviewRemoval(registry, files, c.finding, LeadBytes{});
        EXPECT_EQ(preview.what, c.expected);
        EXPECT_EQ(RemovalText(preview), c.text);
    }

    // Counting stops past the limit and says so.
    const RemovalPreview cut = PreviewRemoval(registry, files, {"p", kKey, "", RemovalKind::DeleteKey}, LeadBytes{}, 6);
    EXPECT_TRUE(cut.countCut);
    EXPECT_EQ(RemovalText(cut), "the key and everything below it: more than 100000 keys and values");
}

TEST(FindingDetailsTest, TipAndReasonInWords) {
    const Finding finding{"Invalid File or Folder", kKey + "\\Path", "\"C:\\gone\\tool.exe\" /x",
                          RemovalKind::DeleteValueInPath,
                          {ReasonKind::MissingFile, "C:\\gone\\%2tool.exe", {ReferenceTest::Source::ValueData}}};
    RemovalPreview preview;
    preview.what = RemovalPreview::What::Value;
    preview.name = "Path";
    preview.type = RegType::ExpandString;
    preview.sizeBytes = 40;
    EXPECT_EQ(FindingTip(finding, preview),
              "Registry key: HKEY_CURRENT_USER\\Software\\Stale\\Path\r\n"
              "Value: \"C:\\gone\\tool.exe\" /x\r\n"
              "Reason: The file C:\\gone\\%2tool.exe was not found.\r\n"
              "Repair deletes: the value Path (REG_EXPAND_SZ, 40 bytes)");
    // A row without a reason or a value has no such lines; a file row names its file.
    const Finding file{"p", "C:\\x.lnk", "", RemovalKind::DeleteFile};
    EXPECT_EQ(FindingTip(file, RemovalPreview{}), "File: C:\\x.lnk\r\nRepair deletes: nothing: it is no longer there");
    EXPECT_EQ(ReasonText({ReasonKind::UnregisteredAppId, "{A}"}), "The application ID {A} is not registered.");
    EXPECT_EQ(ReasonText({ReasonKind::EmptyKey}), "Neither the key nor any key below it holds a value.");
    // The language's own wording, with the placeholder filled in.
    const TextLookup german = [](const std::string& key, const std::string&) {
        return key == "RES_Reason_Missing_File" ? std::string("Die Datei %1 fehlt.") : std::string("?");
    };
    EXPECT_EQ(ReasonText({ReasonKind::MissingFile, "C:\\a"}, german), "Die Datei C:\\a fehlt.");
}

// One ticked row repaired over the in-memory machine, each reference tested again first.
struct RecheckedRepair {
    MemoryRegistry registry;
    MemoryFileSystem files;
    test::MemoryBackupStore store;
    test::QuietRepairUi ui;
    FileReferenceTest test{files, {}};
    ProblemListModel list;
    UnrepairedFindings unrepaired;
    std::string file;

    RecheckedRepair() {
        files.SetWow64(false);
        files.AddFolder("C:\\Backup");
        EXPECT_TRUE(store.CreateFolderTree("C:\\Backup"));
    }
    RepairOutcome Run(const Finding& row, ShortcutReader* shortcuts = nullptr) {
        list.Append(row);
        list.SetChecked(0, true);
        RepairContext context{registry, files, store, ui, [] { return BackupTime{2024, 1, 2, 3, 4, 5}; }};
        ReferenceRecheck recheck{test, "c", shortcuts};
        context.recheck = &recheck;
        RepairOptions options;
        options.OutputDirectory = "C:\\Backup";
        return RepairFindings(list, unrepaired, context, options, file);
    }
};

// Each kind of reference row, planted stale; then the reference comes back
// before the repair, or does not.
TEST(FindingDetailsTest, RepairTestsEachReferenceAgainAndLeavesWhatCameBack) {
    using Source = ReferenceTest::Source;
    using Hint = ReferenceTest::Hint;
    struct Case {
        const char* what;
        Finding finding;
        const char* valueName;  // the value planted in kKey, holding `data`
        const char* data;
        const char* comesBack;  // the file created between scan and repair
        const char* tested;     // the path as the test took it apart
        const char* key = "Software\\Stale";
    };
    const Case cases[] = {
        {"value data",
         {"p", kKey + "\\Path", "", RemovalKind::DeleteValueInPath, {ReasonKind::MissingFile, "", {Source::ValueData}}},
         "Path", "C:\\gone\\tool.exe /min", "C:\\gone\\tool.exe", "C:\\gone\\tool.exe /min"},
        {"a key's command value",
         {"p", kKey, "", RemovalKind::DeleteKey,
          {ReasonKind::MissingFile, "", {Source::ValueData, Hint::None, false, ReferenceTest::KeyValue::Command}}},
         "command", "\"C:\\gone\\run.exe\"", "C:\\gone\\run.exe", "C:\\gone\\run.exe"},
        {"a value name that is the path",
         {"p", kKey, "C:\\gone\\lib.dll", RemovalKind::DeleteNamedValue,
          {ReasonKind::MissingFile, "", {Source::ValueName}}},
         "C:\\gone\\lib.dll", "1", "C:\\gone\\lib.dll", "C:\\gone\\lib.dll"},
        {"a help folder and file name",
         {"p", kKey + "\\app.hlp", "", RemovalKind::DeleteValueInPath,
          {ReasonKind::MissingFile, "", {Source::DataAndName}}},
         "app.hlp", "C:\\gone", "C:\\gone\\app.hlp", "C:\\gone\\app.hlp"},
        {"a key's name as the hint",
         {"p", kKey + "\\APP.EXE", "", RemovalKind::DeleteKey,
          {ReasonKind::MissingFile, "", {Source::ValueData, Hint::KeyName}}},
         "", "C:\\gone\\App.exe -x", "C:\\gone\\APP.EXE", "C:\\gone\\APP.EXE", "Software\\Stale\\APP.EXE"},
    };
    for (const Case& c : cases) {
        for (const bool back : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (back ? ", found again" : ", still missing"));
            RecheckedRepair repair;
            repair.registry.SetString(kUser, c.key, c.valueName, c.data);
            if (back) repair.files.AddFile(c.comesBack);
            const RepairOutcome outcome = repair.Run(c.finding);
            EXPECT_EQ(outcome.count, 1u);
            EXPECT_TRUE(repair.unrepaired.Keys.empty());
            const auto key = repair.registry.OpenKey(kUser, c.key, Access::Read);
            if (!back) {
                EXPECT_EQ(outcome.removed, 1u);
                EXPECT_EQ(repair.list.Count(), 0u);
                continue;
            }
            EXPECT_EQ(outcome.removed, 0u);
            EXPECT_EQ(outcome.foundAgain, 1u);
            ASSERT_EQ(repair.list.Count(), 1u);
            EXPECT_FALSE(repair.list.IsChecked(0));
            EXPECT_EQ(repair.list.Row(0).Reason.Kind, ReasonKind::FoundAgain);
            EXPECT_EQ(repair.list.Row(0).Reason.Detail, c.tested);
            ASSERT_TRUE(key);
            EXPECT_EQ(key->ReadString(c.valueName), c.data) << "the value is untouched";
            EXPECT_TRUE(repair.store.Content(repair.file).empty()) << "nothing was backed up";
        }
    }
}

// A shortcut whose target is back stays, file and row; one whose target is
// still gone is deleted (a copy kept).
TEST(FindingDetailsTest, RepairReadsAShortcutsTargetAgain) {
    class OneTarget final : public ShortcutReader {
    public:
        ShortcutTarget ReadTarget(std::string_view) override {
            return {ShortcutTarget::Status::Read, "C:\\Apps\\run.exe"};
        }
    };
    for (const bool back : {false, true}) {
        SCOPED_TRACE(back ? "target back" : "target gone");
        RecheckedRepair repair;
        repair.files.AddFile("C:\\Links\\run.lnk");
        repair.store.Put("C:\\Links\\run.lnk", "link");
        if (back) repair.files.AddFile("C:\\Apps\\run.exe");
        OneTarget reader;
        const RepairOutcome outcome =
            repair.Run({"p", "C:\\Links\\run.lnk", "C:\\Apps\\run.exe", RemovalKind::DeleteFile,
                        {ReasonKind::MissingTarget, "C:\\Apps\\run.exe", {ReferenceTest::Source::ShortcutTarget}}},
                       &reader);
        EXPECT_EQ(outcome.foundAgain, back ? 1u : 0u);
        EXPECT_EQ(outcome.removed, back ? 0u : 1u);
        EXPECT_EQ(repair.files.FileExists("C:\\Links\\run.lnk"), back);
        EXPECT_EQ(repair.list.Count(), back ? 1u : 0u);
    }
}

}  // namespace
}  // namespace ks
