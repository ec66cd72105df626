// The main window on real controls: what it shows, its tree boxes, its list
// commands and counts, where it opens, its layout, the Language menu and the
// simple commands.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "app/product.h"
#include "app/scan_tree.h"
#include "app/win/main_window.h"
#include "control_probes.h"
#include "recording_prompts.h"
#include "settings/language_menu.h"
#include "settings/settings.h"
#include "base/text.h"
#include "support/memory_registry.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using test::PanelText;
using test::RecordingPrompts;
using test::PressAt;
using ui::RowChecked;
using ui::RowText;

template <typename Condition>
bool WaitFor(Condition done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 5000) return false;
        ui::ProcessPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string TempSettingsFile() {
    static int serial = 0;
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "ks-app-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) +
           ".ini";
}

std::string ReadProfile(const std::string& file, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof(value), file.c_str());
    return value;
}

std::string MenuItemText(HMENU menu, int position) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    return text;
}

// Runs a menu entry the way a click does: WM_COMMAND with its identifier.
void ChooseMenuEntry(HWND window, HMENU menu, int position) {
    const UINT id = GetMenuItemID(menu, position);
    ASSERT_NE(id, static_cast<UINT>(-1));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        settingsFile_ = TempSettingsFile();
        DeleteFileA(settingsFile_.c_str());
    }
    void TearDown() override {
        window_.reset();
        DeleteFileA(settingsFile_.c_str());
        Settings = SettingsRecord{};
    }

    TfrmRegCleaner& Open(const std::string& commandLine = "keyscrub.exe") {
        window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{settingsFile_, commandLine});
        window_->Show();
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window_->Handle()) != FALSE; }));
        return *window_;
    }
    void CloseWindow() {
        window_->Close();
        EXPECT_EQ(window_->Handle(), nullptr);
        window_.reset();
    }
    void WriteSettings(const char* section, const char* key, const char* value) {
        WritePrivateProfileStringA(section, key, value, settingsFile_.c_str());
    }

    std::string settingsFile_;
    std::unique_ptr<TfrmRegCleaner> window_;
};

TEST_F(MainWindowTest, OpensWithEverythingInPlace) {
    TfrmRegCleaner& window = Open();
    char className[128] = {};
    GetClassNameA(window.Handle(), className, sizeof(className));
    EXPECT_STREQ(className, "Quarlo Keyscrub Made by Quarlo Software");
    EXPECT_EQ(window.Caption(), "Quarlo Keyscrub 3.3");

    RECT frame{};
    GetWindowRect(window.Handle(), &frame);
    EXPECT_EQ(frame.right - frame.left, 684);
    EXPECT_EQ(frame.bottom - frame.top, 520);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 684) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 520) / 2);

    HWND tree = window.Control("tvRegistry");
    ASSERT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 23);
    const std::vector<HTREEITEM> nodes = window.TreeNodes("tvRegistry");
    ASSERT_EQ(nodes.size(), 23u);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(kScanTreeNodes[i].Caption);
        EXPECT_EQ(ui::NodeState(tree, nodes[i]), 2) << "a fresh start checks every section";
        TVITEMA item{};
        item.mask = TVIF_PARAM | TVIF_IMAGE | TVIF_HANDLE;
        item.hItem = nodes[i];
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.lParam, kScanTreeNodes[i].ImageIndex);
        EXPECT_EQ(item.iImage, kScanTreeNodes[i].ImageIndex);
    }
    for (std::size_t parent : {0u, 1u}) {
        const auto state = SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(nodes[parent]), TVIS_EXPANDED);
        EXPECT_TRUE(state & TVIS_EXPANDED) << parent;
    }

    HWND list = window.Control("lvRegistryData");
    EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 120);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 300);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), 150);
    const RECT listAt = window.Bounds("lvRegistryData");
    EXPECT_EQ(listAt.left, 194);
    EXPECT_EQ(listAt.top, 48);
    EXPECT_EQ(SendMessageA(window.Control("StatusBar1"), SB_GETPARTS, 0, 0), 2);

    // Shortcuts show in the menu; commands of later parts are there but off.
    HMENU action = window.MenuHandle("miAction");
    EXPECT_EQ(MenuItemText(action, 0), "&Scan registry issue\tCtrl+S");
    EXPECT_EQ(MenuItemText(action, 1), "&Repair registry issue\tCtrl+Alt+R");
    EXPECT_EQ(MenuItemText(action, 3), "R&estore previous registry...\tCtrl+E");
    EXPECT_EQ(MenuItemText(window.MenuHandle("miFile"), 3), "Startup &Manager...\tCtrl+M");
    for (const char* entry : {"miRestoreRegistry", "miBackupFullRegistry", "miStartupManager", "miOptions",
                              "miAddToIgnoreLists", "miSaveToTextFile", "miOpenInRegEdit"}) {
        SCOPED_TRACE(entry);
        EXPECT_FALSE(window.MenuEnabled(entry));
    }
    EXPECT_FALSE(window.Enabled("bRestoreRegistry"));
    EXPECT_TRUE(window.Enabled("bScanRegistry"));
    EXPECT_TRUE(window.MenuVisible("miWindowsBackup")) << "Wine reports Windows 7";

    bool opened = false;
    window.BindCommand("aOptions", [&] { opened = true; });
    EXPECT_TRUE(window.MenuEnabled("miOptions"));
    window.Execute("aOptions");
    EXPECT_TRUE(opened);
}

TEST_F(MainWindowTest, TreeBoxesFollowPressesRefuseCollapseAndPersist) {
    TfrmRegCleaner& window = Open();
    HWND tree = window.Control("tvRegistry");
    std::vector<HTREEITEM> nodes = window.TreeNodes("tvRegistry");
    const std::size_t sharedDlls = ScanTree::NodeOfImage(9);
    POINT at{};
    ASSERT_TRUE(test::TreeItemPartPoint(tree, nodes[sharedDlls], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);
    EXPECT_EQ(ui::NodeState(tree, nodes[sharedDlls]), 1);
    EXPECT_EQ(ui::NodeState(tree, nodes[0]), 2);

    // A press on the text is no box press.
    RECT text{};
    *reinterpret_cast<HTREEITEM*>(&text) = nodes[sharedDlls];
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text));
    SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(text.left + 3, (text.top + text.bottom) / 2));
    SendMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(text.left + 3, (text.top + text.bottom) / 2));
    EXPECT_EQ(ui::NodeState(tree, nodes[sharedDlls]), 1);

    // The group's children follow it; a member alone brings group and root back.
    ASSERT_TRUE(test::TreeItemPartPoint(tree, nodes[0], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);
    for (HTREEITEM node : nodes) EXPECT_EQ(ui::NodeState(tree, node), 1);
    ASSERT_TRUE(test::TreeItemPartPoint(tree, nodes[ScanTree::NodeOfImage(5)], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);
    EXPECT_EQ(ui::NodeState(tree, nodes[ScanTree::NodeOfImage(2)]), 2);
    EXPECT_EQ(ui::NodeState(tree, nodes[0]), 2);
    EXPECT_EQ(ui::NodeState(tree, nodes[ScanTree::NodeOfImage(3)]), 1);

    // Collapsing "Files and Folders" by its button is refused.
    const HTREEITEM group = nodes[ScanTree::NodeOfImage(2)];
    ASSERT_TRUE(test::TreeItemPartPoint(tree, group, TVHT_ONITEMBUTTON, at));
    PressAt(tree, at);
    ui::ProcessPendingMessages();
    EXPECT_TRUE(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(group), TVIS_EXPANDED) & TVIS_EXPANDED);

    CloseWindow();
    EXPECT_EQ(ReadProfile(settingsFile_, "TreeViewNodeCheck", "1"), "1");
    EXPECT_EQ(ReadProfile(settingsFile_, "TreeViewNodeCheck", "2"), "1");
    EXPECT_EQ(ReadProfile(settingsFile_, "TreeViewNodeCheck", "3"), "0");
    EXPECT_EQ(ReadProfile(settingsFile_, "TreeViewNodeCheck", "5"), "1");
    EXPECT_EQ(ReadProfile(settingsFile_, "TreeViewNodeCheck", "9"), "0");

    TfrmRegCleaner& again = Open();
    tree = again.Control("tvRegistry");
    nodes = again.TreeNodes("tvRegistry");
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(kScanTreeNodes[i].Caption);
        const int image = kScanTreeNodes[i].ImageIndex;
        EXPECT_EQ(ui::NodeState(tree, nodes[i]), image == 1 || image == 2 || image == 5 ? 2 : 1);
    }
    again.TaskIdList.emplace();
    again.WalkTree(0, WalkMode::Collect);
    EXPECT_EQ(*again.TaskIdList, (std::vector<std::string>{"1", "2", "5"}));
}

TEST_F(MainWindowTest, OpensWhereItWasUnlessThatIsOffEveryMonitor) {
    WriteSettings("Window", "State", "1");
    WriteSettings("Window", "Left", "100");
    WriteSettings("Window", "Top", "80");
    WriteSettings("Window", "Width", "700");
    WriteSettings("Window", "Height", "540");
    TfrmRegCleaner& window = Open();
    RECT frame{};
    GetWindowRect(window.Handle(), &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 80);
    EXPECT_EQ(frame.right - frame.left, 700);
    EXPECT_EQ(frame.bottom - frame.top, 540);

    // Activation puts the window back where it started.
    SetWindowPos(window.Handle(), nullptr, 300, 310, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    GetWindowRect(window.Handle(), &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 80);

    // Closed while minimized: Windows parks it at about (-32000, -32000).
    ShowWindow(window.Handle(), SW_MINIMIZE);
    CloseWindow();
    EXPECT_EQ(ReadProfile(settingsFile_, "Window", "State"), "2");
    WriteSettings("Window", "Left", "-32000");
    WriteSettings("Window", "Top", "-32000");
    TfrmRegCleaner& reopened = Open();
    GetWindowRect(reopened.Handle(), &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 700) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 540) / 2);
    EXPECT_FALSE(IsIconic(reopened.Handle()));
}

TEST_F(MainWindowTest, MaximizedStateIsRestoredAndNotMovedOnActivation) {
    WriteSettings("Window", "State", "3");
    WriteSettings("Window", "Left", "100");
    WriteSettings("Window", "Top", "80");
    window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{settingsFile_, "keyscrub.exe"});
    TfrmRegCleaner& window = *window_;
    // Without a window manager Wine may take the maximized state back at
    // once, so look at the window right when it maximizes itself.
    bool seen = false;
    bool maximized = false;
    RECT before{};
    RECT afterActivation{};
    window.OnMessage(WM_SYSCOMMAND, [&](WPARAM command, LPARAM position) -> LRESULT {
        const LRESULT result = DefWindowProcA(window.Handle(), WM_SYSCOMMAND, command, position);
        // Once only: the activation below may maximize the window again, and
        // a guard on the outcome alone would loop for good when Wine takes
        // the maximized state back.
        if ((command & 0xFFF0) == SC_MAXIMIZE && !seen) {
            seen = true;
            maximized = IsZoomed(window.Handle()) != FALSE;
            GetWindowRect(window.Handle(), &before);
            SendMessageA(window.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
            GetWindowRect(window.Handle(), &afterActivation);
        }
        return result;
    });
    window.Show();
    ASSERT_TRUE(WaitFor([&] { return seen; }));
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(Settings.WindowMaximized);
    EXPECT_EQ(afterActivation.left, before.left);
    EXPECT_EQ(afterActivation.top, before.top);
    EXPECT_NE(before.left, 100);
}

// Started normal, then moved or maximized by the user: activation puts a
// normal window back where it was saved, and leaves a maximized one alone.
TEST_F(MainWindowTest, ActivationMovesANormalWindowButNotAMaximizedOne) {
    WriteSettings("Window", "Left", "100");
    WriteSettings("Window", "Top", "80");
    for (const bool maximize : {false, true}) {
        SCOPED_TRACE(maximize ? "maximized" : "moved");
        TfrmRegCleaner& window = Open();
        if (maximize) {
            ShowWindow(window.Handle(), SW_MAXIMIZE);
            ASSERT_TRUE(WaitFor([&] { return IsZoomed(window.Handle()) != FALSE; }));
        } else {
            SetWindowPos(window.Handle(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT before{};
        GetWindowRect(window.Handle(), &before);
        ASSERT_NE(before.left, 100) << "the test needs a window away from the saved place";
        SendMessageA(window.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
        RECT after{};
        GetWindowRect(window.Handle(), &after);
        EXPECT_EQ(after.left, maximize ? before.left : 100);
        EXPECT_EQ(after.top, maximize ? before.top : 80);
        EXPECT_EQ(IsZoomed(window.Handle()) != FALSE, maximize);
        CloseWindow();
    }
}

TEST_F(MainWindowTest, LayoutFollowsTheClientArea) {
    TfrmRegCleaner& window = Open();
    for (SIZE size : {SIZE{900, 700}, SIZE{520, 400}}) {
        SCOPED_TRACE(size.cx);
        SetWindowPos(window.Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(window.Handle(), &client);
        const RECT list = window.Bounds("lvRegistryData");
        const RECT status = window.Bounds("StatusBar1");
        const RECT tree = window.Bounds("tvRegistry");
        const RECT link = window.Bounds("lUpdate");
        const RECT icon = window.Bounds("iUpdate");
        const RECT title = window.Bounds("imgTitle");
        EXPECT_EQ(list.right, client.right);
        EXPECT_EQ(list.bottom, status.top);
        EXPECT_EQ(tree.bottom, status.top);
        EXPECT_EQ(status.bottom, client.bottom);
        EXPECT_EQ(link.right, client.right - 20);
        EXPECT_EQ(icon.left, link.left - 25);
        EXPECT_EQ(title.right, client.right);
        EXPECT_EQ(title.bottom, 50);
    }
}

TEST_F(MainWindowTest, SelectionCommandsAndCountsOnTheRealList) {
    TfrmRegCleaner& window = Open();
    HWND list = window.Control("lvRegistryData");
    HWND status = window.Control("StatusBar1");
    ProblemList& problems = window.Problems();
    problems.Append({"Invalid font", "HKEY_LOCAL_MACHINE\\Software\\A", "arial.ttf", RemovalKind::DeleteNamedValue});
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\B\\V", "C:\\gone.exe", RemovalKind::DeleteValueInPath});
    problems.Append({"Invalid font", "HKEY_LOCAL_MACHINE\\Software\\C", "x.ttf", RemovalKind::DeleteEncodedValue});
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(RowText(list, 1, 0), "Invalid file");
    EXPECT_EQ(RowText(list, 1, 1), "HKEY_CURRENT_USER\\Software\\B\\V");
    EXPECT_EQ(RowText(list, 1, 2), "C:\\gone.exe");
    // The removal kind travels with the row in the model; the owner-data
    // control keeps no item data of its own.
    EXPECT_EQ(problems.Row(0).RemovalKind, RemovalKind::DeleteNamedValue);
    EXPECT_EQ(problems.Row(1).RemovalKind, RemovalKind::DeleteValueInPath);
    EXPECT_EQ(problems.Row(2).RemovalKind, RemovalKind::DeleteEncodedValue);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(RowChecked(list, row));

    window.Execute("aSelectAll");
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(RowChecked(list, row)) << row;
    EXPECT_EQ(PanelText(status, 0), " 3 problems found");
    EXPECT_EQ(PanelText(status, 1), " 3 problems selected for repairing");

    // Of-type commands need a focused row and act on the same problem text.
    window.UpdateActions();
    EXPECT_FALSE(window.MenuEnabled("miSelectNoneType"));
    LVITEMA focus{};
    focus.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    focus.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&focus));
    window.UpdateActions();
    EXPECT_TRUE(window.MenuEnabled("miSelectNoneType"));
    EXPECT_TRUE(window.MenuEnabled("pmSelectAllType"));
    window.Execute("aSelectNoneType");
    EXPECT_FALSE(RowChecked(list, 0));
    EXPECT_TRUE(RowChecked(list, 1));
    EXPECT_FALSE(RowChecked(list, 2));
    EXPECT_EQ(PanelText(status, 1), " 1 problems selected for repairing");

    // A box ticked in the list itself is counted too.
    LVITEMA tick{};
    tick.stateMask = LVIS_STATEIMAGEMASK;
    tick.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&tick));
    EXPECT_EQ(PanelText(status, 1), " 2 problems selected for repairing");

    window.Execute("aSelectNone");
    EXPECT_EQ(PanelText(status, 1), " 0 problems selected for repairing");
    EXPECT_EQ(PanelText(status, 0), " 3 problems found");
}

TEST_F(MainWindowTest, FilterRemovesRowsFromTheRealList) {
    TfrmRegCleaner& window = Open();
    HWND list = window.Control("lvRegistryData");
    window.FilterFindings();
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 120) << "an empty list only widens narrow columns";
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(40, 0));
    window.FilterFindings();
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), 120);

    Settings.IgnoreKeys = {"HKEY_CURRENT_USER\\Software\\Ignored"};
    Settings.IgnoreKeyCount = 1;
    window.Unrepaired.Add("HKEY_CURRENT_USER\\Software\\Stuck", "v");
    ProblemList& problems = window.Problems();
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Kept", "C:\\gone.exe", RemovalKind::DeleteKey});
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Ignored\\Sub", "C:\\x", RemovalKind::DeleteKey});
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Stuck", "V", RemovalKind::DeleteNamedValue});
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\A?b\\c:\\x", "", RemovalKind::DeleteKey});
    problems.Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\AlsoKept", "C:\\gone2.exe", RemovalKind::DeleteKey});
    window.Execute("aSelectAll");
    window.FilterFindings();
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    ASSERT_EQ(problems.Count(), 2u);
    EXPECT_EQ(RowText(list, 0, 1), "HKEY_CURRENT_USER\\Software\\Kept");
    EXPECT_EQ(RowText(list, 1, 1), "HKEY_CURRENT_USER\\Software\\AlsoKept");
    EXPECT_EQ(problems.Row(1).Value, "C:\\gone2.exe");
    EXPECT_TRUE(RowChecked(list, 0));
    EXPECT_TRUE(RowChecked(list, 1));
}

TEST_F(MainWindowTest, ScanWithNothingTickedKeepsTheOldList) {
    TfrmRegCleaner& window = Open();
    int scans = 0;
    window.SetScanRunner([&](TfrmRegCleaner&, const std::vector<std::string>&) {
        ++scans;
        return ui::kModalCancel;
    });
    window.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Old", "C:\\x", RemovalKind::DeleteKey});
    HWND tree = window.Control("tvRegistry");
    POINT at{};
    ASSERT_TRUE(test::TreeItemPartPoint(tree, window.TreeNodes("tvRegistry")[0], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);
    window.Execute("aScanRegistry");
    EXPECT_EQ(scans, 0);
    ASSERT_TRUE(window.TaskIdList.has_value());
    EXPECT_TRUE(window.TaskIdList->empty());
    EXPECT_EQ(window.Problems().Count(), 1u);
}

TEST_F(MainWindowTest, ScanCommandClearsTicksFiltersAndCounts) {
    TfrmRegCleaner& window = Open();
    std::vector<std::string> seen;
    window.SetScanRunner([&](TfrmRegCleaner& target, const std::vector<std::string>& taskIds) {
        seen = taskIds;
        EXPECT_EQ(target.Problems().Count(), 0u) << "the list is cleared before the scan";
        target.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\New", "C:\\gone.exe", RemovalKind::DeleteKey});
        target.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\%USERNAME%_x", "", RemovalKind::DeleteKey});
        return ui::kModalCancel;
    });
    window.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Old", "C:\\x", RemovalKind::DeleteKey});
    HWND tree = window.Control("tvRegistry");
    POINT at{};
    ASSERT_TRUE(test::TreeItemPartPoint(tree, window.TreeNodes("tvRegistry")[0], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);  // everything off
    ASSERT_TRUE(test::TreeItemPartPoint(tree, window.TreeNodes("tvRegistry")[ScanTree::NodeOfImage(2)], TVHT_ONITEMSTATEICON, at));
    PressAt(tree, at);  // "Files and Folders" with its three roots
    window.Execute("aScanRegistry");
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    HWND list = window.Control("lvRegistryData");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(RowText(list, 0, 1), "HKEY_CURRENT_USER\\Software\\New");
    EXPECT_TRUE(RowChecked(list, 0));
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 0), " 1 problems found");
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 1), " 1 problems selected for repairing");

    // A failing scan ends the command quietly and leaves the list as it is then.
    window.SetScanRunner([](TfrmRegCleaner& target, const std::vector<std::string>&) -> int {
        target.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\Half", "", RemovalKind::DeleteKey});
        throw std::runtime_error("scan broke");
    });
    window.Execute("aScanRegistry");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(RowText(list, 0, 1), "HKEY_CURRENT_USER\\Software\\Half");
    EXPECT_FALSE(RowChecked(list, 0)) << "no ticks after a failure";
}

// After Ctrl+A and a rescan no row of the new list is highlighted or has the
// focus: the edit commands act only on rows the user picked.
TEST_F(MainWindowTest, ANewScanClearsTheListsSelectionAndFocus) {
    TfrmRegCleaner& window = Open();
    window.SetScanRunner([](TfrmRegCleaner& target, const std::vector<std::string>&) {
        for (const char* key : {"A", "B", "C"})
            target.Problems().Append({"Invalid file", std::string("HKEY_CURRENT_USER\\Software\\") + key, "C:\\gone.exe",
                                      RemovalKind::DeleteKey});
        return ui::kModalOK;
    });
    HWND list = window.Control("lvRegistryData");
    window.Execute("aScanRegistry");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    ui::SelectRow(list, 1);
    LVITEMA all{};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    ASSERT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 3);

    window.Execute("aScanRegistry");
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), -1);
    EXPECT_FALSE(window.Problems().Focused().has_value());
    window.UpdateActions();
    EXPECT_FALSE(window.MenuEnabled("miAddToIgnoreLists"));
    EXPECT_FALSE(window.MenuEnabled("miSelectAllType"));
}

// A registry that cannot say whose hive HKEY_CURRENT_USER is: the filter
// fails on it.
class UnanswerableRegistry final : public test::MemoryRegistry {
public:
    std::optional<std::string> CurrentUserHive() override { throw std::runtime_error("registry unreadable"); }
};

// A scan whose filter fails leaves no row ticked, and the unattended clean
// ends without repairing; with a filter that works it repairs.
TEST_F(MainWindowTest, AScanWhoseFilterFailedNeverLeadsToARepair) {
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "filter fails" : "filter works");
        window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{settingsFile_, "keyscrub.exe -cleanonce"});
        TfrmRegCleaner& window = *window_;
        if (fails) window.SetRegistry(std::make_shared<UnanswerableRegistry>());
        else window.SetRegistry(std::make_shared<test::MemoryRegistry>());
        std::vector<std::size_t> repairedTicked;
        window.SetScanRunner([](TfrmRegCleaner& target, const std::vector<std::string>&) {
            target.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\A", "C:\\gone.exe", RemovalKind::DeleteKey});
            target.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\JavaSoft", "", RemovalKind::DeleteKey});
            return ui::kModalOK;
        });
        window.SetRepairRunner([&](TfrmRegCleaner& target) { repairedTicked.push_back(CheckedCount(target.Problems())); });
        window.Show();
        ASSERT_TRUE(WaitFor([&] { return window.Handle() == nullptr; })) << "the unattended clean ends by itself";
        EXPECT_EQ(repairedTicked, fails ? std::vector<std::size_t>{} : std::vector<std::size_t>{1});
        EXPECT_EQ(window.Problems().CheckedRows(), fails ? 0u : 1u);
        EXPECT_EQ(window.Problems().Count(), fails ? 2u : 1u) << "the built-in exclusion is filtered only when it works";
        window_.reset();
    }
}

TEST_F(MainWindowTest, ComesForwardWhenAskedByASecondStart) {
    TfrmRegCleaner& window = Open();
    ShowWindow(window.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window.Handle()));
    SendMessageA(window.Handle(), 0x2410, 0, 0);
    EXPECT_FALSE(IsIconic(window.Handle()));
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    ShowWindow(window.Handle(), SW_HIDE);
    SendMessageA(window.Handle(), 0x2410, 0, 0);
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
}

TEST_F(MainWindowTest, HelpHomePageAndWindowsBackupOpenTheirAddresses) {
    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmRegCleaner& window = Open();
    HMENU help = window.MenuHandle("miHelpMenu");
    Settings.Lan = "Italian";
    ChooseMenuEntry(window.Handle(), help, 0);
    Settings.Lan = "italian";
    ChooseMenuEntry(window.Handle(), help, 0);
    Settings.Lan = "PortuguesePT";
    ChooseMenuEntry(window.Handle(), help, 0);
    Settings.Lan = "English";
    ChooseMenuEntry(window.Handle(), help, 2);
    ChooseMenuEntry(window.Handle(), window.MenuHandle("miFile"), 1);
    ASSERT_EQ(prompts.opened.size(), 5u);
    EXPECT_EQ(prompts.opened[0], product::kItalianHelp);
    EXPECT_EQ(prompts.opened[1], product::kHelpPage);
    EXPECT_EQ(prompts.opened[2], product::kPortugueseHelp);
    EXPECT_EQ(prompts.opened[3], product::kHomePage);
    char root[MAX_PATH] = {};
    GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    EXPECT_TRUE(EqualsNoCase(prompts.opened[4], std::string(root) + "\\system32\\ntbackup.exe")) << prompts.opened[4];
}

TEST_F(MainWindowTest, AboutBoxShowsProductAndVersion) {
    TfrmRegCleaner& window = Open();
    TfrmAbout about;
    about.Create(window.Handle());
    about.Show();
    EXPECT_EQ(about.Caption(), "About Quarlo Keyscrub");
    EXPECT_EQ(about.Text("lProductName"), "Quarlo Keyscrub");
    EXPECT_EQ(about.Text("lVersion"), "Version: 3.3   Build 20131113");
    about.Hide();
}

}  // namespace
}  // namespace ks
