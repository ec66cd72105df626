// A real scan from the main window: stale and valid references planted in a
// scratch key, only the deep section of the current user ticked, the scan
// command run under the real progress dialog, and the rows, ticks and counts
// read back from the real list view and status bar.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/scan_tree.h"
#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "control_probes.h"
#include "settings/settings.h"
#include "ui/win/common_controls.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using test::PanelText;
using ui::RowChecked;
using ui::RowText;

std::string ScratchPath() { return "Software\\KeyscrubTest\\app-" + std::to_string(GetCurrentProcessId()); }

void SetString(HKEY key, const char* name, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS);
}

// Presses a node's box the way the mouse does.
void PressBox(TfrmRegCleaner& window, int imageIndex) {
    HWND tree = window.Control("tvRegistry");
    const HTREEITEM item = window.TreeNodes("tvRegistry").at(ScanTree::NodeOfImage(imageIndex));
    POINT at{};
    ASSERT_TRUE(test::TreeItemPartPoint(tree, item, TVHT_ONITEMSTATEICON, at)) << "no box for node " << imageIndex;
    test::PressAt(tree, at);
}

class MainWindowScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ScratchPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &scratch_, nullptr),
                  ERROR_SUCCESS);
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        existing_ = exe;
        missing_ = "C:\\ks-app-missing-" + std::to_string(GetCurrentProcessId()) + "\\gone.exe";
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        settingsFile_ = std::string(folder) + "ks-app-scan-" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA(settingsFile_.c_str());
    }
    void TearDown() override {
        if (scratch_) RegCloseKey(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, ScratchPath().c_str());
        DeleteFileA(settingsFile_.c_str());
        Settings = SettingsRecord{};
    }

    HKEY scratch_ = nullptr;
    std::string existing_;
    std::string missing_;
    std::string settingsFile_;
};

TEST_F(MainWindowScanTest, DeepScanOfTheCurrentUserFillsTheListAndTheCounts) {
    SetString(scratch_, "StaleProgram", missing_);
    SetString(scratch_, "ValidProgram", existing_);
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch_, "Nested", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    SetString(sub, "AlsoStale", "\"" + missing_ + "\" /run");
    SetString(sub, "AlsoValid", existing_);
    RegCloseKey(sub);

    TfrmRegCleaner window(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    WireMainWindow(window);
    window.Show();
    PressBox(window, 1);  // everything off
    PressBox(window, 4);  // the current user's files and folders only
    window.TaskIdList.emplace();
    window.WalkTree(0, WalkMode::Collect);
    ASSERT_EQ(*window.TaskIdList, (std::vector<std::string>{"1", "2", "4"}));

    window.Execute("aScanRegistry");

    HWND list = window.Control("lvRegistryData");
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_EQ(static_cast<std::size_t>(rows), window.Problems().Count());
    const std::string scratchKey = "HKEY_CURRENT_USER\\" + ScratchPath();
    std::vector<std::string> ours;
    for (int row = 0; row < rows; ++row) {
        EXPECT_TRUE(RowChecked(list, row)) << row;
        const std::string keyPath = RowText(list, row, 1);
        if (keyPath.rfind(scratchKey, 0) != 0) continue;
        ours.push_back(keyPath);
        EXPECT_EQ(RowText(list, row, 0), "Invalid File or Folder");
        EXPECT_NE(RowText(list, row, 2).find("gone.exe"), std::string::npos) << keyPath;
    }
    EXPECT_EQ(ours, (std::vector<std::string>{scratchKey + "\\StaleProgram", scratchKey + "\\Nested\\AlsoStale"}));
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 0), " " + std::to_string(rows) + " problems found");
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 1),
              " " + std::to_string(rows) + " problems selected for repairing");

    // The next scan of the same run no longer offers what a repair left behind.
    window.Unrepaired.Add(scratchKey + "\\StaleProgram", missing_);
    window.Execute("aScanRegistry");
    const int after = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> left;
    for (int row = 0; row < after; ++row)
        if (RowText(list, row, 1).rfind(scratchKey, 0) == 0) left.push_back(RowText(list, row, 1));
    EXPECT_EQ(left, (std::vector<std::string>{scratchKey + "\\Nested\\AlsoStale"}));
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 0), " " + std::to_string(after) + " problems found");
}

}  // namespace
}  // namespace ks
