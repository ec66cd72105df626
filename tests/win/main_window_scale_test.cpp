// Twenty thousand rows in the real main window: the owner-data list shows
// them, the boxes tick by mouse, space bar and message, the selection commands,
// the filter and the repair keep the right rows in the right order.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "control_probes.h"
#include "test_files.h"
#include "settings/settings.h"
#include "ui/win/common_controls.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using test::PanelText;
using ui::RowChecked;
using ui::RowText;

constexpr int kRows = 20000;

std::string Scratch() { return "Software\\KeyscrubTest\\scale-" + std::to_string(GetCurrentProcessId()); }

std::string Temp(const std::string& name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name + std::to_string(GetCurrentProcessId());
}

// Every 10th row is a font problem; rows 100..4999 lie under an ignored key;
// every 500th row names a real value of the scratch key, the rest keys that
// do not exist.
Finding RowFor(int n) {
    const std::string problem = n % 10 == 3 ? "Fonts Issue" : "Invalid File or Folder";
    if (n % 500 == 7)
        return {problem, "HKEY_CURRENT_USER\\" + Scratch() + "\\Real" + std::to_string(n), "C:\\gone.exe",
                RemovalKind::DeleteValueInPath};
    const std::string parent = (n >= 100 && n < 5000) ? "Ignored" : "Kept";
    return {problem, "HKEY_CURRENT_USER\\Software\\KeyscrubTest\\" + parent + "\\Row" + std::to_string(n),
            "C:\\gone" + std::to_string(n) + ".exe", RemovalKind::DeleteKey};
}

int RowNumber(const Finding& row) {
    const std::size_t at = row.KeyPath.find_last_not_of("0123456789");
    return std::stoi(row.KeyPath.substr(at + 1));
}

// Makes the row the only selected one (state 0: nothing selected).
void Select(HWND list, int row, UINT state) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

class MainWindowScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        settingsFile_ = Temp("ks-scale-") + ".ini";
        backups_ = Temp("ks-scale-backups-");
        CreateDirectoryA(backups_.c_str(), nullptr);
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, Scratch().c_str());
        test::RemoveFolderTree(backups_);
        DeleteFileA(settingsFile_.c_str());
        Settings = SettingsRecord{};
    }

    std::string settingsFile_;
    std::string backups_;
};

TEST_F(MainWindowScaleTest, TwentyThousandRowsTickFilterAndRepair) {
    for (int n = 7; n < kRows; n += 500) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Scratch().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const std::string data = "C:\\gone.exe";
        RegSetValueExA(key, ("Real" + std::to_string(n)).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
    }
    TfrmRegCleaner window(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    WireMainWindow(window);
    window.Show();
    HWND list = window.Control("lvRegistryData");
    HWND status = window.Control("StatusBar1");
    ProblemList& problems = window.Problems();
    for (int n = 0; n < kRows; ++n) problems.Append(RowFor(n));
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), kRows);
    EXPECT_EQ(RowText(list, 12345, 1), RowFor(12345).KeyPath);
    EXPECT_EQ(RowText(list, kRows - 1, 2), RowFor(kRows - 1).Value);

    window.Execute("aSelectAll");
    EXPECT_EQ(PanelText(status, 1), " 20000 problems selected for repairing");
    EXPECT_TRUE(RowChecked(list, kRows - 1));

    // The mouse on a box, the space bar on the focused row, a message to the control.
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&bounds)));
    LVHITTESTINFO hit{};
    for (hit.pt = {bounds.left, (bounds.top + bounds.bottom) / 2}; hit.pt.x < bounds.right; ++hit.pt.x) {
        SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.flags & LVHT_ONITEMSTATEICON) break;
    }
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    test::PressAt(list, hit.pt);
    EXPECT_FALSE(RowChecked(list, 0));
    Select(list, 1, LVIS_FOCUSED | LVIS_SELECTED);
    SetFocus(list);
    SendMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(list, WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(RowChecked(list, 1));
    ui::SetRowChecked(list, 19507, false);  // a real value, left unticked
    EXPECT_FALSE(RowChecked(list, 19507));
    EXPECT_EQ(PanelText(status, 1), " 19997 problems selected for repairing");
    test::PressAt(list, hit.pt);
    EXPECT_TRUE(RowChecked(list, 0));
    EXPECT_EQ(PanelText(status, 1), " 19998 problems selected for repairing");

    // Row 3 is a font problem: the of-type command clears every one of them.
    Select(list, 3, LVIS_FOCUSED | LVIS_SELECTED);
    window.Execute("aSelectNoneType");
    for (int n : {3, 13, 19993}) EXPECT_FALSE(RowChecked(list, n)) << n;
    EXPECT_TRUE(RowChecked(list, 4));
    EXPECT_EQ(PanelText(status, 1), " 17998 problems selected for repairing");

    // The filter takes the ignored rows out and keeps the order of the rest.
    Settings.IgnoreKeys = {"HKEY_CURRENT_USER\\Software\\KeyscrubTest\\Ignored"};
    Settings.IgnoreKeyCount = 1;
    window.FilterFindings();
    const int ignored = 4900 - 9;  // rows 100..4999 but the nine real values among them
    ASSERT_EQ(problems.Count(), static_cast<std::size_t>(kRows - ignored));
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), kRows - ignored);
    for (std::size_t i = 1; i < problems.Count(); ++i)
        ASSERT_LT(RowNumber(problems.Row(i - 1)), RowNumber(problems.Row(i))) << i;

    // The repair takes every ticked row out of the list: the real values it
    // deleted, the rest into the run's unrepaired findings. The unticked rows
    // stay in their order, and the selected one stays selected.
    Settings.OutputDirectory = backups_;
    Settings.ShowHint = false;
    Settings.RestorePoint = false;
    Settings.Beep = false;
    std::vector<int> unticked;
    std::size_t ticked = 0;
    int watched = -1;
    for (std::size_t i = 0; i < problems.Count(); ++i) {
        if (problems.IsChecked(i)) {
            ++ticked;
            continue;
        }
        unticked.push_back(RowNumber(problems.Row(i)));
        if (unticked.back() == 19993) watched = static_cast<int>(i);
    }
    ASSERT_EQ(unticked.size(), 1512u);  // rows 1 and 19507, and the font rows the filter left
    ASSERT_GE(watched, 0);
    Select(list, watched, LVIS_FOCUSED | LVIS_SELECTED);
    window.Execute("aRepairRegistry");
    ASSERT_EQ(problems.Count(), unticked.size());
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(unticked.size()));
    for (std::size_t i = 0; i < problems.Count(); ++i) ASSERT_EQ(RowNumber(problems.Row(i)), unticked[i]) << i;
    // The 39 ticked real values went; only the unticked one stayed.
    EXPECT_EQ(window.Unrepaired.Keys.size(), ticked - 39);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Scratch().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(RegQueryValueExA(key, "Real19507", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    const auto focused = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    ASSERT_GE(focused, 0);
    EXPECT_EQ(RowNumber(problems.Row(static_cast<std::size_t>(focused))), 19993);
    EXPECT_TRUE(SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) & LVIS_SELECTED);
    EXPECT_EQ(PanelText(status, 0), " " + std::to_string(problems.Count()) + " problems found");
    window.Close();
}

TEST_F(MainWindowScaleTest, ColumnsSizedToTheWidestTextAsTheControlWouldSizeThem) {
    TfrmRegCleaner window(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    window.Show();
    HWND list = window.Control("lvRegistryData");
    // Texts whose widest is not their longest: wide and narrow letters mixed.
    const std::string wide = "WMW@Wm", narrow = "il.|!t";
    for (int n = 0; n < 3000; ++n) {
        // Each row a key of its own: the filter lists one item once.
        std::string key = "HKEY_CURRENT_USER\\Software\\" + std::to_string(n) + "\\";
        for (int i = 0; i < 20 + (n * 7) % 23; ++i) key += (n % 5 == 0 ? wide : narrow)[static_cast<std::size_t>(i + n) % 6];
        window.Problems().Append({n % 9 == 0 ? "Missing MRU and History Lists file" : "Fonts Issue", key,
                                  std::string(static_cast<std::size_t>(n % 40), n % 3 ? 'i' : 'W'),
                                  RemovalKind::DeleteKey});
    }
    window.FilterFindings();
    ASSERT_EQ(window.Problems().Count(), 3000u);
    int ours[3] = {};
    for (int column = 0; column < 3; ++column)
        ours[column] = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    for (int column = 0; column < 3; ++column) {
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(LVSCW_AUTOSIZE, 0));
        EXPECT_EQ(ours[column], SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)) << column;
    }
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3000);
    window.Close();
}

}  // namespace
}  // namespace ks
