// The system's ANSI code page as the program folds case by it, and folders
// whose name ends in a two-byte character with 0x5C as its second byte. The
// test set runs these again under code pages 932 and 1251 (tools/in-locale):
// the recorded tables are checked against the system's own there. The folder
// test needs 932 and UTF-8 Unix file names: under a locale whose character
// set is ASCII, Wine cannot name files outside it (measured: CreateDirectoryA
// fails).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "base/win/system_code_page.h"
#include "repair/win/backup_system.h"
#include "restore/backup_listing.h"
#include "restore/win/restore_files_win.h"
#include "scan/win/win32_file_system.h"
#include "support/code_page_tables.h"
#include "test_files.h"

namespace ks {
namespace {

TEST(CodePageTest, SystemTableIsTheRecordedOne) {
    const test::RecordedCodePage* recorded = nullptr;
    for (const auto* known : {&test::kWestern1252, &test::kCyrillic1251, &test::kShiftJis932})
        if (known->id == GetACP()) recorded = known;
    if (!recorded) GTEST_SKIP() << "no table recorded for code page " << GetACP();
    const AnsiCodePage system = SystemCodePage();
    const AnsiCodePage expected = recorded->Make();
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(system.Leads().IsLead(static_cast<char>(c)), expected.Leads().IsLead(static_cast<char>(c)));
        EXPECT_EQ(system.UpperByte(static_cast<unsigned char>(c)), expected.UpperByte(static_cast<unsigned char>(c)));
        EXPECT_EQ(ActiveCodePage().UpperByte(static_cast<unsigned char>(c)), expected.UpperByte(static_cast<unsigned char>(c)))
            << "installed for the whole set, as the program installs it";
    }
}

// D:\Bk\表 is a folder of its own: a backup goes inside it, and its listing
// shows what is inside, not what begins with 表 beside it.
TEST(CodePageTest, FoldersNamedWithATwoByteCharacterEndingIn0x5C) {
    if (GetACP() != 932) GTEST_SKIP() << "needs code page 932 (LC_ALL=ja_JP.UTF-8)";
    test::ScratchFolder scratch("code page");
    const std::string folder = scratch.path() + "\\\x95\\";  // ...\表
    const std::string beside = scratch.path() + "\\\x95\\beside.reg";  // ...\表beside.reg
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(test::WriteWholeFile(folder + "\\inside.reg", "x"));
    ASSERT_TRUE(test::WriteWholeFile(beside, "x"));

    const auto entries = MakeWin32FileSystem()->ListFolder(folder);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, "inside.reg");
    const auto files = ListFolderFiles(folder);
    ASSERT_TRUE(files.has_value());
    ASSERT_EQ(files->size(), 1u);
    EXPECT_EQ((*files)[0].name, "inside.reg");

    EXPECT_EQ(MakeBackupFileName(folder, BackupTime{2024, 1, 2, 3, 4, 5}),
              folder + "\\Backup20240102030405.reg");
    const std::string deeper = folder + "\\\x95\\";
    EXPECT_TRUE(MakeWin32BackupStore()->CreateFolderTree(deeper));
    EXPECT_TRUE(GetFileAttributesA(deeper.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    // Nothing was made beside the folder.
    const auto around = MakeWin32FileSystem()->ListFolder(scratch.path());
    ASSERT_TRUE(around.has_value());
    EXPECT_EQ(*around, (std::vector<FolderEntry>{{"\x95\\", true}, {"\x95\\beside.reg", false}}));
}

}  // namespace
}  // namespace ks
