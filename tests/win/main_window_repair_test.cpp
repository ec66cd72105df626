// The repair command as the main window runs it: ticked rows backed up and
// removed from the registry, the rest left, unremovable rows remembered, and
// the counts updated on the real status bar.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "settings/settings.h"
#include "ui/win/window.h"

namespace ks {
namespace {

std::string ScratchPath() { return "Software\\KeyscrubTest\\app-repair-" + std::to_string(GetCurrentProcessId()); }

std::string PanelText(HWND status, int panel) {
    char text[512] = {};
    SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
    return text;
}

bool ValueExists(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ScratchPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool exists = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

class MainWindowRepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ScratchPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        for (const char* name : {"Ticked", "Unticked"}) {
            const std::string data = "C:\\ks-missing\\gone.exe";
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
        }
        RegCloseKey(key);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string id = std::to_string(GetCurrentProcessId());
        backups_ = std::string(temp) + "ks-app-repair-" + id;
        CreateDirectoryA(backups_.c_str(), nullptr);
        settingsFile_ = std::string(temp) + "ks-app-repair-" + id + ".ini";
        DeleteFileA(settingsFile_.c_str());
        WritePrivateProfileStringA("Options", "OutputDirectory", backups_.c_str(), settingsFile_.c_str());
        WritePrivateProfileStringA("Options", "ShowHint", "0", settingsFile_.c_str());
        WritePrivateProfileStringA("Options", "RestorePoint", "0", settingsFile_.c_str());
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, ScratchPath().c_str());
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((backups_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((backups_ + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(backups_.c_str());
        DeleteFileA(settingsFile_.c_str());
        Settings = SettingsRecord{};
    }

    std::string backups_;
    std::string settingsFile_;
};

TEST_F(MainWindowRepairTest, RepairRemovesTickedRowsAndRemembersWhatStayed) {
    TfrmRegCleaner window(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    WireMainWindow(window);
    window.Show();
    window.UpdateActions();
    EXPECT_TRUE(window.MenuEnabled("miRepairRegistry"));
    EXPECT_TRUE(window.Enabled("bRepairRegistry"));

    const std::string key = "HKEY_CURRENT_USER\\" + ScratchPath();
    ProblemList& problems = window.Problems();
    problems.Append({"Invalid File or Folder", key + "\\Ticked", "C:\\ks-missing\\gone.exe", RemovalKind::DeleteValueInPath});
    problems.Append({"Invalid File or Folder", key + "\\Unticked", "C:\\ks-missing\\gone.exe", RemovalKind::DeleteValueInPath});
    problems.Append({"Invalid File or Folder", key + "\\NoSuchValue", "x", RemovalKind::DeleteValueInPath});
    problems.SetChecked(0, true);
    problems.SetChecked(2, true);

    window.Execute("aRepairRegistry");

    EXPECT_FALSE(ValueExists("Ticked"));
    EXPECT_TRUE(ValueExists("Unticked"));
    HWND list = window.Control("lvRegistryData");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(problems.Row(0).KeyPath, key + "\\Unticked");
    EXPECT_TRUE(window.Unrepaired.Contains(key + "\\NoSuchValue", "x"));
    EXPECT_FALSE(window.Unrepaired.Contains(key + "\\Ticked", "C:\\ks-missing\\gone.exe"));
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 0), " 1 problems found");
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 1), " 0 problems selected for repairing");
    EXPECT_NE(window.CurrentBackupFile.find(backups_), std::string::npos) << window.CurrentBackupFile;
    EXPECT_NE(GetFileAttributesA(window.CurrentBackupFile.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace ks
