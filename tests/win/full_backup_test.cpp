// The full registry backup under Wine with the real registry editor: the
// file's name and the overwrite question, an export that is never left
// half-written, a missing editor, a re-import that gives the same registry,
// and both commands reachable from the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "backup_registry_dump.h"
#include "modal_click.h"
#include "recording_prompts.h"
#include "restore/win/full_backup.h"
#include "restore/win/restore_dialog.h"
#include "ui/win/common_controls.h"
#include "settings/settings.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

// The files in a folder with their sizes.
std::vector<std::pair<std::string, ULONGLONG>> FilesIn(const std::string& folder) {
    std::vector<std::pair<std::string, ULONGLONG>> files;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back({found.cFileName, (ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

class FullBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        saved_ = Settings;
        Settings.Lan = "English";
    }
    void TearDown() override { Settings = saved_; }

    test::ScratchFolder folder{"full backup"};
    test::RecordingPrompts prompts{IDNO};
    ui::ScopedPrompts scoped{prompts};

private:
    SettingsRecord saved_;
};

TEST_F(FullBackupTest, TheNameGetsItsExtensionAndAnExistingFileIsReplacedOnlyOnYes) {
    EXPECT_EQ(BackupFullRegistry(nullptr, "unused"), FullBackupOutcome::Cancelled);
    ASSERT_EQ(prompts.requests.size(), 1u);
    EXPECT_EQ(prompts.requests[0].title, "Save full registry");
    EXPECT_EQ(prompts.requests[0].filter, "Registry backup files (*.reg)|*.REG");

    for (const char* name : {"full", "full.REG"}) {
        SCOPED_TRACE(name);
        const std::string existing = folder.path() + "\\full.REG";
        ASSERT_TRUE(test::WriteWholeFile(existing, "old backup"));
        prompts.chosen = folder.path() + "\\" + name;
        prompts.messages.clear();
        prompts.styles.clear();
        EXPECT_EQ(BackupFullRegistry(nullptr, "C:\\no editor.exe"), FullBackupOutcome::Declined);
        ASSERT_EQ(prompts.messages.size(), 1u);
        // The file system matches names ignoring case: "full" + ".reg" is the existing file.
        EXPECT_EQ(prompts.messages[0], folder.path() + "\\" + (std::string(name) == "full" ? "full.reg" : name) +
                                           " has existed,overite it?");
        EXPECT_EQ(prompts.styles[0], UINT(MB_YESNO | MB_DEFBUTTON2 | MB_ICONINFORMATION));
        EXPECT_EQ(test::ReadWholeFile(existing), "old backup");
        EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
    }
}

TEST_F(FullBackupTest, AnEditorThatIsMissingOrWritesNothingLeavesNoFile) {
    // A system program that ends at once and writes no file stands in for an
    // editor whose export failed.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string quick = std::string(system) + "\\hostname.exe";
    struct Case {
        std::string editor;
        FullBackupOutcome outcome;
        const char* message;
    } const cases[] = {
        {folder.path() + "\\no regedit.exe", FullBackupOutcome::Stopped, "Please check if Regedit.exe exists."},
        {quick, FullBackupOutcome::Failed, "The registry editor did not write the backup file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editor);
        prompts.chosen = folder.path() + "\\full.reg";
        prompts.messages.clear();
        EXPECT_EQ(BackupFullRegistry(nullptr, c.editor), c.outcome);
        EXPECT_EQ(prompts.messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(FilesIn(folder.path()).empty());
    }
}

TEST_F(FullBackupTest, StopDuringTheExportLeavesNoFile) {
    prompts.chosen = folder.path() + "\\stopped";
    bool sawPartial = false;
    test::ClickWhenReady stop("TfrmBackupHint", "Stop", [&] {
        for (const auto& [name, size] : FilesIn(folder.path())) sawPartial = sawPartial || size > 0;
        return sawPartial;
    });
    EXPECT_EQ(miBackupFullRegistryClick(nullptr), FullBackupOutcome::Stopped);
    EXPECT_TRUE(stop.clicked()) << "the export ended before it could be stopped";
    EXPECT_TRUE(sawPartial);
    EXPECT_EQ(FilesIn(folder.path()), (std::vector<std::pair<std::string, ULONGLONG>>{}));
}

// The whole registry is exported into the backup folder and restored from
// the restore dialog, which proves every key and value of it afterwards; what
// is compared here besides is a scratch branch planted for the test
// (comparing every key of the prefix would measure Wine's volatile keys more
// than the backup).
TEST_F(FullBackupTest, AFullBackupSavedInTheBackupFolderIsRestoredAndProven) {
    test::ScratchKey scratch("full backup");
    const std::wstring base = scratch.wpath();
    Plant(HKEY_CURRENT_USER, base + L"\\A", L"s", REG_SZ, Utf16(L"text \"quoted\" C:\\dir\\"));
    Plant(HKEY_CURRENT_USER, base + L"\\A", L"", REG_EXPAND_SZ, Utf16(L"%TEMP%\\x"));
    Plant(HKEY_CURRENT_USER, base + L"\\A", L"m", REG_MULTI_SZ, Utf16(std::wstring(L"one\0two\0", 8)));
    Plant(HKEY_CURRENT_USER, base + L"\\A\\B", L"d", REG_DWORD, test::Bytes{0xEF, 0xBE, 0xAD, 0xDE});
    Plant(HKEY_CURRENT_USER, base + L"\\A\\B", L"bin", REG_BINARY, test::Pattern(100));
    Plant(HKEY_CURRENT_USER, base + L"\\A\\B", L"q", REG_QWORD, test::Pattern(8));
    Plant(HKEY_CURRENT_USER, base + L"\\A\\\u65E5\u672C", L"\u00E9", REG_SZ, Utf16(L"\u20AC"));
    test::PlantKey(HKEY_CURRENT_USER, base + L"\\Empty");
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);

    ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\full.reg", "an older backup"));
    prompts.chosen = folder.path() + "\\full";
    prompts.answer = IDYES;
    EXPECT_EQ(miBackupFullRegistryClick(nullptr), FullBackupOutcome::Written);
    EXPECT_EQ(prompts.messages.size(), 1u) << "the overwrite question";
    const auto files = FilesIn(folder.path());
    ASSERT_EQ(files.size(), 1u) << "the temporary file was renamed, nothing else left";
    EXPECT_EQ(files[0].first, "full.reg");
    EXPECT_GT(files[0].second, 100000u);

    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, (scratch.path() + "\\A").c_str()), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, (scratch.path() + "\\Empty").c_str()), ERROR_SUCCESS);
    Settings.OutputDirectory = folder.path();
    Settings.DeleteBackupFile = false;
    TfrmRestore dialog;
    dialog.Show(SW_SHOWNOACTIVATE);
    ASSERT_EQ(ui::RowCount(dialog.Control("ListView1")), 1);
    ui::SelectRow(dialog.Control("ListView1"), 0);
    prompts.messages.clear();
    dialog.aRestoreExecute();
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
}

// An export that stops short (a full disk) or leaves out a root must not
// replace the earlier backup; the user is told why. A stand-in for the editor
// writes what such an export leaves.
TEST_F(FullBackupTest, AnExportCutShortOrLackingARootKeepsTheEarlierFile) {
    const auto wide = [](const std::string& ascii) {
        std::string out = "\xFF\xFE";
        for (char c : ascii) out += {c, '\0'};
        return out;
    };
    char first[256] = {};
    ASSERT_EQ(RegEnumKeyA(HKEY_LOCAL_MACHINE, 0, first, sizeof first), ERROR_SUCCESS);
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n";
    struct Case {
        const char* what;
        std::string export_;
        std::string why;
    } const cases[] = {
        {"cut inside a line", wide(header + "\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"a\"=\"b"), "Its last line is cut off."},
        {"the keys of a root missing", wide(header), "It lacks this key: HKEY_LOCAL_MACHINE\\" + std::string(first)},
    };
    char editor[MAX_PATH] = {};
    GetFullPathNameA("fake_editor.exe", MAX_PATH, editor, nullptr);
    const std::string source = folder.path() + "\\export.bin";
    const std::string target = folder.path() + "\\full.reg";
    SetEnvironmentVariableA("KS_FAKE_EXPORT", source.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(test::WriteWholeFile(source, c.export_));
        ASSERT_TRUE(test::WriteWholeFile(target, "the earlier backup"));
        prompts.chosen = target;
        prompts.answer = IDYES;
        prompts.messages.clear();
        EXPECT_EQ(BackupFullRegistry(nullptr, editor), FullBackupOutcome::Failed);
        ASSERT_EQ(prompts.messages.size(), 2u) << "the overwrite question, then why";
        EXPECT_EQ(prompts.messages[1], "The registry editor did not export the whole registry, so the file was not "
                                       "written; an earlier file of that name is kept.\n\n" + c.why);
        EXPECT_EQ(test::ReadWholeFile(target), "the earlier backup");
        EXPECT_EQ(FilesIn(folder.path()).size(), 2u) << "no temporary file left";
    }
    SetEnvironmentVariableA("KS_FAKE_EXPORT", nullptr);
}

TEST_F(FullBackupTest, BothCommandsAreBoundInTheMainWindow) {
    const std::string settingsFile = folder.path() + "\\options.ini";
    TfrmRegCleaner window(MainWindowOptions{settingsFile, "keyscrub.exe"});
    window.Create();
    EXPECT_FALSE(window.MenuEnabled("miRestoreRegistry"));
    WireMainWindow(window);
    window.UpdateActions();
    for (const char* entry : {"miRestoreRegistry", "miBackupFullRegistry"}) EXPECT_TRUE(window.MenuEnabled(entry));
    EXPECT_TRUE(window.Enabled("bRestoreRegistry"));

    Settings.Lan = "English";
    window.Execute("aBackupFullRegistry");  // cancelled in the save dialog
    EXPECT_EQ(prompts.requests.size(), 1u);

    Settings.OutputDirectory = folder.path();
    test::ClickWhenReady close("TfrmRestore", "&Close", nullptr);
    window.Execute("aRestoreRegistry");
    EXPECT_TRUE(close.clicked());
}

}  // namespace
}  // namespace ks
