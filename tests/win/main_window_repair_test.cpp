// The repair command as the main window runs it: ticked rows backed up and
// removed from the registry, the rest left, unremovable rows remembered, and
// the counts updated on the real status bar.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/settings.h"
#include "support/scan_harness.h"
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

void SetString(const std::string& path, const char* name, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

// The tip the list view would show for a row, asked as the control asks (LVN_GETINFOTIP).
std::string Tip(TfrmRegCleaner& window, int row, bool wide) {
    HWND list = window.Control("lvRegistryData");
    if (!wide) {
        char text[1024] = "cut row text";
        NMLVGETINFOTIPA tip{};
        tip.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), LVN_GETINFOTIPA};
        tip.pszText = text;
        tip.cchTextMax = sizeof text;
        tip.iItem = row;
        SendMessageA(window.Handle(), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
        return text;
    }
    wchar_t text[1024] = L"cut row text";
    NMLVGETINFOTIPW tip{};
    tip.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), LVN_GETINFOTIPW};
    tip.pszText = text;
    tip.cchTextMax = 1024;
    tip.iItem = row;
    SendMessageA(window.Handle(), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    char narrow[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Scanned for real, a stale reference's tip names the path looked for; a key
// row's tip counts what lies below it; and a file that appears between the
// scan and the repair keeps its row and its value.
TEST_F(MainWindowRepairTest, TipsSayWhyAndWhatGoesAndARepairLeavesWhatCameBack) {
    const std::string id = std::to_string(GetCurrentProcessId());
    const std::string gone = "C:\\ks-tip-gone-" + id + "\\tool.exe";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string backFolder = std::string(temp) + "ks-tip-back-" + id;
    const std::string back = backFolder + "\\app.exe";
    const std::string scanned = ScratchPath() + "\\Scanned";
    SetString(scanned, "Stale", "\"" + gone + "\" /min");
    SetString(scanned, "Back", back);
    // Below Tree: three keys, one of them two levels down, and four values.
    SetString(ScratchPath() + "\\Tree", "a", "1");
    SetString(ScratchPath() + "\\Tree\\One", "b", "2");
    SetString(ScratchPath() + "\\Tree\\One", "c", "3");
    SetString(ScratchPath() + "\\Tree\\One\\Deeper", "d", "4");
    HKEY two = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (ScratchPath() + "\\Tree\\Two").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &two, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(two);

    TfrmRegCleaner window(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    WireMainWindow(window);
    window.Show();
    ProblemList& problems = window.Problems();
    {
        test::EnglishTexts english;
        auto handOver = std::make_shared<ScanHandOver>();
        TScanTaskThread worker(MakeWin32Registry(), MakeWin32FileSystem(), Settings, {}, handOver);
        worker.ScanKeyTree("HKEY_CURRENT_USER", scanned, worker.ScanDrives, "", "Invalid File or Folder");
        test::RecordingView view;
        handOver->Deliver(view);
        ASSERT_EQ(view.findings.size(), 2u);
        for (const Finding& f : view.findings) problems.Append(f);
    }
    problems.Append({"Obsolete Software Key", "HKEY_CURRENT_USER\\" + ScratchPath(), "Tree", RemovalKind::DeleteSubkey,
                     {ReasonKind::EmptyKey}});
    const std::size_t stale = problems.Row(0).KeyPath.ends_with("\\Stale") ? 0 : 1;
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "wide" : "narrow");
        const std::string staleTip = Tip(window, static_cast<int>(stale), wide);
        EXPECT_NE(staleTip.find("Registry key: HKEY_CURRENT_USER\\" + scanned + "\\Stale"), std::string::npos)
            << staleTip;
        EXPECT_NE(staleTip.find("Reason: Neither a file nor a folder " + gone + " was found."), std::string::npos)
            << staleTip;
        EXPECT_NE(staleTip.find("Repair deletes: the value Stale (REG_SZ, "), std::string::npos) << staleTip;
        const std::string keyTip = Tip(window, 2, wide);
        EXPECT_NE(keyTip.find("Repair deletes: the key and everything below it: 3 keys, 4 values"), std::string::npos)
            << keyTip;
    }

    // Under Wine, whose list view never asks, the program's own tooltip shows
    // the same tip when the mouse rests on a row.
    HWND list = window.Control("lvRegistryData");
    RECT row{};
    row.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row)));
    POINT at{row.left + 4, (row.top + row.bottom) / 2};
    ClientToScreen(list, &at);
    SetForegroundWindow(window.Handle());
    SetCursorPos(at.x, at.y);
    HWND shown = nullptr;
    for (DWORD end = GetTickCount() + 10000; !shown && GetTickCount() < end;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        for (HWND tip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); tip && !shown;
             tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr))
            if (IsWindowVisible(tip) && GetAncestor(GetWindow(tip, GW_OWNER), GA_ROOT) == window.Handle()) shown = tip;
        Sleep(20);
    }
    ASSERT_NE(shown, nullptr) << "no tip over the row";
    // The 8-bit message gives 80 characters at most; the wide one all.
    wchar_t wide[1024] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = list;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = wide;
    SendMessageW(shown, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    EXPECT_NE(std::string(text).find("3 keys, 4 values"), std::string::npos) << text;

    // The file comes back after the scan; the repair leaves its row and its value.
    ASSERT_TRUE(CreateDirectoryA(backFolder.c_str(), nullptr));
    HANDLE file = CreateFileA(back.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    problems.SetChecked(0, true);
    problems.SetChecked(1, true);
    window.Execute("aRepairRegistry");
    DeleteFileA(back.c_str());
    RemoveDirectoryA(backFolder.c_str());

    ASSERT_EQ(problems.Count(), 2u);
    EXPECT_TRUE(problems.Row(0).KeyPath.ends_with("\\Back")) << problems.Row(0).KeyPath;
    EXPECT_FALSE(problems.IsChecked(0));
    EXPECT_EQ(problems.Row(0).Reason.Kind, ReasonKind::FoundAgain);
    EXPECT_NE(Tip(window, 0, false).find("Found again at repair: " + back), std::string::npos) << Tip(window, 0, false);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scanned.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Back", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "left untouched";
    EXPECT_NE(RegQueryValueExA(key, "Stale", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "repaired";
    RegCloseKey(key);
    EXPECT_FALSE(window.Unrepaired.Contains(problems.Row(0).KeyPath, problems.Row(0).Value));
}

}  // namespace
}  // namespace ks
