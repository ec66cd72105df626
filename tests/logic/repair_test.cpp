// The repair command over the in-memory registry, file system and backup
// files: what each kind of finding removes and backs up, the order of the
// steps, and what happens when a backup cannot be written or does not prove.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "logic/backup_memory_file.h"
#include "repair/backup_parser.h"
#include "repair/repair.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

using test::MemoryBackupStore;
using test::MemoryFileSystem;
using test::MemoryRegistry;

constexpr RootKey kUser = RootKey::CurrentUser;
constexpr RootKey kClasses = RootKey::ClassesRoot;
constexpr char kFolder[] = "C:\\Backup";
constexpr char kFile[] = "C:\\Backup\\Backup20131207014509.reg";

class RecordingUi : public RepairUi {
public:
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answerYes;
    }
    int RunRestorePointDialog() override {
        ++restorePointDialogs;
        return restorePointResult;
    }
    void UpdateProblemCounts() override { ++countUpdates; }
    void ShowHint(std::size_t count) override { hints.push_back(count); }
    void Beep() override { ++beeps; }

    bool answerYes = true;
    int restorePointResult = 1;
    std::vector<std::string> questions;
    int restorePointDialogs = 0;
    int countUpdates = 0;
    std::vector<std::size_t> hints;
    int beeps = 0;
};

class RepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.AddFolder(kFolder);
        ASSERT_TRUE(store.CreateFolderTree(kFolder));
        options.OutputDirectory = kFolder;
        options.ShowHint = true;
        options.WindowsVersion = 12;
    }
    void Add(const Finding& finding, bool checked = true) {
        list.Append(finding);
        list.SetChecked(list.Count() - 1, checked);
    }
    RepairOutcome Repair() { return RepairFindings(list, unrepaired, context, options, currentBackupFile); }
    std::vector<RegBlock> BackedUp() const {
        const auto parsed = ParseRegText(store.Content(kFile), true);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        return parsed.blocks;
    }

    MemoryRegistry registry;
    MemoryFileSystem files;
    MemoryBackupStore store;
    RecordingUi ui;
    RepairContext context{registry, files, store, ui, [] { return BackupTime{2013, 12, 7, 1, 45, 9}; }};
    RepairOptions options;
    ProblemListModel list;
    UnrepairedFindings unrepaired;
    std::string currentBackupFile;
};

TEST_F(RepairTest, EveryRemovalKindRemovesItsItemAfterBackingItUp) {
    struct Case {
        const char* what;
        Finding finding;
        RootKey root;
        const char* keyPath;   // where the removed item lives
        const char* gone;      // value name removed, or nullptr for the whole key
        const char* keyLine;   // the backup block's key path
    } const cases[] = {
        {"DeleteKey", {"p", "HKEY_CURRENT_USER\\Software\\Gone", "x", RemovalKind::DeleteKey}, kUser,
         "Software\\Gone", nullptr, "HKEY_CURRENT_USER\\Software\\Gone"},
        {"DeleteValueInPath", {"p", "HKEY_CURRENT_USER\\Software\\A\\B\\Name", "x", RemovalKind::DeleteValueInPath},
         kUser, "Software\\A\\B", "Name", "HKEY_CURRENT_USER\\Software\\A\\B"},
        {"DeleteValueInPath in the root", {"p", "HKEY_CURRENT_USER\\RootValue", "", RemovalKind::DeleteValueInPath},
         kUser, "", "RootValue", "HKEY_CURRENT_USER"},
        {"DeleteNamedValue", {"p", "HKEY_CURRENT_USER\\Software\\N", "C:\\dir\\file.dll", RemovalKind::DeleteNamedValue},
         kUser, "Software\\N", "C:\\dir\\file.dll", "HKEY_CURRENT_USER\\Software\\N"},
        {"DeleteNamedValue in the root", {"p", "HKEY_CURRENT_USER", "C:\\dir\\file.dll", RemovalKind::DeleteNamedValue},
         kUser, "", "C:\\dir\\file.dll", "HKEY_CURRENT_USER"},
        {"DeleteSubkey", {"p", "HKEY_CLASSES_ROOT\\CLSID\\{X}", "InprocServer32", RemovalKind::DeleteSubkey}, kClasses,
         "CLSID\\{X}\\InprocServer32", nullptr, "HKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32"},
        {"DeleteDefaultValue", {"p", "HKEY_CURRENT_USER\\Software\\D", "data", RemovalKind::DeleteDefaultValue}, kUser,
         "Software\\D", "", "HKEY_CURRENT_USER\\Software\\D"},
        {"DeleteEncodedValue", {"p", "HKEY_CURRENT_USER\\Software\\UA", "HRZR_PGYFRFFVBA", RemovalKind::DeleteEncodedValue},
         kUser, "Software\\UA", "UEME_CTLSESSION", "HKEY_CURRENT_USER\\Software\\UA"},
        {"root name in any case", {"p", "hkey_Current_User\\Software\\Gone", "", RemovalKind::DeleteKey}, kUser,
         "Software\\Gone", nullptr, "HKEY_CURRENT_USER\\Software\\Gone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        MemoryBackupStore store;
        ASSERT_TRUE(store.CreateFolderTree(kFolder));
        RepairContext context{registry, files, store, ui, [] { return BackupTime{2013, 12, 7, 1, 45, 9}; }};
        // The item, a neighbour of the same kind that must stay, and for keys a subtree.
        if (c.gone) {
            registry.SetString(c.root, c.keyPath, c.gone, "doomed");
            registry.SetString(c.root, c.keyPath, "neighbour", "stays");
        } else {
            registry.SetString(c.root, c.keyPath, "v", "doomed");
            registry.SetDword(c.root, std::string(c.keyPath) + "\\Child", "c", 7);
            registry.SetString(c.root, std::string(c.keyPath) + "Sibling", "s", "stays");
        }
        ProblemListModel list;
        list.Append(c.finding);
        list.SetChecked(0, true);
        UnrepairedFindings unrepaired;
        std::string current;
        const auto outcome = RepairFindings(list, unrepaired, context, options, current);
        EXPECT_TRUE(outcome.finished);
        EXPECT_EQ(outcome.removed, 1u);
        EXPECT_EQ(list.Count(), 0u);
        EXPECT_TRUE(unrepaired.Keys.empty());
        EXPECT_EQ(current, kFile);

        const auto parsed = ParseRegText(store.Content(kFile), true);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        ASSERT_FALSE(parsed.blocks.empty());
        EXPECT_EQ(parsed.blocks[0].keyPath, c.keyLine);
        if (c.gone) {
            ASSERT_EQ(parsed.blocks.size(), 1u);
            ASSERT_EQ(parsed.blocks[0].values.size(), 1u);
            EXPECT_EQ(parsed.blocks[0].values[0], (RegValue{c.gone, RegType::String, std::string("doomed") + '\0'}));
            const auto key = registry.OpenKey(c.root, c.keyPath, Access::Read);
            ASSERT_NE(key, nullptr);
            EXPECT_FALSE(key->ValueExists(c.gone));
            EXPECT_TRUE(key->ValueExists("neighbour"));
        } else {
            ASSERT_EQ(parsed.blocks.size(), 2u);
            EXPECT_EQ(parsed.blocks[1].keyPath, std::string(c.keyLine) + "\\Child");
            EXPECT_FALSE(registry.KeyExists(c.root, c.keyPath));
            EXPECT_TRUE(registry.KeyExists(c.root, std::string(c.keyPath) + "Sibling"));
        }
    }
}

TEST_F(RepairTest, RowsAreVisitedLastToFirstAndUncheckedRowsStay) {
    registry.SetDword(kUser, "A", "a", 1);
    registry.SetDword(kUser, "B", "b", 2);
    registry.SetDword(kUser, "C", "c", 3);
    Add({"p1", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    Add({"p2", "HKEY_CURRENT_USER\\B", "", RemovalKind::DeleteKey}, false);
    Add({"p3", "HKEY_CURRENT_USER\\C", "", RemovalKind::DeleteKey});
    const auto outcome = Repair();
    EXPECT_EQ(outcome.count, 2u);
    std::vector<std::string> order;
    for (const auto& block : BackedUp()) order.push_back(block.keyPath);
    EXPECT_EQ(order, (std::vector<std::string>{"HKEY_CURRENT_USER\\C", "HKEY_CURRENT_USER\\A"}));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0).Problem, "p2");
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_TRUE(registry.KeyExists(kUser, "B"));
    EXPECT_EQ(ui.hints, (std::vector<std::size_t>{2}));
    EXPECT_EQ(ui.countUpdates, 1);
}

TEST_F(RepairTest, NothingTickedWritesNoFileAndReportsZero) {
    registry.SetDword(kUser, "A", "a", 1);
    Add({"p", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey}, false);
    const auto outcome = Repair();
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(store.Exists(kFile));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(ui.hints, (std::vector<std::size_t>{0}));
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));
}

TEST_F(RepairTest, RowsThatCannotBeRemovedMoveToUnrepairedFindings) {
    registry.SetDword(kUser, "Parent\\Child", "c", 1);
    registry.SetDword(kUser, "Locked", "v", 1);
    registry.DenyFullAccess(kUser, "Locked");
    registry.SetDword(kUser, "Keep", "v", 1);
    // Last to first: the parent goes first, so the child's row finds nothing.
    Add({"child", "HKEY_CURRENT_USER\\Parent\\Child", "c1", RemovalKind::DeleteKey});
    Add({"parent", "HKEY_CURRENT_USER\\Parent", "c2", RemovalKind::DeleteKey});
    Add({"unknown root", "HKEY_LOCAL_MASCHINE\\Software\\X", "c3", RemovalKind::DeleteKey});
    Add({"no backslash", "HKEY_CURRENT_USER", "c4", RemovalKind::DeleteKey});
    Add({"locked value", "HKEY_CURRENT_USER\\Locked", "v", RemovalKind::DeleteNamedValue});
    Add({"missing value", "HKEY_CURRENT_USER\\Keep\\nothere", "c6", RemovalKind::DeleteValueInPath});
    Add({"subkey without a name", "HKEY_CURRENT_USER\\Keep", "", RemovalKind::DeleteSubkey});
    const auto outcome = Repair();
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.count, 7u);
    EXPECT_EQ(outcome.removed, 1u);
    EXPECT_EQ(outcome.unrepaired, 6u);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(unrepaired.Keys,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Keep", "HKEY_CURRENT_USER\\Keep\\nothere",
                                        "HKEY_CURRENT_USER\\Locked", "HKEY_CURRENT_USER",
                                        "HKEY_LOCAL_MASCHINE\\Software\\X", "HKEY_CURRENT_USER\\Parent\\Child"}));
    EXPECT_EQ(unrepaired.Values, (std::vector<std::string>{"", "c6", "v", "c4", "c3", "c1"}));
    EXPECT_FALSE(registry.KeyExists(kUser, "Parent"));
    EXPECT_TRUE(registry.KeyExists(kUser, "Keep"));
    EXPECT_TRUE(registry.OpenKey(kUser, "Locked", Access::Read)->ValueExists("v"));
    // Only the parent was backed up, with its child inside.
    ASSERT_EQ(BackedUp().size(), 2u);
}

TEST_F(RepairTest, ABackupThatCannotBeCreatedEndsTheCommandBeforeAnyDeletion) {
    registry.SetDword(kUser, "A", "a", 1);
    registry.SetDword(kUser, "B", "b", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    Add({"missing", "HKEY_CURRENT_USER\\Nothing", "", RemovalKind::DeleteKey});
    Add({"b", "HKEY_CURRENT_USER\\B", "", RemovalKind::DeleteKey});
    store.faults.refuseOpen = true;
    const auto outcome = Repair();
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.finished);
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));
    EXPECT_TRUE(registry.KeyExists(kUser, "B"));
    // Steps after the visit do not run: rows stay, checked, and nothing is remembered.
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_TRUE(list.IsChecked(2));
    EXPECT_TRUE(unrepaired.Keys.empty());
    EXPECT_TRUE(ui.hints.empty());
    EXPECT_TRUE(outcome.backupFailed);
    EXPECT_EQ(ui.countUpdates, 1) << "rows repaired before the failure have left the list";
}

TEST_F(RepairTest, AFailedWriteMidwayKeepsWhatWasDoneAndStops) {
    registry.SetDword(kUser, "A", "a", 1);
    registry.SetDword(kUser, "B", "b", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    Add({"b", "HKEY_CURRENT_USER\\B", "", RemovalKind::DeleteKey});
    // The first row's backup (B) goes through; the flush of the second fails.
    ASSERT_TRUE(RemoveFinding(context, kFile, list.Row(1)) == RemoveResult::Removed);
    list.Remove(1);
    store.faults.failFlush = true;
    const auto outcome = Repair();
    EXPECT_FALSE(outcome.finished);
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));
    EXPECT_FALSE(registry.KeyExists(kUser, "B"));
    ASSERT_EQ(list.Count(), 1u);
    // The file holds B's block only: the failed one was cut off again.
    store.faults.failFlush = false;
    ASSERT_EQ(BackedUp().size(), 1u);
    EXPECT_EQ(BackedUp()[0].keyPath, "HKEY_CURRENT_USER\\B");
}

// A tree delete goes leaves first and stops at the first key that will not
// go. When keys below are gone by then the row is told as partly removed and
// stays, unticked; when nothing went it is an ordinary row left unrepaired.
TEST_F(RepairTest, AKeyRemovedOnlyInPartKeepsItsRowUntickedAndIsTold) {
    registry.SetDword(kUser, "Top\\Part\\A", "a", 1);
    registry.SetDword(kUser, "Top\\Part\\B", "b", 2);
    registry.AddKey(kUser, "Top\\Part\\C");
    registry.DenyFullAccess(kUser, "Top\\Part\\B");
    registry.AddKey(kUser, "Stuck\\A");
    registry.DenyFullAccess(kUser, "Stuck\\A");
    registry.SetDword(kUser, "Whole", "w", 3);
    const Finding part{"p", "HKEY_CURRENT_USER\\Top", "Part", RemovalKind::DeleteSubkey};
    Add(part);
    Add({"s", "HKEY_CURRENT_USER\\Stuck", "", RemovalKind::DeleteKey});
    Add({"w", "HKEY_CURRENT_USER\\Whole", "", RemovalKind::DeleteKey});
    std::vector<RemoveResult> results;
    context.rowDone = [&](const Finding&, RemoveResult result) { results.push_back(result); };

    const auto outcome = Repair();
    EXPECT_EQ(results, (std::vector<RemoveResult>{RemoveResult::Removed, RemoveResult::NotRemoved,
                                                  RemoveResult::PartlyRemoved}));
    EXPECT_EQ(outcome.partlyRemoved, 1u);
    EXPECT_EQ(outcome.unrepaired, 1u);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Row(0), part);
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_FALSE(registry.KeyExists(kUser, "Top\\Part\\A"));
    // The backup holds every key of the tree.
    EXPECT_EQ(BackedUp().size(), 1u + 2u + 4u);
}

TEST(RepairMessageTest, ABackupFailureAndPartlyRemovedKeysAreTold) {
    RepairOutcome outcome;
    outcome.removed = 3;
    EXPECT_EQ(RepairEndMessage(outcome, "C:\\B\\Backup1.reg", {}), "");
    outcome.backupFailed = true;
    const Finding subkey{"p", "HKEY_CLASSES_ROOT\\CLSID\\{X}", "InprocServer32", RemovalKind::DeleteSubkey};
    EXPECT_EQ(RepairEndMessage(outcome, "C:\\B\\Backup1.reg", {subkey}),
              "3 problems were repaired. The others were not, because their backup could not be written to this "
              "file:\nC:\\B\\Backup1.reg\n\n1 keys were removed only in part, as a key below each could not be "
              "deleted. The backup holds all of each, and their rows stay in the list, unticked:\n"
              "HKEY_CLASSES_ROOT\\CLSID\\{X}\\InprocServer32");
    outcome.backupFailed = false;
    const std::vector<Finding> many(7, {"p", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    const std::string text = RepairEndMessage(
        outcome, "", many, [](const std::string&, const std::string& english) { return "<" + english + ">"; });
    EXPECT_EQ(text.rfind("7 <keys were removed", 0), 0u) << text;
    EXPECT_TRUE(text.ends_with("\nHKEY_CURRENT_USER\\A\n...")) << "five named, then dots";
}

TEST_F(RepairTest, ABackupThatDoesNotReadBackIsNotDeletedAndTheRestGoesOn) {
    registry.SetString(kUser, "A", "a", "alpha");
    registry.SetString(kUser, "B", "b", "beta");
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    Add({"b", "HKEY_CURRENT_USER\\B\\b", "", RemovalKind::DeleteValueInPath});
    // B's block is written first, into a new file: header, empty line, key
    // line, then the value line; flip a byte of "beta".
    store.faults.flipByteAt = std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n\"b\"=\"").size();
    const auto outcome = Repair();
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.removed, 1u);
    EXPECT_TRUE(registry.OpenKey(kUser, "B", Access::Read)->ValueExists("b"));
    EXPECT_FALSE(registry.KeyExists(kUser, "A"));
    EXPECT_EQ(unrepaired.Keys, (std::vector<std::string>{"HKEY_CURRENT_USER\\B\\b"}));
    store.faults.flipByteAt.reset();
    const auto blocks = BackedUp();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].keyPath, "HKEY_CURRENT_USER\\A");
}

TEST_F(RepairTest, FilesAreDeletedAfterAProvenCopy) {
    files.AddFile("C:\\Old\\gone.lnk");
    store.Put("C:\\Old\\gone.lnk", std::string("L\0\0\0link", 8));
    Add({"file", "C:\\Old\\gone.lnk", "target", RemovalKind::DeleteFile});
    Add({"missing file", "C:\\Old\\never.lnk", "target", RemovalKind::DeleteFile});
    const auto outcome = Repair();
    EXPECT_EQ(outcome.removed, 1u);
    EXPECT_FALSE(files.FileExists("C:\\Old\\gone.lnk"));
    EXPECT_EQ(unrepaired.Keys, (std::vector<std::string>{"C:\\Old\\never.lnk"}));
    EXPECT_EQ(store.Content(kFile), "REGEDIT4\r\n");
    EXPECT_EQ(store.Content("C:\\Backup\\Backup20131207014509\\1_gone.lnk"), std::string("L\0\0\0link", 8));
}

TEST_F(RepairTest, MissingBackupFolderIsAskedAbout) {
    options.OutputDirectory = "C:\\New\\Deep";
    registry.SetDword(kUser, "A", "a", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});

    ui.answerYes = false;
    auto outcome = Repair();
    EXPECT_FALSE(outcome.started);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], "C:\\New\\Deep,The backup directory does not exist.\r\ncreates a new directory?");
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));
    EXPECT_EQ(list.Count(), 1u);

    store.refuseFolders = true;
    ui.answerYes = true;
    outcome = Repair();
    EXPECT_FALSE(outcome.started);
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));

    store.refuseFolders = false;
    outcome = Repair();
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(registry.KeyExists(kUser, "A"));
    EXPECT_TRUE(store.Exists("C:\\New\\Deep\\Backup20131207014509.reg"));
}

TEST_F(RepairTest, AnEmptyListEndsBeforeTheRestorePoint) {
    options.RestorePoint = true;
    const auto outcome = Repair();
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(ui.restorePointDialogs, 0);
    EXPECT_TRUE(ui.hints.empty());
    EXPECT_EQ(currentBackupFile, "");
}

TEST_F(RepairTest, RestorePointIsAskedForOnTheRightSystemsAndCancelEndsTheRepair) {
    registry.SetDword(kUser, "A", "a", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    options.RestorePoint = true;
    for (const std::uint8_t version : std::array<std::uint8_t, 4>{1, 5, 8, 13}) {
        SCOPED_TRACE(int{version});
        options.WindowsVersion = version;
        ui.restorePointResult = 2;
        (void)Repair();
        EXPECT_EQ(ui.restorePointDialogs, 0);
        // No dialog means no cancel: the repair went through; plant it again.
        registry.SetDword(kUser, "A", "a", 1);
        Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    }
    options.WindowsVersion = 11;
    ui.restorePointResult = 2;
    auto outcome = Repair();
    EXPECT_EQ(ui.restorePointDialogs, 1);
    EXPECT_FALSE(outcome.started);
    EXPECT_TRUE(registry.KeyExists(kUser, "A"));

    ui.restorePointResult = 1;
    outcome = Repair();
    EXPECT_EQ(ui.restorePointDialogs, 2);
    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(registry.KeyExists(kUser, "A"));

    options.RestorePoint = false;
    registry.SetDword(kUser, "A", "a", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    (void)Repair();
    EXPECT_EQ(ui.restorePointDialogs, 2);
}

TEST_F(RepairTest, HintAndBeepFollowTheirSettings) {
    options.ShowHint = false;
    options.Beep = true;
    Add({"a", "HKEY_CURRENT_USER\\Nothing", "", RemovalKind::DeleteKey});
    (void)Repair();
    EXPECT_TRUE(ui.hints.empty());
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(RepairHintText(3), "There are total 3 problems to be repaired.");
    const TextLookup german = [](const std::string& key, const std::string&) {
        return key == "RES_ThereTotal" ? std::string("Insgesamt") : std::string("Probleme behoben.");
    };
    EXPECT_EQ(RepairHintText(0, german), "Insgesamt 0 Probleme behoben.");
}

TEST_F(RepairTest, TwoRepairsInOneSecondShareOneFileAndOneHeader) {
    registry.SetDword(kUser, "A", "a", 1);
    registry.SetDword(kUser, "B", "b", 1);
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    (void)Repair();
    Add({"b", "HKEY_CURRENT_USER\\B", "", RemovalKind::DeleteKey});
    (void)Repair();
    const std::string text = store.Content(kFile);
    EXPECT_EQ(text.find("REGEDIT4"), 0u);
    EXPECT_EQ(text.find("REGEDIT4", 1), std::string::npos);
    EXPECT_EQ(BackedUp().size(), 2u);
}

TEST_F(RepairTest, ManyFindingsInOneKeyEnumerateItsNamesOnce) {
    for (int n = 0; n < 300; ++n) registry.SetDword(kUser, "Software\\Shared", "C:\\old\\" + std::to_string(n) + ".dll", 1);
    for (int n = 0; n < 300; n += 2)
        Add({"p", "HKEY_CURRENT_USER\\Software\\Shared", "C:\\old\\" + std::to_string(n) + ".dll",
             RemovalKind::DeleteNamedValue});
    registry.counters() = {};
    const auto outcome = Repair();
    EXPECT_EQ(outcome.removed, 150u);
    EXPECT_LE(registry.counters().enumerations, 4u);
    const auto key = registry.OpenKey(kUser, "Software\\Shared", Access::Read);
    EXPECT_EQ(key->ValueNames().size(), 150u);
    EXPECT_TRUE(key->ValueExists("C:\\old\\1.dll"));
    EXPECT_FALSE(key->ValueExists("C:\\old\\0.dll"));
}

TEST_F(RepairTest, NamesRememberedDuringARepairFollowItsDeletions) {
    registry.SetDword(kUser, "P\\C\\D", "d", 1);
    registry.SetDword(kUser, "P\\C", "c", 2);
    registry.SetDword(kUser, "P\\C2", "x", 3);
    // Last to first: the value of C, then D, then C itself, then a second
    // row for C, and last a value of D that went with it.
    Add({"d value", "HKEY_CURRENT_USER\\P\\C\\D\\d", "", RemovalKind::DeleteValueInPath});
    Add({"c again", "HKEY_CURRENT_USER\\P\\C", "", RemovalKind::DeleteKey});
    Add({"c", "HKEY_CURRENT_USER\\P\\C", "", RemovalKind::DeleteKey});
    Add({"d", "HKEY_CURRENT_USER\\P", "C\\D", RemovalKind::DeleteSubkey});
    Add({"c value", "HKEY_CURRENT_USER\\P\\C", "c", RemovalKind::DeleteNamedValue});
    const auto outcome = Repair();
    EXPECT_EQ(outcome.removed, 3u);
    EXPECT_EQ(unrepaired.Values, (std::vector<std::string>{"", ""}));
    EXPECT_FALSE(registry.KeyExists(kUser, "P\\C"));
    EXPECT_TRUE(registry.KeyExists(kUser, "P\\C2"));
    std::vector<std::string> order;
    for (const auto& block : BackedUp()) order.push_back(block.keyPath);
    EXPECT_EQ(order, (std::vector<std::string>{"HKEY_CURRENT_USER\\P\\C", "HKEY_CURRENT_USER\\P\\C\\D",
                                                "HKEY_CURRENT_USER\\P\\C"}));
    // The next repair starts afresh and sees a name planted since.
    registry.SetDword(kUser, "P\\C", "new", 4);
    Add({"new", "HKEY_CURRENT_USER\\P\\C\\new", "", RemovalKind::DeleteValueInPath});
    EXPECT_EQ(Repair().removed, 1u);
}

// A registry whose deletions throw, standing for any unexpected failure.
class ThrowingRegistry : public MemoryRegistry {
public:
    RegStatus DeleteKey(RootKey, std::string_view) override { throw std::runtime_error("unexpected"); }
};

TEST_F(RepairTest, AnUnexpectedErrorEndsTheCommandQuietly) {
    ThrowingRegistry throwing;
    throwing.SetDword(kUser, "A", "a", 1);
    RepairContext failing{throwing, files, store, ui, context.clock};
    Add({"a", "HKEY_CURRENT_USER\\A", "", RemovalKind::DeleteKey});
    RepairOutcome outcome;
    EXPECT_NO_THROW(outcome = RepairFindings(list, unrepaired, failing, options, currentBackupFile));
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_TRUE(ui.hints.empty());
}

// The classes root merges the user's classes over the machine's: a key found
// there is backed up and deleted under the hive that holds it, so that the
// backup restores it there and not into the machine's classes.
TEST_F(RepairTest, AClassesRootKeyIsBackedUpAndDeletedWhereItLives) {
    constexpr RootKey kMachine = RootKey::LocalMachine;
    registry.SetString(kUser, "Software\\Classes\\CLSID\\{U}", "", "user");
    registry.SetString(kMachine, "Software\\Classes\\CLSID\\{U}", "", "machine");
    registry.SetString(kMachine, "Software\\Classes\\CLSID\\{M}", "v", "gone");
    registry.SetString(kMachine, "Software\\Classes\\CLSID\\{M}", "w", "stays");
    registry.SetString(kClasses, "Elsewhere", "v", "x");
    Add({"p", "HKEY_CLASSES_ROOT\\Elsewhere", "", RemovalKind::DeleteKey});
    Add({"p", "HKEY_CLASSES_ROOT\\CLSID\\{M}\\v", "", RemovalKind::DeleteValueInPath});
    Add({"p", "HKEY_CLASSES_ROOT\\CLSID\\{U}", "", RemovalKind::DeleteKey});
    EXPECT_EQ(Repair().removed, 3u);
    std::vector<std::string> names;
    for (const auto& block : BackedUp()) names.push_back(block.keyPath);
    EXPECT_EQ(names, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{U}",
                                               "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{M}",
                                               "HKEY_CLASSES_ROOT\\Elsewhere"}));
    EXPECT_FALSE(registry.KeyExists(kUser, "Software\\Classes\\CLSID\\{U}"));
    EXPECT_TRUE(registry.KeyExists(kMachine, "Software\\Classes\\CLSID\\{U}"));
    const auto machine = registry.OpenKey(kMachine, "Software\\Classes\\CLSID\\{M}", Access::Read);
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->ValueNames(), std::vector<std::string>{"w"});
    EXPECT_FALSE(registry.KeyExists(kClasses, "Elsewhere"));
}

}  // namespace
}  // namespace ks
