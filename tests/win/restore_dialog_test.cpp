// The restore dialog under Wine with the real registry editor: the list, the
// selection and deletion rules, a repair's backup restored exactly, files that
// are refused or that do not take, the program's own registry view, and the
// shortcut copies kept beside a backup.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "modal_click.h"
#include "restore/win/registry_editor_path.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "restore/win/restore_dialog.h"
#include "restore/win/restore_files_win.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/settings.h"
#include "support/quiet_repair_ui.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

// Answers message boxes with OK and the folder picker with a chosen folder,
// and remembers every message.
class RestorePrompts : public ui::Prompts {
public:
    int ShowMessage(HWND, const std::string& text, UINT) override {
        messages.push_back(text);
        return IDOK;
    }
    std::optional<std::string> SaveFile(HWND, const ui::SaveFileRequest&) override {
        ADD_FAILURE() << "no file dialog expected";
        return std::nullopt;
    }
    std::optional<std::string> PickFolder(HWND, const std::string& title, const std::wstring&) override {
        titles.push_back(title);
        return folder;
    }
    void OpenAddress(HWND, const std::string&) override {}

    std::vector<std::string> messages;
    std::vector<std::string> titles;
    std::optional<std::string> folder;
};

class RestoreDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        saved_ = Settings;
        Settings.Lan = "English";
        Settings.OutputDirectory = folder.path();
        Settings.DeleteBackupFile = true;
    }
    void TearDown() override { Settings = saved_; }

    // The dialog shown (not modally) over the backup folder, its handlers run
    // by the test.
    std::unique_ptr<TfrmRestore> Open() {
        auto dialog = std::make_unique<TfrmRestore>();
        dialog->Show(SW_SHOWNOACTIVATE);
        return dialog;
    }
    static std::vector<std::string> Rows(TfrmRestore& dialog, int column = 0) {
        std::vector<std::string> rows;
        HWND list = dialog.Control("ListView1");
        for (int row = 0; row < ui::RowCount(list); ++row) rows.push_back(ui::RowText(list, row, column));
        return rows;
    }
    // Selects the row with that file name and restores it.
    static void Restore(TfrmRestore& dialog, const std::string& name) {
        const std::vector<std::string> rows = Rows(dialog);
        const auto at = std::find(rows.begin(), rows.end(), name);
        ASSERT_NE(at, rows.end()) << name;
        ui::SelectRow(dialog.Control("ListView1"), static_cast<int>(at - rows.begin()));
        dialog.aRestoreExecute();
    }
    std::string File(const std::string& name) const { return folder.path() + "\\" + name; }

    test::ScratchKey scratch{"restore"};
    test::ScratchFolder folder{"restore"};
    RestorePrompts prompts;
    ui::ScopedPrompts scoped{prompts};

private:
    SettingsRecord saved_;
};

bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
    SYSTEMTIME local{year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime{}, utc{};
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
}

TEST_F(RestoreDialogTest, ListsBackupFilesNewestFirstWithDatesAndSizes) {
    ASSERT_TRUE(test::WriteWholeFile(File("a.REG"), std::string(1025, 'x')));
    ASSERT_TRUE(test::WriteWholeFile(File("b.reg"), ""));
    ASSERT_TRUE(test::WriteWholeFile(File("Backup20131207014509.reg"), std::string(2048, 'x')));
    ASSERT_TRUE(test::WriteWholeFile(File("c.txt"), "x"));
    CreateDirectoryA(File("d.reg").c_str(), nullptr);
    SetLocalWriteTime(File("a.REG"), 2013, 12, 7, 0, 0, 1);  // midnight at DOS resolution
    SetLocalWriteTime(File("b.reg"), 2013, 12, 7, 13, 45, 9);

    const auto dialog = Open();
    EXPECT_EQ(Rows(*dialog), (std::vector<std::string>{"Backup20131207014509.reg", "b.reg", "a.REG"}));
    EXPECT_EQ(Rows(*dialog, 2), (std::vector<std::string>{"2 KB", "0 KB", "2 KB"}));
    const BackupTime midnight{2013, 12, 7, 0, 0, 0};
    const BackupTime afternoon{2013, 12, 7, 13, 45, 8};
    EXPECT_EQ(Rows(*dialog, 1)[2], ShortDateText(midnight));
    EXPECT_EQ(Rows(*dialog, 1)[1], ShortDateText(afternoon) + " " + LongTimeText(afternoon));
    EXPECT_NE(LongTimeText(afternoon).find("45:08"), std::string::npos) << LongTimeText(afternoon);
    EXPECT_EQ(dialog->Text("eFolder"), folder.path());
    EXPECT_EQ(dialog->Caption(), "Quarlo Keyscrub");
    EXPECT_TRUE(prompts.messages.empty());

    // The buttons spread evenly between Restore and Close.
    const RECT restore = dialog->Bounds("bRestore");
    const RECT open = dialog->Bounds("bOpenDirectory");
    const RECT remove = dialog->Bounds("bDelete");
    const RECT close = dialog->Bounds("bClose");
    EXPECT_GE(open.right - open.left, dialog->TextWidth("&Open Directory") + 5);
    const int gap = open.left - restore.right;
    EXPECT_EQ(remove.left - open.right, gap);
    EXPECT_LE(close.left - remove.right - gap, 2);
}

TEST_F(RestoreDialogTest, DeletingMovesTheSelectionAndTheActionsFollowIt) {
    for (const char* name : {"1.reg", "2.reg", "3.reg"}) ASSERT_TRUE(test::WriteWholeFile(File(name), "REGEDIT4\r\n"));
    const auto dialog = Open();
    HWND list = dialog->Control("ListView1");
    dialog->UpdateActions();
    EXPECT_FALSE(dialog->Enabled("bRestore"));
    EXPECT_FALSE(dialog->Enabled("bDelete"));
    dialog->aDeleteExecute();  // nothing selected: nothing happens
    EXPECT_EQ(Rows(*dialog).size(), 3u);

    struct Step {
        int select;
        std::vector<std::string> left;
        int selectedAfter;
    } const steps[] = {
        {0, {"2.reg", "1.reg"}, 0},  // the row now at the same place
        {1, {"2.reg"}, 0},           // the last row: the new last one
        {0, {}, -1},                 // the only row: nothing
    };
    for (const auto& step : steps) {
        ui::SelectRow(list, step.select);
        dialog->UpdateActions();
        EXPECT_TRUE(dialog->Enabled("bRestore"));
        EXPECT_TRUE(dialog->Enabled("bDelete"));
        const std::string name = ui::RowText(list, step.select);
        dialog->aDeleteExecute();
        EXPECT_FALSE(test::PathExists(File(name))) << name;
        EXPECT_EQ(Rows(*dialog), step.left);
        EXPECT_EQ(ui::SelectedRow(list), step.selectedAfter);
    }
    EXPECT_FALSE(dialog->Enabled("bRestore"));
    EXPECT_FALSE(dialog->Enabled("bDelete"));
}

TEST_F(RestoreDialogTest, AMissingFolderIsSaidAndBrowsingListsAnotherWithoutChangingTheSetting) {
    Settings.OutputDirectory = folder.path() + "\\not there";
    const auto dialog = Open();
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"The backup directory does not exist."});
    EXPECT_TRUE(Rows(*dialog).empty());

    test::ScratchFolder other("restore other");
    ASSERT_TRUE(test::WriteWholeFile(other.path() + "\\x.reg", "REGEDIT4\r\n"));
    dialog->bBrowseFolderClick();  // cancelled: nothing changes
    EXPECT_EQ(dialog->Text("eFolder"), Settings.OutputDirectory);
    prompts.folder = other.path();
    dialog->bBrowseFolderClick();
    EXPECT_EQ(prompts.titles.back(), "Please select the directory to add");
    EXPECT_EQ(dialog->Text("eFolder"), other.path());
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"x.reg"});
    EXPECT_EQ(Settings.OutputDirectory, folder.path() + "\\not there");
}

TEST_F(RestoreDialogTest, ARepairsBackupComesBackExactlyAndGoesOnlyWhenAskedTo) {
    const std::wstring base = scratch.wpath();
    Plant(HKEY_CURRENT_USER, base + L"\\Key", L"s", REG_SZ, Utf16(L"line1\r\nline2"));
    Plant(HKEY_CURRENT_USER, base + L"\\Key", L"", REG_EXPAND_SZ, Utf16(L"%TEMP%\\x"));
    Plant(HKEY_CURRENT_USER, base + L"\\Key\\Sub", L"b", REG_BINARY, test::Pattern(51));
    Plant(HKEY_CURRENT_USER, base + L"\\Values", L"m", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0", 4)));
    Plant(HKEY_CURRENT_USER, base + L"\\Values", L"keep", REG_DWORD, test::Bytes{1, 0, 0, 0});
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);

    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32FileSystem();
    const auto store = MakeWin32BackupStore();
    const auto fidelity = MakeWin32TextFidelity();
    test::QuietRepairUi ui;
    RepairContext context{*registry, *files, *store, ui, [] { return BackupTime{2014, 2, 3, 4, 5, 6}; },
                          SystemLeadBytes(), fidelity.get()};
    RepairOptions options;
    options.OutputDirectory = folder.path();
    ProblemListModel list;
    list.Append({"p", scratch.full() + "\\Key", "", RemovalKind::DeleteKey});
    list.Append({"p", scratch.full() + "\\Values", "m", RemovalKind::DeleteNamedValue});
    for (std::size_t i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
    UnrepairedFindings unrepaired;
    std::string backupFile;
    ASSERT_TRUE(RepairFindings(list, unrepaired, context, options, backupFile).finished);
    ASSERT_NE(test::Dump(HKEY_CURRENT_USER, base), before);
    const std::string name = "Backup20140203040506.reg";
    ASSERT_EQ(backupFile, File(name));

    // Kept when the setting says so, whatever the outcome.
    Settings.DeleteBackupFile = false;
    const auto dialog = Open();
    Restore(*dialog, name);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_TRUE(test::PathExists(backupFile));
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{name});

    // Deleted with its row once everything came back.
    Settings.DeleteBackupFile = true;
    Restore(*dialog, name);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_FALSE(test::PathExists(backupFile));
    EXPECT_TRUE(Rows(*dialog).empty());
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
}

// Files of the editor's own making or edited by hand are listed like any
// backup, and restore and prove the same way: the editor's UTF-16 export
// (names outside the code page included) with deletion lines added, and an
// 8-bit file with LF line ends.
TEST_F(RestoreDialogTest, TheEditorsOwnFilesAndHandEditedOnesComeBackWithTheirDeletions) {
    const std::wstring base = scratch.wpath();
    Plant(HKEY_CURRENT_USER, base + L"\\Keep", L"s", REG_SZ, Utf16(L"text \"q\" C:\\dir\\"));
    Plant(HKEY_CURRENT_USER, base + L"\\Keep", L"", REG_EXPAND_SZ, Utf16(L"%TEMP%\\x"));
    Plant(HKEY_CURRENT_USER, base + L"\\Keep", L"m", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0", 4)));
    Plant(HKEY_CURRENT_USER, base + L"\\Keep", L"b", REG_BINARY, test::Pattern(60));
    Plant(HKEY_CURRENT_USER, base + L"\\Keep\\\U0001F30E \u65E5\u672C", L"\u00E9t\u00E9 \u20AC", REG_SZ,
          Utf16(L"\u65E5\u672C"));
    Plant(HKEY_CURRENT_USER, base + L"\\Hand", L"keep", REG_DWORD, test::Bytes{7, 0, 0, 0});
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);

    // The editor exports the branch in its own form: UTF-16, "Version 5.00".
    const std::string exported = File("editor.reg");
    {
        test::ChildProcess regedit(nullptr, "\"" + RegistryEditorPath() + "\" /e \"" + exported + "\" \"" +
                                                scratch.full() + "\\Keep\"", SW_HIDE);
        ASSERT_TRUE(regedit.started()) << regedit.failure();
        ASSERT_TRUE(regedit.Ended(180000));
    }
    std::string text = test::ReadWholeFile(exported);
    ASSERT_TRUE(text.starts_with("\xFF\xFE")) << "a UTF-16 export";
    const auto wide = [](const std::string& ascii) {
        std::string out;
        for (char c : ascii) out += {c, '\0'};
        return out;
    };
    text += wide("[-" + scratch.full() + "\\Extra]\r\n\r\n[" + scratch.full() + "\\Keep]\r\n\"stale\"=-\r\n\r\n");
    ASSERT_TRUE(test::WriteWholeFile(exported, text));
    ASSERT_TRUE(test::WriteWholeFile(File("edited.reg"), "REGEDIT4\n\n[" + scratch.full() +
                                                            "\\Hand]\n\"keep\"=dword:00000007\n\"gone\"=-\n"));

    // What the files undo: values deleted, a key and values added.
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, (scratch.path() + "\\Keep").c_str()), ERROR_SUCCESS);
    Plant(HKEY_CURRENT_USER, base + L"\\Keep", L"stale", REG_SZ, Utf16(L"x"));
    Plant(HKEY_CURRENT_USER, base + L"\\Extra\\Below", L"x", REG_SZ, Utf16(L"x"));
    Plant(HKEY_CURRENT_USER, base + L"\\Hand", L"keep", REG_DWORD, test::Bytes{8, 0, 0, 0});
    Plant(HKEY_CURRENT_USER, base + L"\\Hand", L"gone", REG_SZ, Utf16(L"x"));

    const auto dialog = Open();
    EXPECT_EQ(Rows(*dialog), (std::vector<std::string>{"editor.reg", "edited.reg"}));
    for (const char* name : {"editor.reg", "edited.reg"}) {
        SCOPED_TRACE(name);
        Restore(*dialog, name);
        EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
        EXPECT_FALSE(test::PathExists(File(name))) << "restored whole, so deleted as the setting says";
    }
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
}

TEST_F(RestoreDialogTest, IncompleteFilesAreRefusedAndKept) {
    const std::string block = "\r\n[" + scratch.full() + "\\Cut]\r\n\"v\"=\"x\"\r\n\"b\"=hex:01,02,\\\r\n  03\r\n";
    struct Case {
        const char* name;
        std::string text;
        const char* why;
    } const cases[] = {
        {"cut.reg", "REGEDIT4\r\n" + block.substr(0, block.size() - 3), "Its last line is cut off."},
        {"headerless.reg", block, "It does not begin with the line REGEDIT4 or Windows Registry Editor Version 5.00."},
        {"continued.reg", "REGEDIT4\r\n" + block.substr(0, block.size() - 6),
         "Its last line goes on in a line that is missing."},
    };
    for (const auto& c : cases) ASSERT_TRUE(test::WriteWholeFile(File(c.name), c.text));
    const auto dialog = Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        Restore(*dialog, c.name);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], std::string(c.name) +
                                           " is not a complete backup file. Nothing was restored, and the file is "
                                           "kept.\n\n" + c.why);
        EXPECT_EQ(test::ReadWholeFile(File(c.name)), c.text);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch.path() + "\\Cut")) << "the editor ran";
    }
    EXPECT_EQ(Rows(*dialog).size(), 3u);
}

TEST_F(RestoreDialogTest, StopDuringARestoreKeepsTheFile) {
    std::string text = "REGEDIT4\r\n\r\n[" + scratch.full() + "\\Many]\r\n";
    for (int i = 0; i < 20000; ++i) text += "\"value " + std::to_string(i) + "\"=\"some text to import\"\r\n";
    ASSERT_TRUE(test::WriteWholeFile(File("long.reg"), text));
    const auto dialog = Open();
    test::ClickWhenReady stop("TfrmBackupHint", "Stop", nullptr);
    Restore(*dialog, "long.reg");
    EXPECT_TRUE(stop.clicked()) << "the import ended before it could be stopped";
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_EQ(test::ReadWholeFile(File("long.reg")), text);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"long.reg"});
}

TEST_F(RestoreDialogTest, AnImportThatDoesNotTakeKeepsTheFileAndSaysWhat) {
    // Below a volatile key only volatile keys can be made, and the editor
    // makes ordinary ones: the block under it cannot be written.
    HKEY volatileKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (scratch.path() + "\\Volatile").c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatileKey);
    const std::string text = "REGEDIT4\r\n\r\n[" + scratch.full() + "\\Fine]\r\n\"v\"=\"x\"\r\n\r\n[" +
                             scratch.full() + "\\Volatile\\Child]\r\n\"a\"=dword:00000001\r\n\"b\"=\"y\"\r\n";
    ASSERT_TRUE(test::WriteWholeFile(File("nottaken.reg"), text));
    const auto dialog = Open();
    Restore(*dialog, "nottaken.reg");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, scratch.path() + "\\Fine")) << "the editor ran";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch.path() + "\\Volatile\\Child"));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "nottaken.reg\n\n3 items of the backup did not come back, so the file is kept:\n" +
                                       scratch.full() + "\\Volatile\\Child");
    EXPECT_EQ(test::ReadWholeFile(File("nottaken.reg")), text);
    EXPECT_EQ(Rows(*dialog), std::vector<std::string>{"nottaken.reg"});
}

TEST_F(RestoreDialogTest, AMachineSoftwareKeyComesBackInTheProgramsOwnView) {
    const std::string path = "Software\\KeyscrubTest\\view-" + std::to_string(GetCurrentProcessId());
#ifdef _WIN64
    const REGSAM own = KEY_WOW64_64KEY, other = KEY_WOW64_32KEY;
#else
    const REGSAM own = KEY_WOW64_32KEY, other = KEY_WOW64_64KEY;
#endif
    const auto cleanUp = [&] {
        for (REGSAM view : {own, other}) {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\KeyscrubTest", view, 0);  // only when empty
        }
    };
    cleanUp();
    ASSERT_TRUE(test::WriteWholeFile(File("machine.reg"), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + path +
                                                              "]\r\n\"v\"=\"x\"\r\n"));
    const auto dialog = Open();
    Restore(*dialog, "machine.reg");
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, path, own));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, other));
    EXPECT_FALSE(test::PathExists(File("machine.reg")));
    cleanUp();
}

TEST_F(RestoreDialogTest, ShortcutCopiesComeBackWhereNothingIsAndGoWithTheirBackup) {
    test::ScratchFolder desktop("restore desktop");
    const std::string copies = File("Backup1");
    ASSERT_TRUE(CreateDirectoryA(copies.c_str(), nullptr));
    const std::string lnk = "L\0\0\0\x01\x14\x02\0 shortcut bytes";
    ASSERT_TRUE(test::WriteWholeFile(copies + "\\1_App.lnk", lnk));
    ASSERT_TRUE(test::WriteWholeFile(copies + "\\2_Taken.lnk", lnk + "2"));
    ASSERT_TRUE(test::WriteWholeFile(copies + "\\index.txt", "1_App.lnk\t" + desktop.path() + "\\App.lnk\r\n" +
                                                                 "2_Taken.lnk\t" + desktop.path() + "\\Taken.lnk\r\n"));
    ASSERT_TRUE(test::WriteWholeFile(desktop.path() + "\\Taken.lnk", "someone else's"));
    ASSERT_TRUE(test::WriteWholeFile(File("Backup1.reg"), "REGEDIT4\r\n"));

    const auto dialog = Open();
    Restore(*dialog, "Backup1.reg");
    EXPECT_EQ(test::ReadWholeFile(desktop.path() + "\\App.lnk"), lnk);
    EXPECT_EQ(test::ReadWholeFile(desktop.path() + "\\Taken.lnk"), "someone else's");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Backup1.reg\n\n1 items of the backup did not come back, so the file is kept:\n" +
                                       desktop.path() + "\\Taken.lnk (another file is already there)");
    EXPECT_TRUE(test::PathExists(File("Backup1.reg")));

    // Once the path is free the restore completes, and the backup goes with
    // its copies.
    DeleteFileA((desktop.path() + "\\Taken.lnk").c_str());
    prompts.messages.clear();
    Restore(*dialog, "Backup1.reg");
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_EQ(test::ReadWholeFile(desktop.path() + "\\Taken.lnk"), lnk + "2");
    EXPECT_FALSE(test::PathExists(File("Backup1.reg")));
    EXPECT_FALSE(test::PathExists(copies));
    EXPECT_TRUE(test::PathExists(desktop.path() + "\\App.lnk"));
}

}  // namespace
}  // namespace ks
