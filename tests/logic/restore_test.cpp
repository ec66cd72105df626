// The restore side's logic: which files the list shows and how, the checks
// before and after an import, and the shortcut copies kept beside a backup.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "restore/backup_listing.h"
#include "restore/restore_backup.h"
#include "restore/shortcut_copies.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

std::string Sz(const char* text) { return std::string(text) + '\0'; }

// Files and folders in memory; copies to chosen paths can be made to fail.
class MemoryRestoreFiles : public RestoreFiles {
public:
    std::optional<std::string> ReadFile(std::string_view path) override {
        const auto found = files.find(std::string(path));
        if (found == files.end()) return std::nullopt;
        return found->second;
    }
    bool Exists(std::string_view path) override {
        return files.count(std::string(path)) != 0 || folders.count(std::string(path)) != 0;
    }
    bool CopyNew(std::string_view from, std::string_view to) override {
        if (Exists(to) || failing.count(std::string(to)) || !files.count(std::string(from))) return false;
        files[std::string(to)] = files[std::string(from)];
        return true;
    }
    bool RemoveFile(std::string_view path) override { return files.erase(std::string(path)) != 0; }
    bool RemoveEmptyFolder(std::string_view path) override {
        const std::string prefix = std::string(path) + "\\";
        for (const auto& [name, bytes] : files)
            if (name.starts_with(prefix)) return false;
        return folders.erase(std::string(path)) != 0;
    }
    std::optional<std::string> WriteTemporary(std::string_view bytes) override {
        if (noTemporary) return std::nullopt;
        const std::string path = "T:\\temp" + std::to_string(++temporaries) + ".tmp";
        files[path] = std::string(bytes);
        return path;
    }

    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::set<std::string> failing;
    bool noTemporary = false;
    int temporaries = 0;
};

std::string English(const std::string&, const std::string& english) { return english; }

TEST(BackupListingTest, RowsSizesDatesAndOrder) {
    struct SizeCase {
        std::uint64_t bytes;
        const char* text;
    } const sizes[] = {{0, "0 KB"},           {1, "1 KB"},         {1024, "1 KB"},
                       {1025, "2 KB"},        {1023 * 1024, "1,023 KB"}, {1024 * 1024, "1,024 KB"},
                       {1048576000, "1,024,000 KB"}, {1024ull * 1024 * 1024 * 1024, "1,073,741,824 KB"}};
    for (const auto& c : sizes) EXPECT_EQ(KilobyteText(c.bytes), c.text) << c.bytes;

    struct NameCase {
        const char* name;
        bool listed;
        const char* fullBackup;
    } const names[] = {
        {"a.REG", true, "a.REG"},       {"b.reg", true, "b.reg"},     {"full.Reg", true, "full.Reg"},
        {"full", false, "full.reg"},    {"c.txt", false, "c.txt.reg"}, {"x.reg.txt", false, "x.reg.txt.reg"},
        {"C:\\a.reg\\full", false, "C:\\a.reg\\full.reg"},            {"x.regs", false, "x.regs.reg"},
        {".reg", true, ".reg"},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsBackupFileName(c.name), c.listed);
        EXPECT_EQ(FullBackupFileName(c.name), c.fullBackup);
    }

    const auto date = [](const BackupTime& t) {
        return std::to_string(t.day) + "." + std::to_string(t.month) + "." + std::to_string(t.year);
    };
    const auto time = [](const BackupTime& t) {
        return std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" + std::to_string(t.second);
    };
    const std::vector<FolderFileInfo> entries = {
        {"a.REG", false, 1025, {2013, 12, 7, 0, 0, 1}},  // midnight at DOS resolution
        {"c.txt", false, 10, {}},
        {"d.reg", true, 0, {}},
        {"b.reg", false, 0, {2013, 12, 7, 13, 45, 9}},
        {"Backup20131207014509.reg", false, 1048576000, {2013, 12, 7, 1, 45, 9}},
        {"backup20140101000000.REG", false, 1, {2014, 1, 1, 0, 0, 0}},
    };
    const std::vector<BackupRow> expected = {
        {"backup20140101000000.REG", "1.1.2014", "1 KB"},
        {"Backup20131207014509.reg", "7.12.2013 1:45:8", "1,024,000 KB"},
        {"b.reg", "7.12.2013 13:45:8", "0 KB"},
        {"a.REG", "7.12.2013", "2 KB"},
    };
    EXPECT_EQ(MakeBackupRows(entries, date, time), expected);
}

TEST(BackupListingTest, ButtonLayoutAndBarPace) {
    struct Case {
        RestoreButtonsIn in;
        RestoreButtonsOut out;
    } const cases[] = {
        {{8, 80, 96, 80, 80, 354}, {118, 96, 244}},   // caption fits: width kept, even gaps of 30
        {{8, 80, 96, 120, 80, 352}, {107, 125, 251}},  // caption wider: button widened to caption + 5
        {{8, 80, 96, 91, 80, 353}, {117, 96, 242}},    // +5 exactly fits; the gap 89 / 3 rounds down
    };
    for (const auto& c : cases) EXPECT_EQ(LayOutRestoreButtons(c.in), c.out);

    // 15 seconds to 300, the end after a little under 50, never past 501.
    int position = 0;
    int ticks = 0;
    int at300 = 0;
    while (BackupHintBarStep(position) > 0) {
        position += BackupHintBarStep(position);
        ++ticks;
        if (position == 300 && at300 == 0) at300 = ticks;
    }
    EXPECT_EQ(at300, 30);
    EXPECT_EQ(position, 501);
    EXPECT_GT(ticks, 90);
    EXPECT_LT(ticks, 100);
    EXPECT_EQ(BackupHintBarStep(301), 5);
    EXPECT_EQ(BackupHintBarStep(451), 2);
    EXPECT_EQ(BackupHintBarStep(491), 1);
}

// ASCII text as UTF-16 little-endian units.
std::string Wide(std::string_view ascii) {
    std::string out;
    for (char c : ascii) out += {c, '\0'};
    return out;
}

TEST(RestoreCheckTest, DamageIsRefusedAndATornEndIsLeftOut) {
    const std::string header = "REGEDIT4\r\n";
    const std::string block = "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"b\"=hex:01,02,\\\r\n  03\r\n";
    const std::string next = "\r\n[HKEY_CURRENT_USER\\Software\\Y]\r\n\"d\"=dword:1234ABCD\r\n";
    const std::string zeros(300, '\0');
    const std::string mark = "\xFF\xFE";
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n";
    const std::string wideBlock =
        Wide("\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"s\"=\"") + std::string("\xE9\0", 2) + Wide("\"\r\n");
    struct Case {
        const char* what;
        std::string text;
        BackupFault fault;
        std::size_t line;
        BackupFault tornEnd;
        std::size_t blocks;
        std::string completePart;  // what the editor gets instead, when the end is torn
    } const cases[] = {
        {"complete", header + block, BackupFault::None, 0, BackupFault::None, 1, ""},
        {"header only", header, BackupFault::None, 0, BackupFault::None, 0, ""},
        {"empty", "", BackupFault::NoHeader, 0, BackupFault::None, 0, ""},
        {"no header", block.substr(2), BackupFault::NoHeader, 0, BackupFault::None, 0, ""},
        {"lower-case header", "regedit4\r\n" + block, BackupFault::NoHeader, 0, BackupFault::None, 0, ""},
        {"other editor version", "REGEDIT4 X\r\n" + block, BackupFault::NoHeader, 0, BackupFault::None, 0, ""},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" + header + block, BackupFault::NoHeader, 0, BackupFault::None, 0, ""},
        {"header without line end", "REGEDIT4", BackupFault::CutOff, 0, BackupFault::None, 0, ""},
        // A torn end with no complete block before it leaves nothing to import.
        {"only block cut", header + block.substr(0, block.size() - 2), BackupFault::CutOff, 0, BackupFault::None, 0, ""},
        {"only block cut after its continuation", header + block.substr(0, block.size() - 6), BackupFault::Continued, 0,
         BackupFault::None, 0, ""},
        {"only block in zeros", header + block.substr(0, 20) + zeros, BackupFault::CutOff, 0, BackupFault::None, 0, ""},
        {"half a byte", header + block.substr(0, block.size() - 3) + "\r\n", BackupFault::BadLine, 5,
         BackupFault::None, 0, ""},
        {"a line the importer skips", header + block + "#x\r\n", BackupFault::BadLine, 6, BackupFault::None, 0, ""},
        {"a bad last line with its line end", header + block + "\r\n[HKEY_CURRENT_USER\\Y]\r\n\"d\"=dwo\r\n",
         BackupFault::BadLine, 8, BackupFault::None, 0, ""},
        {"damage before the torn block", header + "#x\r\n" + block + next.substr(0, 30), BackupFault::BadLine, 2,
         BackupFault::None, 0, ""},
        // Only complete blocks were ever followed by a deletion.
        {"last block cut inside a line", header + block + next.substr(0, next.size() - 6), BackupFault::None, 0,
         BackupFault::CutOff, 1, header + block + "\r\n"},
        {"last block cut inside its key line", header + block + next.substr(0, 12), BackupFault::None, 0,
         BackupFault::CutOff, 1, header + block + "\r\n"},
        // A lone CR ends a line for the importer too: every line is whole.
        {"last line cut between CR and LF", header + block + next.substr(0, next.size() - 1), BackupFault::None, 0,
         BackupFault::None, 2, ""},
        {"last block cut after a continuation", header + next + block.substr(0, block.size() - 6), BackupFault::None, 0,
         BackupFault::Continued, 1, header + next + "\r\n"},
        {"zeros where a block was to go", header + block + zeros, BackupFault::None, 0, BackupFault::NeverWritten, 1,
         header + block},
        {"zeros after a cut", header + block + next.substr(0, 30) + zeros, BackupFault::None, 0, BackupFault::CutOff, 1,
         header + block + "\r\n"},
        {"editor's UTF-16 export", mark + Wide(v5) + wideBlock + Wide("\r\n"), BackupFault::None, 0,
         BackupFault::None, 1, ""},
        {"UTF-16 export cut inside a unit", mark + Wide(v5) + wideBlock + Wide("\r\n[HKEY_CU") + "H",
         BackupFault::None, 0, BackupFault::CutOff, 1, mark + Wide(v5) + wideBlock + Wide("\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const BackupFileCheck check = CheckBackupText(c.text);
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.line, c.line);
        EXPECT_EQ(check.tornEnd, c.tornEnd);
        EXPECT_EQ(check.blocks.size(), c.blocks);
        EXPECT_EQ(check.completePart, c.completePart);
        if (!check.blocks.empty() && check.blocks[0].keyPath.ends_with("X") && check.form == RegTextForm::Ansi)
            EXPECT_EQ(check.blocks[0].values[0].data, "\x01\x02\x03");
    }
    const BackupFileCheck wide = CheckBackupText(mark + Wide(v5) + wideBlock);
    EXPECT_EQ(wide.form, RegTextForm::Unicode);
    ASSERT_EQ(wide.blocks.size(), 1u);
    EXPECT_EQ(wide.blocks[0].values[0], (RegValue{"s", RegType::String, std::string("\xE9\0\0\0", 4)}));
}

TEST(RestoreCheckTest, EveryKeyAndValueIsLookedUpAfterTheImport) {
    test::MemoryRegistry registry;
    registry.SetString(RootKey::CurrentUser, "Software\\A", "s", "x");
    registry.SetDword(RootKey::CurrentUser, "Software\\A", "d", 7);
    registry.SetString(RootKey::CurrentUser, "Software\\A", "", "def");
    registry.AddKey(RootKey::CurrentUser, "Software\\A\\Empty");
    registry.SetString(RootKey::LocalMachine, "Software\\B", "t", "other", RegType::ExpandString);
    const std::string dword7("\x07\0\0\0", 4);
    struct Case {
        const char* what;
        std::vector<RegBlock> blocks;
        std::size_t items;
        std::size_t missing;
        std::vector<MissingItem> named;
    };
    const std::vector<Case> cases = {
        {"all there, names and roots in any case",
         {{"HKEY_CURRENT_USER\\Software\\A", {{"S", RegType::String, Sz("x")}, {"d", RegType::Dword, dword7}}},
          {"hkey_current_user\\SOFTWARE\\a\\Empty", {}},
          {"HKEY_CURRENT_USER\\Software\\A", {{"", RegType::String, Sz("def")}}}},
         5, 0, {}},
        {"later line for a value wins",
         {{"HKEY_CURRENT_USER\\Software\\A", {{"s", RegType::String, Sz("old")}}},
          {"HKEY_CURRENT_USER\\Software\\A", {{"s", RegType::String, Sz("x")}}}},
         2, 0, {}},
        {"type, bytes and presence all count",
         {{"HKEY_LOCAL_MACHINE\\Software\\B", {{"t", RegType::String, Sz("other")}}},
          {"HKEY_CURRENT_USER\\Software\\A",
           {{"s", RegType::String, Sz("y")}, {"gone", RegType::Binary, "\x01"}, {"", RegType::String, Sz("def")}}}},
         6, 3,
         {{MissingItem::Kind::Value, "HKEY_LOCAL_MACHINE\\Software\\B \"t\""},
          {MissingItem::Kind::Value, "HKEY_CURRENT_USER\\Software\\A \"s\""},
          {MissingItem::Kind::Value, "HKEY_CURRENT_USER\\Software\\A \"gone\""}}},
        {"a missing key counts with its values and is named once; five names at most",
         {{"HKEY_CURRENT_USER\\Software\\Gone", {{"a", 1, Sz("")}, {"b", 1, Sz("")}}},
          {"HKEY_CURRENT_USER\\Software\\Gone\\1", {}}, {"HKEY_CURRENT_USER\\Software\\Gone\\2", {}},
          {"HKEY_CURRENT_USER\\Software\\Gone\\3", {}}, {"HKEY_CURRENT_USER\\Software\\Gone\\4", {}},
          {"HKEY_CURRENT_USER\\Software\\Gone\\5", {}}, {"HKEY_CURRENT_USER\\Software\\A", {}}},
         9, 8,
         {{MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone"},
          {MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone\\1"},
          {MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone\\2"},
          {MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone\\3"},
          {MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone\\4"}}},
        {"what the file deletes is gone",
         {{"HKEY_CURRENT_USER\\Software\\Gone", {}, true, {}},
          {"HKEY_CURRENT_USER\\Software\\A", {}, false, {"nothere"}},
          {"HKEY_CURRENT_USER\\Software\\Gone2\\Sub", {}, false, {"x"}}},
         5, 1, {{MissingItem::Kind::Key, "HKEY_CURRENT_USER\\Software\\Gone2\\Sub"}}},
        {"what the file deletes is still there",
         {{"HKEY_CURRENT_USER\\Software\\A\\Empty", {}, true, {}},
          {"HKEY_CURRENT_USER\\Software\\A", {}, false, {"S"}}},
         3, 2,
         {{MissingItem::Kind::ValueNotGone, "HKEY_CURRENT_USER\\Software\\A \"S\""},
          {MissingItem::Kind::KeyNotGone, "HKEY_CURRENT_USER\\Software\\A\\Empty"}}},
        // A deletion takes everything below its key; a key made afterwards
        // brings its parents back, and a later line decides for a value.
        {"deleted, then made again below",
         {{"HKEY_CURRENT_USER\\Software\\A", {{"s", RegType::String, Sz("nope")}}, false, {}},
          {"HKEY_CURRENT_USER\\Software\\A\\Empty", {{"v", 1, Sz("nope")}}, false, {}},
          {"HKEY_CURRENT_USER\\Software\\A", {}, true, {}},
          {"HKEY_CURRENT_USER\\Software\\A\\Empty", {}, false, {}},
          {"HKEY_LOCAL_MACHINE\\Software\\B", {}, false, {"t"}},
          {"HKEY_LOCAL_MACHINE\\Software\\B", {{"T", RegType::ExpandString, Sz("other")}}, false, {}}},
         3, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportCheck check = CheckImport(registry, c.blocks);
        EXPECT_EQ(check.items, c.items);
        EXPECT_EQ(check.missing, c.missing);
        EXPECT_EQ(check.firstMissing, c.named);
        EXPECT_EQ(check.moreMissing, c.named.size() == kMissingItemsNamed);
    }
}

TEST(ShortcutCopiesTest, IndexLinesAreUsedOnlyWhenTheyNameAShortcutAndAPlainCopy) {
    EXPECT_EQ(ShortcutCopyFolder("C:\\B\\Backup1.reg"), "C:\\B\\Backup1");
    EXPECT_EQ(ShortcutCopyFolder("C:\\B\\Backup1.REG"), "C:\\B\\Backup1");
    EXPECT_EQ(ShortcutCopyFolder("C:\\B\\Backup1.txt"), "");
    EXPECT_EQ(ShortcutCopyFolder(".reg"), "");
    const std::string text =
        "1_App.lnk\tC:\\Users\\u\\Desktop\\App.lnk\r\n"
        "2_Net.LNK\t\\\\server\\share\\Net.LNK\r\n"
        "3_x.lnk\tC:\\Windows\\System32\\evil.dll\r\n"  // not a shortcut
        "..\tC:\\x.lnk\r\n"                              // not a plain name
        "4_y.lnk\tC:\\a\\..\\y.lnk\r\n"                  // a ".." part
        "index.txt\tC:\\z.lnk\r\n"                       // the index itself
        "5_rel.lnk\trel\\x.lnk\r\n"                      // not a full path
        "no tab\r\n"
        "6_cut.lnk\tC:\\cut.lnk";                        // no line end: cut off
    const ShortcutIndex index = ParseShortcutIndex(text);
    EXPECT_EQ(index.copies, (std::vector<ShortcutCopy>{{"1_App.lnk", "C:\\Users\\u\\Desktop\\App.lnk"},
                                                       {"2_Net.LNK", "\\\\server\\share\\Net.LNK"}}));
    EXPECT_EQ(index.badLines.size(), 7u);
}

TEST(ShortcutCopiesTest, CopiesComeBackOnlyWhereNothingIsAndGoWithTheirBackup) {
    MemoryRestoreFiles files;
    const std::string backup = "C:\\B\\Backup1.reg";
    files.folders = {"C:\\B", "C:\\B\\Backup1"};
    files.files = {
        {backup, "REGEDIT4\r\n"},
        {"C:\\B\\Backup1\\index.txt",
         "1_a.lnk\tC:\\D\\a.lnk\r\n2_b.lnk\tC:\\D\\b.lnk\r\n3_c.lnk\tC:\\D\\c.lnk\r\n"
         "4_d.lnk\tC:\\D\\d.lnk\r\n5_e.lnk\tC:\\D\\e.lnk\r\nbad line\r\n"},
        {"C:\\B\\Backup1\\1_a.lnk", "A"}, {"C:\\B\\Backup1\\2_b.lnk", "B"}, {"C:\\B\\Backup1\\3_c.lnk", "C"},
        {"C:\\B\\Backup1\\4_d.lnk", "D"},  // 5_e.lnk is missing
        {"C:\\B\\Backup1\\other.txt", "not ours"},
        {"C:\\D\\b.lnk", "B"},          // already back, same bytes
        {"C:\\D\\c.lnk", "someone's"},  // taken
    };
    files.failing = {"C:\\D\\d.lnk"};
    const ShortcutRestore restore = RestoreShortcutCopies(files, backup);
    EXPECT_EQ(restore.items, 6u);
    using Why = ShortcutProblem::Why;
    EXPECT_EQ(restore.problems, (std::vector<ShortcutProblem>{{"bad line", Why::Failed},
                                                             {"C:\\D\\c.lnk", Why::Taken},
                                                             {"C:\\D\\d.lnk", Why::Failed},
                                                             {"C:\\D\\e.lnk", Why::Failed}}));
    EXPECT_EQ(files.files["C:\\D\\a.lnk"], "A");
    EXPECT_EQ(files.files["C:\\D\\c.lnk"], "someone's");

    // Deleting removes what the index names and the index, never the rest.
    EXPECT_TRUE(DeleteBackupWithCopies(files, backup, [&](const std::string& path) { return files.RemoveFile(path); }));
    EXPECT_FALSE(files.Exists(backup));
    for (const char* gone : {"1_a.lnk", "2_b.lnk", "3_c.lnk", "4_d.lnk", "index.txt"})
        EXPECT_FALSE(files.Exists(std::string("C:\\B\\Backup1\\") + gone)) << gone;
    EXPECT_TRUE(files.Exists("C:\\B\\Backup1\\other.txt"));
    EXPECT_TRUE(files.Exists("C:\\B\\Backup1")) << "a folder still holding something stays";
    EXPECT_TRUE(files.Exists("C:\\D\\a.lnk"));
    files.RemoveFile("C:\\B\\Backup1\\other.txt");
    DeleteShortcutCopies(files, backup);
    EXPECT_FALSE(files.Exists("C:\\B\\Backup1"));
}

TEST(RestoreBackupTest, TheEditorRunsOnlyForACompleteFileAndTheResultIsChecked) {
    const std::string file = "C:\\B\\Backup2.reg";
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\"v\"=\"restored\"\r\n\"w\"=dword:00000002\r\n";
    struct Case {
        const char* what;
        std::string content;  // "" = no file
        int editor;           // -1 stopped, 0 imports nothing, 1 imports "v", 2 imports both
        RestoreResult::Kind kind;
        bool editorRan;
        std::string message;
    } const cases[] = {
        {"imported whole", text, 2, RestoreResult::Kind::Restored, true, ""},
        {"stopped", text, -1, RestoreResult::Kind::NotRun, true, ""},
        {"one value did not take", text, 1, RestoreResult::Kind::Incomplete, true,
         "Backup2.reg\n\n1 items of the backup did not come back, so the file is kept:\n"
         "HKEY_CURRENT_USER\\Software\\R \"w\""},
        {"nothing took", text, 0, RestoreResult::Kind::Incomplete, true,
         "Backup2.reg\n\n3 items of the backup did not come back, so the file is kept:\n"
         "HKEY_CURRENT_USER\\Software\\R"},
        {"truncated", text.substr(0, text.size() - 3), 2, RestoreResult::Kind::Refused, false,
         "Backup2.reg is not a complete backup file. Nothing was restored, and the file is kept.\n\n"
         "Its last line is cut off."},
        {"no file", "", 2, RestoreResult::Kind::Refused, false,
         "Backup2.reg is not a complete backup file. Nothing was restored, and the file is kept.\n\n"
         "The file cannot be read."},
        // The torn end is never shown to the editor: it imports a copy of
        // the complete part, and the message says what was left out.
        {"torn end", text + "\r\n[HKEY_CURRENT_USER\\Software\\R\\Next]\r\n\"x\"=dword:12", 2,
         RestoreResult::Kind::Restored, true,
         "Backup2.reg ends inside a block, as a repair leaves it when it is interrupted while writing. Nothing was "
         "deleted after that block was begun, so the complete blocks before it were imported and the incomplete end "
         "was left out.\n\nIts last line is cut off."},
        {"torn end, one value did not take", text + std::string(4, '\0'), 1, RestoreResult::Kind::Incomplete, true,
         "Backup2.reg ends inside a block, as a repair leaves it when it is interrupted while writing. Nothing was "
         "deleted after that block was begun, so the complete blocks before it were imported and the incomplete end "
         "was left out.\n\nIt ends in bytes that were never written.\n\n1 items of the backup did not come back, so "
         "the file is kept:\nHKEY_CURRENT_USER\\Software\\R \"w\""},
        {"torn end without room for a copy", text + "\r\n[HKEY_CURRENT_USER\\X", 2, RestoreResult::Kind::Refused, false,
         "Backup2.reg is not a complete backup file. Nothing was restored, and the file is kept.\n\n"
         "Its complete part could not be copied for the registry editor."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::MemoryRegistry registry;
        MemoryRestoreFiles files;
        if (!c.content.empty()) files.files[file] = c.content;
        files.noTemporary = std::string(c.what).find("without room") != std::string::npos;
        const bool torn = c.content.size() > text.size();
        bool ran = false;
        RestoreContext context{registry, files, {}, [&](std::string_view path) {
                                   ran = true;
                                   if (torn) {
                                       EXPECT_EQ(path, "T:\\temp1.tmp");
                                       EXPECT_EQ(files.files.at(std::string(path)).substr(0, text.size()), text);
                                   } else {
                                       EXPECT_EQ(path, file);
                                   }
                                   if (c.editor >= 1)
                                       registry.SetString(RootKey::CurrentUser, "Software\\R", "v", "restored");
                                   if (c.editor >= 2) registry.SetDword(RootKey::CurrentUser, "Software\\R", "w", 2);
                                   return c.editor >= 0;
                               }};
        const RestoreResult result = RestoreBackupFile(context, file);
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(ran, c.editorRan);
        EXPECT_EQ(RestoreMessage(result, "Backup2.reg", &English), c.message);
        EXPECT_EQ(files.files.count("T:\\temp1.tmp"), 0u) << "the copy is removed";
        EXPECT_EQ(files.files.count(file), c.content.empty() ? 0u : 1u);
    }
}

TEST(RestoreCheckTest, AFullBackupMustHoldEveryKeyBelowEveryRootItExports) {
    test::MemoryRegistry memory;
    for (const char* key : {"Software", "System\\Deep"}) memory.AddKey(RootKey::LocalMachine, key);
    memory.AddKey(RootKey::Users, ".Default");
    memory.AddKey(RootKey::CurrentUser, "Console");
    const auto registry = ProbeThrough(memory);
    const std::string machine = "\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
                                "\r\n[HKEY_LOCAL_MACHINE\\System]\r\n";
    const std::string users = "\r\n[HKEY_USERS]\r\n\r\n[HKEY_USERS\\.Default]\r\n\"a\"=\"b\"\r\n";
    struct Case {
        const char* what;
        std::string text;
        BackupFault fault;
        std::string missingKey;
    } const cases[] = {
        {"whole", "REGEDIT4\r\n" + machine + users, BackupFault::None, ""},
        {"the users' root missing", "REGEDIT4\r\n" + machine, BackupFault::None, "HKEY_USERS\\.Default"},
        {"a key below a root missing", "REGEDIT4\r\n" + users + "\r\n[HKEY_LOCAL_MACHINE\\System]\r\n",
         BackupFault::None, "HKEY_LOCAL_MACHINE\\Software"},
        {"another root exported in part", "REGEDIT4\r\n" + machine + users + "\r\n[HKEY_CURRENT_USER]\r\n",
         BackupFault::None, "HKEY_CURRENT_USER\\Console"},
        {"cut short", "REGEDIT4\r\n" + machine + users.substr(0, users.size() - 2), BackupFault::CutOff, ""},
        {"nothing but its header", "Windows Registry Editor Version 5.00\r\n", BackupFault::None,
         "HKEY_LOCAL_MACHINE\\Software"},
        {"empty", "", BackupFault::NoHeader, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FullBackupCheck check = CheckFullBackup(CheckBackupText(c.text), *registry);
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.missingKey, c.missingKey);
        EXPECT_EQ(check.Complete(), c.fault == BackupFault::None && c.missingKey.empty());
    }
}

}  // namespace
}  // namespace ks
