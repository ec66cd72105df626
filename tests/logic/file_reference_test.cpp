// The file-reference test over a planted file system: each step, the removable
// media rule, the name-hint branch, and the questions it does not ask.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "support/code_page_tables.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

class FileReferenceTestFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fs.SetWow64(false);
        fs.SetDrive('D', DriveTypeCode::CdRom);
        fs.SetDrive('E', DriveTypeCode::Remote);
        fs.SetDrive('F', DriveTypeCode::Removable);
        fs.AddFile("C:\\Program Files\\App\\app.exe");
        fs.AddFile("C:\\Windows\\notepad.exe");
        fs.AddFile("C:\\Windows\\System32\\calc.exe");
        fs.AddFile("C:\\Tools\\run.exe");
        fs.AddFile("C:\\Tools\\setup.bat");
        fs.AddFile("C:\\Apps\\App.exe");
        fs.AddFile("C:\\Data\\notes.txt");
        fs.AddFile("D:\\setup.exe");
        fs.AddFolder("C:\\Empty");
        fs.SetVariable("SystemRoot", "C:\\Windows");
        fs.SetVariable("ProgramFiles", "C:\\Program Files");
        fs.SetVariable("NotesFile", "C:\\Data\\notes.txt");
        fs.SetVariable("Sys", "C:\\Windows\\System32");
    }

    bool Missing(std::string_view path, std::string_view hint = "", bool allowFolder = false,
                 FileReferenceOptions options = {}) {
        FileReferenceTest test(fs, options);
        return test.IsMissingFileReference(path, hint, drives, allowFolder);
    }

    test::MemoryFileSystem fs;
    std::string drives = "c";
};

struct Case {
    const char* path;
    bool missing;
    bool allowFolder = false;
};

TEST_F(FileReferenceTestFixture, CommandLinesWithoutHint) {
    const Case cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" /min", false},
        {"C:\\Program Files\\App\\app.exe /min", false},  // found at the blank
        {"C:\\Program Files\\App\\APP.EXE", false},
        {"C:\\Program Files\\App\\gone.exe /min", true},
        {"C:\\Windows\\notepad", false},          // ".exe" added
        {"C:\\Tools\\setup", false},              // ".bat" added
        {"C:\\Tools\\run.exe;", false},           // found at the semicolon
        {"C:\\Tools\\run.exe;;;", false},
        {"C:\\Tools\\run;", false},               // extension added before the semicolon
        {"C:\\Tools\\run.exe,1", false},
        {"C:\\Tools\\run.exe|x", false},
        {"C:\\Tools\\runx", true},
        {"C:\\Gone\\app.exe", true},
        {"c:\\gone\\app.exe", true},
        {"C:\\Gone\\", true},                     // a folder form whose folder is gone
        {"C:\\Empty\\", false},                   // an existing folder, whatever AllowFolder says
        {"C:\\Windows", true},                    // a folder is no file...
        {"C:\\Windows", false, true},             // ...unless folders count
        {"C:\\Empty\\;;", false, true},           // semicolons dropped down to the folder itself
        {"C:\\Empty\\;;", true, false},
        {"C:\\Tools\\run.exe\\sub\\x.dll", false},  // the folder is gone but a prefix is a file
        {"C:\\Tools\\run /x\\y.dll", false},        // ...or a prefix plus ".exe"
        {"C:\\Program Files\\App\\app.exe /log=C:\\log.txt", false},  // a second drive
        {"rundll32.exe shell32.dll,Control_RunDLL", false},
        {"D:\\setup.exe", false},                 // CD-ROM drive not scanned
        {"D:\\gone.exe", false},
        {"E:\\share\\gone.exe", false},           // network drive
        {"F:\\gone.exe", false},                  // removable drive
        {"1:\\gone.exe", false},
        {"C:gone.exe", false},                    // no ":\" at position 2
        {"CC:\\gone.exe", false},
        {"\\\\server\\share\\gone.exe", false},
        {"", false},
        {"C:\\Windows\\?.exe", false},
        {"C:\\HP\\gone.exe", false},
        {"C:\\hpx\\gone.exe", false},
        {"C:\\Gone\\hp.exe", false},
        {"\"", false},
        {"\"\"", false},
        {"\"C:\\Gone\\x.exe", true},              // no closing quote: the rest is the path
        {"\"C:\\Tools\\run.exe\" C:\\Gone\\y.exe", false},
        {"%NOSUCHVAR%\\app.exe", false},
        {"%SystemRoot%\\x.exe", true},
        {"%SystemRoot%\\notepad.exe", false},
        {"%systemroot%\\NOTEPAD /s", false},
        {"%NotesFile%\\x.exe", false},           // expands to a file, not a folder
        {"%SystemRoot", false},                   // a lone "%" opens no variable
        {"%", false},
        {"%%", false},
        {"%%\\gone.exe", false},
        {"\"%SystemRoot%\\gone.exe\" -x", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Missing(c.path, "", c.allowFolder), c.missing);
    }
}

TEST_F(FileReferenceTestFixture, Wow64LeavesSystemAndProgramFolderStringsUntested) {
    FileReferenceOptions wow64;
    wow64.isWow64 = true;
    const struct {
        const char* path;
        bool missingNative;
        bool missingWow64;
    } cases[] = {
        {"C:\\Program Files\\gone.exe", true, false},
        {"C:\\PROGRAM FILES\\gone.exe", true, false},
        {"%ProgramFiles%\\gone.exe", true, false},     // the raw text names it
        {"%Sys%\\gone.exe", true, false},              // only the expanded text does
        {"C:\\Windows\\SYSTEM32\\gone.exe", true, false},
        {"C:\\Windows\\gone.exe", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Missing(c.path), c.missingNative);
        EXPECT_EQ(Missing(c.path, "", false, wow64), c.missingWow64);
    }
}

TEST_F(FileReferenceTestFixture, NameHintCutsThePathAfterTheName) {
    EXPECT_FALSE(Missing("C:\\Apps\\App.exe -x", "APP.EXE"));
    fs.ResetQueries();
    EXPECT_TRUE(Missing("C:\\Apps\\Gone.exe -x", "gone.EXE"));
    EXPECT_EQ(fs.queries(), 2u) << "the file, and the folder that would hold it";
    EXPECT_FALSE(Missing("C:\\Apps\\App.dll", ".exe")) << "hint absent: not tested";
    EXPECT_TRUE(Missing("C:\\Windows", "Windows", true)) << "folders never count with a hint";
    EXPECT_TRUE(Missing("C:\\Tools\\run;", "run")) << "only the cut text is tested, no extensions";
    EXPECT_FALSE(Missing("D:\\setup.exe", ".exe"));
    EXPECT_FALSE(Missing("rundll32 C:\\Apps\\App.exe", ".exe")) << "no drive at the start";
    // A second drive is no reason to skip with a hint: only the cut text counts.
    EXPECT_FALSE(Missing("C:\\Apps\\App.exe /log=C:\\gone.txt", ".exe"));
    EXPECT_TRUE(Missing("\"C:\\Gone\\setup.exe\" /x", ".exe"));
}

TEST_F(FileReferenceTestFixture, ABareNameHintIsMatchedOnlyAsAFileName) {
    fs.AddFile("C:\\Tools\\tool.exe");
    fs.AddFile("C:\\tool\\tool");
    const struct {
        const char* path;
        bool missing;
    } cases[] = {
        {"C:\\Tools\\tool.exe", false},  {"\"C:\\Tools\\TOOL.EXE\" /x", false}, {"C:\\Tools\\tool.exe,1", false},
        {"C:\\tool\\tool -q", false},    // the folder of that name passed over
        {"C:\\Tools\\tool.old", true},   // the file of that name with its extension...
        {"C:\\Tools\\tool", true},       // ...and none added
        {"C:\\tool\\other.exe", false},  // only a folder of that name: not tested
        {"C:\\Tools\\mytool.exe", false}, {"C:\\Tools\\toolbox.exe", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Missing(c.path, "tool"), c.missing);
    }
}

// A file that appears while a scan runs: a reference found missing on
// answers older than they are trusted for is asked for once more.
TEST_F(FileReferenceTestFixture, OldAnswersAreCheckedBeforeAReferenceIsMissing) {
    const struct {
        const char* path;
        const char* hint;
        bool allowFolder;
        const char* appears;  // a folder when it ends in a backslash
    } cases[] = {
        {"C:\\Tools\\new.exe /x", "", false, "C:\\Tools\\new.exe"},  // in a folder listed before
        {"C:\\Tools\\newer -q", "", false, "C:\\Tools\\newer.com"},  // a program without its extension
        {"C:\\Tools\\New Folder", "", true, "C:\\Tools\\New Folder\\"},
        {"C:\\Later\\bin\\app.exe /x", "", false, "C:\\Later\\bin\\app.exe"},  // below a folder that was gone
        {"C:\\Later\\run /q", "", false, "C:\\Later\\run.bat"},
        {"C:\\Folder\\Form\\", "", false, "C:\\Folder\\Form\\"},
        {"C:\\Apps\\New.exe -x", ".exe", false, "C:\\Apps\\New.exe"},
    };
    FileReferenceOptions aged;
    aged.trustAnswersFor = std::chrono::steady_clock::duration::zero();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        test::MemoryFileSystem files;
        files.AddFile("C:\\Tools\\run.exe");
        files.AddFile("C:\\Apps\\App.exe");
        FileReferenceTest checked(files, aged), trusting(files, {});
        EXPECT_TRUE(checked.IsMissingFileReference(c.path, c.hint, drives, c.allowFolder));
        EXPECT_TRUE(trusting.IsMissingFileReference(c.path, c.hint, drives, c.allowFolder));
        std::string_view(c.appears).ends_with('\\') ? files.AddFolder(c.appears) : files.AddFile(c.appears);
        EXPECT_FALSE(checked.IsMissingFileReference(c.path, c.hint, drives, c.allowFolder));
        EXPECT_TRUE(trusting.IsMissingFileReference(c.path, c.hint, drives, c.allowFolder)) << "young answers stand";
    }
    // Still missing: only the path named is asked for once more.
    FileReferenceTest checked(fs, aged);
    EXPECT_TRUE(checked.IsMissingFileReference("C:\\Tools\\gone.exe /x", "", drives, false));
    fs.ResetQueries();
    EXPECT_TRUE(checked.IsMissingFileReference("C:\\Tools\\gone.exe /x", "", drives, false));
    EXPECT_EQ(fs.queries(), 1u);
    EXPECT_EQ(checked.LookedFor(), "C:\\Tools\\gone.exe");
}

TEST_F(FileReferenceTestFixture, RemovableDrivesWithoutDiskAreMissingUntouched) {
    fs.AddFile("A:\\setup.exe");
    const std::string removable = BuildScanDrives(fs, true, false);
    ASSERT_EQ(removable.substr(0, 3), "abc");
    FileReferenceOptions options;
    options.includeRemoveMedia = true;

    FileReferenceTest noDisk(fs, options);
    fs.ResetQueries();
    EXPECT_TRUE(noDisk.IsMissingFileReference("A:\\setup.exe", "", removable, false));
    EXPECT_TRUE(noDisk.IsMissingFileReference("b:\\setup.exe", ".exe", removable, false));
    EXPECT_EQ(fs.queries(), 0u) << "a drive without a disk is never asked";

    options.driveAReady = true;
    FileReferenceTest withDisk(fs, options);
    EXPECT_FALSE(withDisk.IsMissingFileReference("A:\\setup.exe", "", removable, false));
    EXPECT_TRUE(withDisk.IsMissingFileReference("A:\\gone.exe", "", removable, false));
    EXPECT_TRUE(withDisk.IsMissingFileReference("B:\\setup.exe", "", removable, false));

    // With the setting off drive A is not in the set and is never tested.
    EXPECT_FALSE(Missing("A:\\gone.exe"));
}

TEST_F(FileReferenceTestFixture, TextOnlyDecisionsAskNothing) {
    const char* paths[] = {
        "C:\\Program Files\\App\\app.exe /log=C:\\log.txt",
        "rundll32.exe shell32.dll,Control_RunDLL",
        "D:\\setup.exe",
        "C:\\x?y",
        "C:\\HP\\a.exe",
        "%SystemRoot",
        "\"",
    };
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        fs.ResetQueries();
        EXPECT_FALSE(Missing(path));
        EXPECT_EQ(fs.queries(), 0u);
    }
}

TEST_F(FileReferenceTestFixture, AnswersAreRememberedWithinOneScan) {
    FileReferenceTest test(fs, {});
    fs.ResetQueries();
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\app.exe /x", "", drives, false));
    const auto first = fs.queries();
    EXPECT_GT(first, 0u);
    fs.ResetQueries();
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\app.exe /x", "", drives, false));
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\other.exe /y", "", drives, false));
    EXPECT_LE(fs.queries(), 2u) << "a gone folder answers every name below it";

    // A new scan asks again.
    fs.AddFile("C:\\Gone\\Deeper\\app.exe");
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\app.exe /x", "", drives, false));
    test.ForgetAnswers();
    EXPECT_FALSE(test.IsMissingFileReference("C:\\Gone\\Deeper\\app.exe /x", "", drives, false));

    // A file where a missing folder was: a prefix of the same text, found
    // once the answers are forgotten.
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Old\\sub\\app.exe /x", "", drives, false));
    fs.AddFile("C:\\Old");
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Old\\sub\\app.exe /x", "", drives, false));
    test.ForgetAnswers();
    EXPECT_FALSE(test.IsMissingFileReference("C:\\Old\\sub\\app.exe /x", "", drives, false));
}

TEST_F(FileReferenceTestFixture, ListingsAndMissingFoldersAnswerWithoutAsking) {
    FileReferenceTest test(fs, {});
    fs.ResetQueries();
    // The folder and its listing; the listing tells a file from a folder.
    EXPECT_FALSE(test.IsMissingFileReference("C:\\Tools\\run.exe /x", "", drives, false));
    EXPECT_EQ(fs.queries(), 2u);
    fs.ResetQueries();
    EXPECT_FALSE(test.IsMissingFileReference("C:\\Tools\\setup -q", "", drives, false));
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Tools\\gone.exe", "", drives, true));
    EXPECT_EQ(fs.queries(), 0u);
    EXPECT_FALSE(test.IsMissingFileReference("C:\\Program Files\\App", "", drives, true));
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Program Files\\App", "", drives, false));
    EXPECT_EQ(fs.queries(), 2u) << "one folder and its listing";

    // Below a folder found missing nothing more is asked, not even for the
    // parts that slashes in the arguments cut out.
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\app.exe /x", "", drives, false));
    fs.ResetQueries();
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Deeper\\tool.exe /a/b /c/d", "", drives, true));
    EXPECT_EQ(fs.queries(), 0u);
    EXPECT_TRUE(test.IsMissingFileReference("C:\\Gone\\Other\\x.exe /a/b", "", drives, true));
    EXPECT_EQ(fs.queries(), 1u) << "only the folder it names";
}

TEST_F(FileReferenceTestFixture, ExpandFolderVariableKeepsWhatIsNoFolder) {
    FileReferenceTest test(fs, {});
    EXPECT_EQ(test.ExpandFolderVariable("%SystemRoot%"), "C:\\Windows");
    EXPECT_EQ(test.ExpandFolderVariable("%SYSTEMROOT%"), "C:\\Windows");
    EXPECT_EQ(test.ExpandFolderVariable("%NotesFile%"), "%NotesFile%");
    EXPECT_EQ(test.ExpandFolderVariable("%NoSuchVariable%"), "%NoSuchVariable%");
    fs.SetVariable("Padded", "  C:\\Empty  ");
    EXPECT_EQ(test.ExpandFolderVariable("%Padded%"), "C:\\Empty");
}

TEST_F(FileReferenceTestFixture, HostileStringsNeverCrashOrHang) {
    FileReferenceTest test(fs, {});
    std::string nul("C:\\Gone\\a\0b.exe", 15);
    EXPECT_TRUE(test.IsMissingFileReference(nul, "", drives, true));
    std::string high = "C:\\\xe9t\xe9\\\xff\x80\x9f.exe";
    EXPECT_TRUE(test.IsMissingFileReference(high, "", drives, true));
    fs.AddFile("C:\\\xe9t\xe9\\x.exe");
    EXPECT_FALSE(test.IsMissingFileReference("C:\\\xe9t\xe9\\x.exe /q", "", drives, true));

    // A megabyte of text after a real drive: every growing candidate is
    // longer than any file name can be after the first few hundred.
    const std::string mega = "C:\\Gone\\" + std::string(1 << 20, 'a');
    EXPECT_TRUE(test.IsMissingFileReference(mega, "", drives, true));
    const std::string megaBlanks = "C:\\Gone\\" + std::string(1 << 20, ' ');
    EXPECT_TRUE(test.IsMissingFileReference(megaBlanks, "", drives, true));
    const std::string megaInFolder = "C:\\Tools\\" + std::string(1 << 20, ';');
    EXPECT_TRUE(test.IsMissingFileReference(megaInFolder, "", drives, false));
    const std::string megaArgs = "C:\\Tools\\run.exe " + std::string(1 << 20, 'x');
    EXPECT_FALSE(test.IsMissingFileReference(megaArgs, "", drives, false));
    const std::string megaHint = "C:\\Apps\\" + std::string(1 << 20, 'y') + "App.exe";
    EXPECT_TRUE(test.IsMissingFileReference(megaHint, "app.exe", drives, false));
}

TEST(FileReferenceLength, NamesLongerThanTheSystemAllowsAreNeverAsked) {
    test::MemoryFileSystem fs;
    fs.SetWow64(false);
    // The in-memory file system has no length limit; the system's does.
    const std::string deep = "C:\\" + std::string(250, 'd') + "\\file.exe";
    fs.AddFile(deep);
    FileReferenceTest test(fs, {});
    fs.ResetQueries();
    EXPECT_TRUE(test.IsMissingFileReference(deep, "", "c", false));
    EXPECT_GT(fs.queries(), 0u) << "the short prefixes are still asked";
    const std::string fits = "C:\\" + std::string(240, 'd') + "\\file.exe";
    fs.AddFile(fits);
    EXPECT_FALSE(test.IsMissingFileReference(fits, "", "c", false));
}

TEST(FileReferenceLength, ADoubleByteCodePageCountsCharactersNotBytes) {
    const LeadBytes shiftJis = test::kShiftJis932.Leads();
    std::string kanji;  // 15 characters
    for (int i = 0; i < 15; ++i) kanji += "\x93\xFA";
    // Well over 260 bytes, well under 260 characters.
    const std::string folder = "C:\\" + kanji + kanji + kanji + kanji + kanji + kanji + "\\" + kanji + kanji + kanji;
    const std::string program = folder + "\\" + kanji;
    test::MemoryFileSystem fs;
    fs.SetCodePage(shiftJis);
    fs.AddFile(program + ".exe");
    const struct {
        std::string path;
        const char* hint;
        bool missing;
    } cases[] = {
        {folder + "\\", "", false},  // the folder test
        {"\"" + program + ".exe\" /x", "", false},
        {program + " /x", "", false},                   // a program named without its extension
        {program + ".exe\\sub\\x.dll", "", false},      // a file where its folder should be
        {program + ".exe /x", ".exe", false},           // with a name hint
        {folder + "\\gone\\x.exe /x", "", true},
        {program + ".dll", ".dll", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.size());
        FileReferenceTest test(fs, {});
        EXPECT_EQ(test.IsMissingFileReference(c.path, c.hint, "c", false), c.missing);
    }
    // In a single-byte code page the same bytes are too long for any name.
    fs.SetCodePage({});
    FileReferenceTest singleByte(fs, {});
    fs.ResetQueries();
    EXPECT_TRUE(singleByte.IsMissingFileReference(program + ".exe", ".exe", "c", false));
    EXPECT_EQ(fs.queries(), 0u);
}

}  // namespace
}  // namespace ks
