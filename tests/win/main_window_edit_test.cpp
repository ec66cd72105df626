// The problem list's edit commands on the real main window: rows to the ignore
// lists, the text report, and Wine's registry editor driven to a key and a value.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "child_process.h"
#include "control_probes.h"
#include "recording_prompts.h"
#include "repair/win/registry_editor_jump.h"
#include "repair/win/registry_view_name.h"
#include "settings/settings.h"
#include "base/text.h"
#include "settings/win/system_info.h"
#include "test_files.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using K = RemovalKind;

void SelectRows(HWND list, int focused, const std::vector<int>& others) {
    ui::SelectRow(list, focused);
    for (int row : others) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
}

// Runs an Edit-menu entry as a click does.
void ChooseEditEntry(TfrmRegCleaner& window, const char* name) {
    window.UpdateActions();
    ASSERT_TRUE(window.MenuEnabled(name)) << name;
    HMENU edit = window.MenuHandle("miEdit");
    for (int i = 0; i < GetMenuItemCount(edit); ++i) {
        char text[128] = {};
        GetMenuStringA(edit, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (window.MenuCaption(name) == text)
            SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(edit, i), 0), 0);
    }
}

class MainWindowEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "ks-edit-" + std::to_string(GetCurrentProcessId());
        test::RemoveFolderTree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{folder_ + "\\options.ini", "keyscrub.exe"});
        window_->Show();
    }
    void TearDown() override {
        window_.reset();
        test::RemoveFolderTree(folder_);
        Settings = SettingsRecord{};
    }
    HWND List() { return window_->Control("lvRegistryData"); }

    std::string folder_;
    std::unique_ptr<TfrmRegCleaner> window_;
};

TEST_F(MainWindowEditTest, SelectedRowsGoToTheIgnoreListsAndStayOutOfTheNextScan) {
    TfrmRegCleaner& window = *window_;
    const std::vector<Finding> findings = {
        {"Invalid File or Folder", "HKEY_CURRENT_USER\\Software\\KsEdit\\A\\Path", "C:\\gone.exe", K::DeleteValueInPath},
        {"Empty Registry Keys", "HKEY_CURRENT_USER\\Software\\KsEdit\\B", "", K::DeleteKey},
        {"Missing ShortCut reference", "C:\\Users\\gone.lnk", "", K::DeleteFile},
        {"Fonts Issue", "HKEY_LOCAL_MACHINE\\Software\\KsEdit\\Fonts", "Arial (TrueType)", K::DeleteEncodedValue},
        {"Empty Registry Keys", "HKEY_CURRENT_USER\\Software\\KsEdit\\C", "", K::DeleteKey},
    };
    window.SetScanRunner([&findings](TfrmRegCleaner& w, const std::vector<std::string>&) {
        for (const Finding& f : findings) w.Problems().Append(f);
        return ui::kModalOK;
    });
    window.bScanRegistryClick();
    ui::SelectRow(List(), 2);
    window.UpdateActions();
    EXPECT_FALSE(window.MenuEnabled("miAddToIgnoreLists")) << "a file row in focus";
    EXPECT_FALSE(window.MenuEnabled("pmOpenInRegEdit"));
    EXPECT_TRUE(window.MenuEnabled("pmSaveToTextFile"));

    // A value, a file row (removed without an entry) and an encoded value.
    SelectRows(List(), 0, {2, 3});
    ChooseEditEntry(window, "miAddToIgnoreLists");
    ASSERT_EQ(ui::RowCount(List()), 2);
    EXPECT_EQ(ui::RowText(List(), 0, 1), "HKEY_CURRENT_USER\\Software\\KsEdit\\B");
    EXPECT_EQ(Settings.IgnoreValues,
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\KsEdit\\Fonts\\Nevny (GehrGlcr)",
                                        "HKEY_CURRENT_USER\\Software\\KsEdit\\A\\Path"}));
    EXPECT_EQ(Settings.IgnoreValueCount, 2);
    EXPECT_EQ(test::PanelText(window.Control("StatusBar1"), 0), " 2 problems found");

    // An entry already in the list keeps its row.
    Settings.IgnoreKeys = {"hkey_current_user\\software\\ksedit\\c"};
    Settings.IgnoreKeyCount = 1;
    SelectRows(List(), 1, {0});
    window.Execute("aIgnoreListAdd");
    ASSERT_EQ(ui::RowCount(List()), 1);
    EXPECT_TRUE(ui::RowChecked(List(), 0));
    EXPECT_EQ(Settings.IgnoreKeyCount, 2);

    window.bScanRegistryClick();
    ASSERT_EQ(ui::RowCount(List()), 1) << "only the file finding comes back";
    EXPECT_EQ(ui::RowText(List(), 0, 1), "C:\\Users\\gone.lnk");
}

TEST_F(MainWindowEditTest, ReportIsWrittenByteForByteAskedBeforeReplacingAndToldWhenNotWritten) {
    window_->Problems().Append({"Invalid File or Folder", "HKEY_CURRENT_USER\\Software\\A\\Path", "C:\\gone \xE9.exe",
                                K::DeleteValueInPath});
    window_->Problems().Append({"Empty Registry Keys", "HKEY_USERS\\S-1\\Software\\B", "", K::DeleteKey});
    test::RecordingPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    prompts.chosen = folder_ + "\\report";
    const std::string saved = folder_ + "\\report.txt";
    ChooseEditEntry(*window_, "miSaveToTextFile");
    ASSERT_EQ(prompts.requests.size(), 1u);
    EXPECT_EQ(prompts.requests[0].title + "|" + prompts.requests[0].filter, "Save as Text File|Text files (*.txt)|*.txt");
    const std::string expected =
        "This file was generated by Quarlo Keyscrub\r\n"
        "Visit https://www.quarlo-software.example/keyscrub/ for the latest version\r\n\r\n"
        "Invalid File or Folder  #####  HKEY_CURRENT_USER\\Software\\A\\Path  #####  C:\\gone \xE9.exe\r\n"
        "Empty Registry Keys  #####  HKEY_USERS\\S-1\\Software\\B  #####  \r\n";
    EXPECT_EQ(test::ReadWholeFile(saved), expected);
    EXPECT_TRUE(prompts.messages.empty());

    ASSERT_TRUE(test::WriteWholeFile(saved, "keep me"));
    prompts.answer = IDNO;
    window_->Execute("aSaveText");
    ASSERT_EQ(prompts.messages, std::vector<std::string>{saved + "has existed,overite it?"});
    EXPECT_EQ(prompts.styles[0], static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2));
    EXPECT_EQ(test::ReadWholeFile(saved), "keep me");
    prompts.answer = IDYES;
    window_->Execute("aSaveText");
    EXPECT_EQ(test::ReadWholeFile(saved), expected);

    // A read-only file and a folder that is gone: the user is told.
    ASSERT_TRUE(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::string& target : {saved, folder_ + "\\gone\\report.txt"}) {
        prompts.chosen = target;
        prompts.messages.clear();
        window_->Execute("aSaveText");
        EXPECT_EQ(prompts.messages.back(), "The report could not be written to this file:\r\n" + target);
        EXPECT_EQ(prompts.styles.back() & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(test::ReadWholeFile(saved), expected);
}

// ---------------------------------------------------------------- registry editor

// The editor's selected key, from its status line: Wine's editor shows the
// key's path there ("<computer>\HKEY_...\..."), and WM_GETTEXT is carried
// between processes of either word size.
std::string EditorKey(HWND editor) {
    char text[1024] = {};
    SendMessageA(FindEditorPart(editor, "msctls_statusbar32"), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    const char* key = strchr(text, '\\');
    return key ? key + 1 : "";
}

// The selected value's name. The item record and its text live in the
// editor's memory, laid out for the editor's word size: a 32-bit test may
// drive the 64-bit editor (see the WOW64 test below).
struct ListItemText64 {
    UINT mask, item, subItem, state, stateMask, padding;
    unsigned long long text;
    int textMax, image;
    unsigned long long param;
};

std::string EditorValue(HWND editor) {
    HWND list = FindEditorPart(editor, "SysListView32");
    const auto row = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    DWORD id = 0;
    GetWindowThreadProcessId(editor, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    char text[256] = {};
    if (row >= 0 && remote) {
        LVITEMA item{};
        item.pszText = remote + 1024;
        item.cchTextMax = sizeof text - 1;
        ListItemText64 item64{};
        item64.text = reinterpret_cast<std::uintptr_t>(item.pszText);
        item64.textMax = item.cchTextMax;
        if (SeesOtherRegistryView(editor)) WriteProcessMemory(process, remote, &item64, sizeof item64, nullptr);
        else WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + 1024, text, sizeof text - 1, nullptr);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process) CloseHandle(process);
    return text;
}

void EndEditor() {
    while (HWND editor = FindWindowA(kRegistryEditorClass, nullptr)) {
        DWORD id = 0;
        GetWindowThreadProcessId(editor, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process) return;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

class RegistryEditorJumpTest : public MainWindowEditTest {
protected:
    void SetUp() override {
        MainWindowEditTest::SetUp();
        EndEditor();
        key_ = "Software\\KeyscrubTest\\jump-" + std::to_string(GetCurrentProcessId());
        HKEY demo = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\Demo").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &demo, nullptr),
                  ERROR_SUCCESS);
        for (const char* name : {"Alpha", "Title", "Zulu"}) RegSetValueExA(demo, name, 0, REG_SZ, nullptr, 0);
        RegCloseKey(demo);
    }
    void TearDown() override {
        EndEditor();
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        MainWindowEditTest::TearDown();
    }
    std::string key_;
};

TEST_F(RegistryEditorJumpTest, EditorIsTakenToTheKeyAndToTheValue) {
    test::RecordingPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    const std::string demo = "HKEY_CURRENT_USER\\" + key_ + "\\Demo";
    window_->Problems().Append({"Invalid File or Folder", demo + "\\Title", "C:\\gone.exe", K::DeleteValueInPath});
    window_->Problems().Append({"Empty Registry Keys", demo + "\\Missing", "", K::DeleteKey});

    // A value row: the editor starts, maximized, at the value's key.
    ui::SelectRow(List(), 0);
    ChooseEditEntry(*window_, "miOpenInRegEdit");
    HWND editor = FindWindowA(kRegistryEditorClass, nullptr);
    ASSERT_NE(editor, nullptr) << "the editor did not start";
    EXPECT_TRUE(IsZoomed(editor));
    EXPECT_EQ(EditorKey(editor), demo);
    EXPECT_EQ(EditorValue(editor), "");

    // The running editor again, to a path whose last part is a value.
    OpenRegistryEditorAt(window_->Handle(), "HKCU\\" + key_ + "\\Demo\\Zulu");
    EXPECT_EQ(FindWindowA(kRegistryEditorClass, nullptr), editor);
    EXPECT_EQ(EditorKey(editor), demo);
    EXPECT_EQ(EditorValue(editor), "Zulu");

    ui::SelectRow(List(), 1);
    window_->Execute("aOpenRegedit");
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Please check whether the registry key or value exist."});
    EXPECT_EQ(EditorKey(editor), demo);
}

// The shipped program is 32-bit: its findings under HKLM\Software come from the
// 32-bit view. Measured under Wine (64-bit prefix, 32-bit build): the editor
// that RegistryEditorPath starts (syswow64\regedit.exe) hands its window over
// to C:\windows\regedit.exe, a 64-bit process, which has no key at the
// finding's path; it is taken to HKLM\Software\Wow6432Node\..., the same
// key. So is a 64-bit editor the user had open.
TEST_F(RegistryEditorJumpTest, UnderWow64TheEditorLandsOnTheKeyOfTheProgramsView) {
    if (!IsWow64()) GTEST_SKIP() << "only a 32-bit program on 64-bit Windows has two views";
    const std::string name = "KeyscrubTest32-" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\" + name).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string native = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\" + UpperAnsi(name);
    EXPECT_EQ(UpperAnsi(NativeViewKeyPath(RootKey::LocalMachine, "Software\\" + name).value_or("")), native);
    EXPECT_EQ(NativeViewKeyPath(RootKey::CurrentUser, key_), std::nullopt) << "HKCU\\Software is shared";

    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (bool userStarted : {false, true}) {
        SCOPED_TRACE(userStarted ? "64-bit editor already open" : "editor started by the program");
        std::unique_ptr<test::ChildProcess> editor64;
        HWND editor = nullptr;
        if (userStarted) {
            editor64 = std::make_unique<test::ChildProcess>(nullptr, "\"" + std::string(windows) + "\\regedit.exe\"");
            for (int i = 0; i < 200 && !(editor = FindWindowA(kRegistryEditorClass, nullptr)); ++i) Sleep(50);
            ASSERT_TRUE(editor && SeesOtherRegistryView(editor));
        }
        OpenRegistryEditorAt(window_->Handle(), "HKLM\\Software\\" + name);
        editor = FindWindowA(kRegistryEditorClass, nullptr);
        ASSERT_NE(editor, nullptr);
        const std::string own = UpperAnsi("HKEY_LOCAL_MACHINE\\Software\\" + name);
        EXPECT_EQ(UpperAnsi(EditorKey(editor)), SeesOtherRegistryView(editor) ? native : own);
        EndEditor();
    }
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ("Software\\" + name).c_str(), KEY_WOW64_32KEY, 0);
}

}  // namespace
}  // namespace ks
