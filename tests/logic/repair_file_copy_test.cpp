// Deleting a file only after a proven copy of it lies beside the backup file:
// the folder, the names, the index, the order of the steps, and every step
// that can fail leaving the file where it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "logic/backup_memory_file.h"
#include "repair/backup_parser.h"
#include "repair/file_copies.h"
#include "support/memory_registry.h"
#include "support/quiet_repair_ui.h"

namespace ks {
namespace {

constexpr char kBackup[] = "C:\\Backup\\Backup20131207014509.reg";
constexpr char kCopies[] = "C:\\Backup\\Backup20131207014509";
constexpr char kIndex[] = "C:\\Backup\\Backup20131207014509\\index.txt";
constexpr char kDesktop[] = "C:\\Users\\Me\\Desktop\\";

class RefusingFileSystem : public test::MemoryFileSystem {
public:
    bool DeleteFile(std::string_view path) override { return !refuseDelete && MemoryFileSystem::DeleteFile(path); }
    bool refuseDelete = false;
};

class FileCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(store.CreateFolderTree("C:\\Backup")); }
    void PlantFile(const std::string& name, std::string bytes) {
        files.AddFile(kDesktop + name);
        store.Put(kDesktop + name, std::move(bytes));
    }
    RemoveResult Delete(const std::string& name) { return DeleteFileWithCopy(context, kBackup, kDesktop + name); }

    test::MemoryRegistry registry;
    test::MemoryFileSystem files;
    test::MemoryBackupStore store;
    test::QuietRepairUi ui;
    RepairContext context{registry, files, store, ui, [] { return BackupTime{}; }};
};

TEST(FileCopyFolderTest, TheBackupFilesPathWithoutItsExtension) {
    EXPECT_EQ(FileCopyFolder("C:\\B\\Backup1.reg"), "C:\\B\\Backup1");
    EXPECT_EQ(FileCopyFolder("C:\\B\\Backup1.REG"), "C:\\B\\Backup1");
    EXPECT_EQ(FileCopyFolder("C:\\B\\Backup1"), "C:\\B\\Backup1");
    EXPECT_EQ(FileCopyFolder(".reg"), ".reg");
}

TEST_F(FileCopyTest, CopiesAreNumberedIndexedAndTheBackupFileGetsItsHeader) {
    const std::string link(std::string("L\0\0\0\x01\x14\x02\0", 8) + std::string(300, '\xCD'));
    PlantFile("Game.lnk", link);
    PlantFile("Other.lnk", "other");
    store.Put(std::string(kCopies) + "\\2_Game.lnk", "taken");  // left from elsewhere
    ASSERT_TRUE(store.CreateFolderTree(kCopies));

    EXPECT_EQ(Delete("Game.lnk"), RemoveResult::Removed);
    EXPECT_EQ(Delete("Other.lnk"), RemoveResult::Removed);
    // The same name again (a second shortcut of that name from another folder).
    files.AddFile("C:\\All\\Desktop\\Game.lnk");
    store.Put("C:\\All\\Desktop\\Game.lnk", "second");
    EXPECT_EQ(DeleteFileWithCopy(context, kBackup, "C:\\All\\Desktop\\Game.lnk"), RemoveResult::Removed);

    EXPECT_FALSE(files.FileExists(std::string(kDesktop) + "Game.lnk"));
    EXPECT_EQ(store.Content(std::string(kCopies) + "\\1_Game.lnk"), link);
    EXPECT_EQ(store.Content(std::string(kCopies) + "\\1_Other.lnk"), "other");
    EXPECT_EQ(store.Content(std::string(kCopies) + "\\2_Game.lnk"), "taken");
    EXPECT_EQ(store.Content(std::string(kCopies) + "\\3_Game.lnk"), "second");
    EXPECT_EQ(store.Content(kIndex), "1_Game.lnk\tC:\\Users\\Me\\Desktop\\Game.lnk\r\n"
                                     "1_Other.lnk\tC:\\Users\\Me\\Desktop\\Other.lnk\r\n"
                                     "3_Game.lnk\tC:\\All\\Desktop\\Game.lnk\r\n");
    // Header only: the registry editor imports it as nothing, and the writer
    // appends to it as to any file of its own.
    EXPECT_EQ(store.Content(kBackup), "REGEDIT4\r\n");
    EXPECT_TRUE(ParseRegText(store.Content(kBackup), true).ok);
}

TEST_F(FileCopyTest, AnExistingBackupFileIsLeftAsItIs) {
    const std::string existing = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b\"\r\n\r\n";
    store.Put(kBackup, existing);
    PlantFile("a.lnk", "a");
    EXPECT_EQ(Delete("a.lnk"), RemoveResult::Removed);
    EXPECT_EQ(store.Content(kBackup), existing);
}

TEST_F(FileCopyTest, RegistryBackupsFollowTheHeaderMadeForACopy) {
    registry.SetDword(RootKey::CurrentUser, "Vendor\\Key", "a", 7);
    PlantFile("a.lnk", "a");
    ASSERT_EQ(Delete("a.lnk"), RemoveResult::Removed);
    EXPECT_EQ(DeleteKeyWithBackup(context, kBackup, "HKEY_CURRENT_USER", "Vendor\\Key"), RemoveResult::Removed);
    const auto parsed = ParseRegText(store.Content(kBackup), true);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.blocks.size(), 1u);
    EXPECT_EQ(parsed.blocks[0].keyPath, "HKEY_CURRENT_USER\\Vendor\\Key");
}

TEST_F(FileCopyTest, EveryFailingStepDeletesNothingAndTakesItsWritingBack) {
    const std::string earlierLine = "1_x.lnk\tC:\\x.lnk\r\n";
    const struct {
        const char* step;
        std::function<void(test::MemoryBackupStore&)> fault;
        bool earlierCopy;  // the backup file, the folder and the index are there already
    } cases[] = {
        {"original unreadable", [](auto& s) { s.faults.failWholeReadAt = 1; }, false},
        {"backup file refused", [](auto& s) { s.faults.refuseOpen = true; }, false},
        {"copy folder refused", [](auto& s) { s.refuseFolders = true; }, false},
        {"copy not created", [](auto& s) { s.faults.refuseCreate = true; }, true},
        {"header cut short", [](auto& s) { s.faults.failAppendAt = 1; }, false},
        {"header reads back changed", [](auto& s) { s.faults.flipByteAt = 3; }, false},
        {"flush fails", [](auto& s) { s.faults.failFlush = true; }, false},
        {"copy cut short", [](auto& s) { s.faults.failAppendAt = 2; }, false},
        {"copy cut short after an earlier copy", [](auto& s) { s.faults.failAppendAt = 1; }, true},
        {"copy reads back changed", [](auto& s) { s.faults.flipByteAt = 3; }, true},
        {"original changed meanwhile", [](auto& s) { s.faults.failWholeReadAt = 2; }, true},
        {"index cut short", [](auto& s) { s.faults.failAppendAt = 3; }, false},
        {"index cut short after an earlier copy", [](auto& s) { s.faults.failAppendAt = 2; }, true},
        {"index unreadable", [](auto& s) { s.faults.flipByteAt = 20; }, true},
        {"file not deleted", [](auto&) {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        test::MemoryBackupStore fresh;
        RefusingFileSystem disk;
        disk.refuseDelete = std::string(c.step) == "file not deleted";
        ASSERT_TRUE(fresh.CreateFolderTree("C:\\Backup"));
        RepairContext local{registry, disk, fresh, ui, [] { return BackupTime{}; }};
        const std::string path = std::string(kDesktop) + "a.lnk";
        disk.AddFile(path);
        fresh.Put(path, "shortcut bytes");
        if (c.earlierCopy) {
            fresh.Put(kBackup, "REGEDIT4\r\n");
            ASSERT_TRUE(fresh.CreateFolderTree(kCopies));
            fresh.Put(std::string(kCopies) + "\\1_x.lnk", "x");
            fresh.Put(kIndex, earlierLine);
        }
        c.fault(fresh);
        EXPECT_EQ(DeleteFileWithCopy(local, kBackup, path), RemoveResult::NotRemoved);
        EXPECT_TRUE(disk.FileExists(path));
        fresh.faults = {};
        EXPECT_FALSE(fresh.Exists(std::string(kCopies) + "\\1_a.lnk"));
        EXPECT_FALSE(fresh.Exists(std::string(kCopies) + "\\2_a.lnk"));
        EXPECT_EQ(fresh.Content(kIndex), c.earlierCopy ? earlierLine : "");
        EXPECT_EQ(fresh.Exists(kBackup), c.earlierCopy) << "a backup file made for this copy alone goes again";
    }
}

}  // namespace
}  // namespace ks
