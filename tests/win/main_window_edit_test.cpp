// The problem list's edit commands on the real main window: rows added to the
// ignore lists from the list view, the text report written and read back, a
// report that cannot be written, and Wine's registry editor driven to a key
// and to a value.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/win/main_window.h"
#include "child_process.h"
#include "control_probes.h"
#include "repair/win/registry_editor_jump.h"
#include "repair/win/registry_view_name.h"
#include "settings/settings.h"
#include "settings/text.h"
#include "settings/win/system_info.h"
#include "test_files.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using K = RemovalKind;

// Answers the save dialog with a given name and every question with a given
// button; remembers what it was asked.
class AnsweringPrompts final : public ui::Prompts {
public:
    int ShowMessage(HWND, const std::string& text, UINT style) override {
        messages.push_back(text);
        styles.push_back(style);
        return answer;
    }
    std::optional<std::string> SaveFile(HWND, const ui::SaveFileRequest& request) override {
        requests.push_back(request);
        return chosen;
    }
    std::optional<std::string> PickFolder(HWND, const std::string&, const std::wstring&) override {
        return std::nullopt;
    }
    void OpenAddress(HWND, const std::string&) override {}

    std::optional<std::string> chosen;
    int answer = IDYES;
    std::vector<std::string> messages;
    std::vector<UINT> styles;
    std::vector<ui::SaveFileRequest> requests;
};

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "ks-edit-" + std::to_string(GetCurrentProcessId());
}

// Focuses (and selects) `focused` and selects the other given rows too.
void SelectRows(HWND list, int focused, const std::vector<int>& others) {
    ui::SelectRow(list, focused);
    for (int row : others) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

// Runs an Edit-menu entry the way a click does.
void ChooseEditEntry(TfrmRegCleaner& window, const char* name) {
    window.UpdateActions();
    ASSERT_TRUE(window.MenuEnabled(name)) << name;
    HMENU edit = window.MenuHandle("miEdit");
    for (int i = 0; i < GetMenuItemCount(edit); ++i) {
        char text[128] = {};
        GetMenuStringA(edit, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (window.MenuCaption(name) == text) {
            SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(edit, i), 0), 0);
            return;
        }
    }
    FAIL() << name << " is not in the Edit menu";
}

class MainWindowEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        folder_ = TempFolder();
        test::RemoveFolderTree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        settingsFile_ = folder_ + "\\options.ini";
        window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{settingsFile_, "keyscrub.exe"});
        window_->Show();
    }
    void TearDown() override {
        window_.reset();
        test::RemoveFolderTree(folder_);
        Settings = SettingsRecord{};
    }

    HWND List() { return window_->Control("lvRegistryData"); }

    std::string folder_;
    std::string settingsFile_;
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
    HWND list = List();
    ASSERT_EQ(ui::RowCount(list), 5);

    window.UpdateActions();
    EXPECT_FALSE(window.MenuEnabled("miAddToIgnoreLists")) << "no row in focus";
    EXPECT_TRUE(window.MenuEnabled("miSaveToTextFile"));
    EXPECT_TRUE(window.MenuEnabled("pmSaveToTextFile"));
    ui::SelectRow(list, 2);
    window.UpdateActions();
    EXPECT_FALSE(window.MenuEnabled("miAddToIgnoreLists")) << "a file row in focus";
    EXPECT_FALSE(window.MenuEnabled("pmOpenInRegEdit"));

    SelectRows(list, 0, {2, 3});
    ChooseEditEntry(window, "miAddToIgnoreLists");
    ASSERT_EQ(ui::RowCount(list), 2);
    EXPECT_EQ(ui::RowText(list, 0, 1), "HKEY_CURRENT_USER\\Software\\KsEdit\\B");
    EXPECT_EQ(ui::RowText(list, 1, 1), "HKEY_CURRENT_USER\\Software\\KsEdit\\C");
    EXPECT_EQ(Settings.IgnoreValues,
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\KsEdit\\Fonts\\Nevny (GehrGlcr)",
                                        "HKEY_CURRENT_USER\\Software\\KsEdit\\A\\Path"}));
    EXPECT_EQ(Settings.IgnoreValueCount, 2);
    EXPECT_TRUE(Settings.IgnoreKeys.empty());
    EXPECT_EQ(test::PanelText(window.Control("StatusBar1"), 0), " 2 problems found");
    EXPECT_EQ(test::PanelText(window.Control("StatusBar1"), 1), " 2 problems selected for repairing");

    // From the pop-up menu's entry, bound to the same action; an entry already
    // present keeps its row.
    Settings.IgnoreKeys = {"hkey_current_user\\software\\ksedit\\c"};
    Settings.IgnoreKeyCount = 1;
    SelectRows(List(), 1, {0});
    window.Execute("aIgnoreListAdd");
    ASSERT_EQ(ui::RowCount(list), 1);
    EXPECT_EQ(ui::RowText(list, 0, 1), "HKEY_CURRENT_USER\\Software\\KsEdit\\C");
    EXPECT_TRUE(ui::RowChecked(list, 0));
    EXPECT_EQ(Settings.IgnoreKeyCount, 2);

    window.bScanRegistryClick();
    ASSERT_EQ(ui::RowCount(list), 1) << "only the file finding comes back";
    EXPECT_EQ(ui::RowText(list, 0, 1), "C:\\Users\\gone.lnk");

    window.Close();
    EXPECT_EQ(test::ReadWholeFile(settingsFile_).find("Key2=HKEY_CURRENT_USER\\Software\\KsEdit\\B") != std::string::npos,
              true);
}

TEST_F(MainWindowEditTest, ReportIsWrittenByteForByteAndAnExistingFileIsAskedFor) {
    TfrmRegCleaner& window = *window_;
    window.Problems().Append({"Invalid File or Folder", "HKEY_CURRENT_USER\\Software\\A\\Path", "C:\\gone \xE9.exe",
                              K::DeleteValueInPath});
    window.Problems().Append({"Empty Registry Keys", "HKEY_USERS\\S-1\\Software\\B", "", K::DeleteKey});
    AnsweringPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    prompts.chosen = folder_ + "\\report";
    const std::string saved = folder_ + "\\report.txt";
    ChooseEditEntry(window, "miSaveToTextFile");
    ASSERT_EQ(prompts.requests.size(), 1u);
    EXPECT_EQ(prompts.requests[0].title, "Save as Text File");
    EXPECT_EQ(prompts.requests[0].filter, "Text files (*.txt)|*.txt");
    EXPECT_TRUE(prompts.messages.empty());
    const std::string expected =
        "This file was generated by Quarlo Keyscrub\r\n"
        "Visit https://www.quarlo-software.example/keyscrub/ for the latest version\r\n"
        "\r\n"
        "Invalid File or Folder  #####  HKEY_CURRENT_USER\\Software\\A\\Path  #####  C:\\gone \xE9.exe\r\n"
        "Empty Registry Keys  #####  HKEY_USERS\\S-1\\Software\\B  #####  \r\n";
    EXPECT_EQ(test::ReadWholeFile(saved), expected);

    // The same name again: asked first, No as the default; No leaves the file.
    ASSERT_TRUE(test::WriteWholeFile(saved, "keep me"));
    prompts.answer = IDNO;
    window.Execute("aSaveText");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], saved + "has existed,overite it?");
    EXPECT_EQ(prompts.styles[0], static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2));
    EXPECT_EQ(test::ReadWholeFile(saved), "keep me");
    prompts.answer = IDYES;
    window.Execute("aSaveText");
    EXPECT_EQ(test::ReadWholeFile(saved), expected);

    // Cancelled: nothing written, nothing asked.
    prompts.chosen.reset();
    prompts.messages.clear();
    DeleteFileA(saved.c_str());
    window.Execute("aSaveText");
    EXPECT_FALSE(test::PathExists(saved));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MainWindowEditTest, AReportThatCannotBeWrittenIsToldToTheUser) {
    TfrmRegCleaner& window = *window_;
    window.Problems().Append({"Empty Registry Keys", "HKEY_USERS\\S-1\\Software\\B", "", K::DeleteKey});
    AnsweringPrompts prompts;
    ui::ScopedPrompts scoped(prompts);

    const std::string readOnly = folder_ + "\\locked.txt";
    const std::string gone = folder_ + "\\no such folder\\report.txt";
    ASSERT_TRUE(test::WriteWholeFile(readOnly, "old"));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::string& target : {readOnly, gone}) {
        SCOPED_TRACE(target);
        prompts.chosen = target;
        prompts.messages.clear();
        window.Execute("aSaveText");
        ASSERT_FALSE(prompts.messages.empty());
        EXPECT_EQ(prompts.messages.back(), "The report could not be written to this file:\r\n" + target);
        EXPECT_EQ(prompts.styles.back() & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(test::ReadWholeFile(readOnly), "old");
    EXPECT_FALSE(test::PathExists(gone));
}

// ---------------------------------------------------------------- registry editor

// Reads texts out of the editor's tree and list: the editor is another
// process, so the item records and their text buffers live in its memory.
class RemoteBuffer {
public:
    explicit RemoteBuffer(HWND window) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
        if (process_) memory_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBuffer() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    std::string TreeText(HWND tree, HTREEITEM node) {
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = node;
        item.pszText = memory_ + kTextAt;
        item.cchTextMax = kSize - kTextAt;
        return Ask(tree, TVM_GETITEMA, 0, item);
    }
    std::string ListText(HWND list, int row) {
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = memory_ + kTextAt;
        item.cchTextMax = kSize - kTextAt;
        return Ask(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), item);
    }
    bool Ready() const { return memory_ != nullptr; }

private:
    static constexpr int kSize = 4096;
    static constexpr int kTextAt = 512;
    template <typename Item>
    std::string Ask(HWND control, UINT message, WPARAM wParam, const Item& item) {
        WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        const char zero = 0;
        WriteProcessMemory(process_, memory_ + kTextAt, &zero, 1, nullptr);
        SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(memory_));
        char text[kSize - kTextAt] = {};
        ReadProcessMemory(process_, memory_ + kTextAt, text, sizeof text - 1, nullptr);
        return text;
    }
    HANDLE process_ = nullptr;
    char* memory_ = nullptr;
};

// The editor's selected key as a path below its root node, e.g.
// "HKEY_CURRENT_USER\Software", and the name of its selected value.
struct EditorSelection {
    std::string key;
    std::string value;
};

EditorSelection ReadEditorSelection(HWND editor) {
    HWND tree = FindEditorPart(editor, "SysTreeView32");
    HWND list = FindEditorPart(editor, "SysListView32");
    RemoteBuffer remote(editor);
    EditorSelection selection;
    if (!remote.Ready()) return selection;
    std::vector<std::string> parts;
    for (auto node = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); node;
         node = reinterpret_cast<HTREEITEM>(
             SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node))))
        parts.insert(parts.begin(), remote.TreeText(tree, node));
    for (std::size_t i = 1; i < parts.size(); ++i) selection.key += (i > 1 ? "\\" : "") + parts[i];
    const auto row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row >= 0) selection.value = remote.ListText(list, row);
    return selection;
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
    TfrmRegCleaner& window = *window_;
    AnsweringPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    const std::string demo = "HKEY_CURRENT_USER\\" + key_ + "\\Demo";
    window.Problems().Append({"Invalid File or Folder", demo + "\\Title", "C:\\gone.exe", K::DeleteValueInPath});
    window.Problems().Append({"Empty Registry Keys", demo + "\\Missing", "", K::DeleteKey});
    window.Problems().Append({"Obsolete Software Key", "HKEY_CURRENT_USER\\" + key_, "Demo", K::DeleteSubkey});

    // A value row: the editor starts and shows the value's key, no value chosen.
    ui::SelectRow(List(), 0);
    ChooseEditEntry(window, "miOpenInRegEdit");
    HWND editor = FindWindowA(kRegistryEditorClass, nullptr);
    ASSERT_NE(editor, nullptr) << "the editor did not start";
    EXPECT_TRUE(IsZoomed(editor));
    EditorSelection selection = ReadEditorSelection(editor);
    EXPECT_EQ(selection.key, demo);
    EXPECT_TRUE(prompts.messages.empty());

    // The running editor is driven again: a path whose last part is a value.
    OpenRegistryEditorAt(window.Handle(), demo + "\\Zulu");
    EXPECT_EQ(FindWindowA(kRegistryEditorClass, nullptr), editor);
    selection = ReadEditorSelection(editor);
    EXPECT_EQ(selection.key, demo);
    EXPECT_EQ(selection.value, "Zulu");

    // A subkey row names the subkey; a key that is gone is told.
    ui::SelectRow(List(), 2);
    window.Execute("aOpenRegedit");
    EXPECT_EQ(ReadEditorSelection(editor).key, demo);
    ui::SelectRow(List(), 1);
    window.Execute("aOpenRegedit");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Please check whether the registry key or value exist.");
    EXPECT_EQ(prompts.styles[0], static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

// The editor's status line: Wine's editor shows the selected key's path there
// ("<computer>\HKEY_...\..."). Read with WM_GETTEXT, which the system carries
// between processes of either word size.
std::string EditorStatusText(HWND editor) {
    char text[1024] = {};
    SendMessageA(FindEditorPart(editor, "msctls_statusbar32"), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND WaitForEditor() {
    for (int i = 0; i < 200; ++i) {
        if (HWND editor = FindWindowA(kRegistryEditorClass, nullptr)) return editor;
        Sleep(50);
    }
    return nullptr;
}

// The shipped program is 32-bit: its findings under HKLM\Software come from the
// 32-bit view. Measured under Wine (64-bit prefix, 32-bit build): the editor
// RegistryEditorPath starts (syswow64\regedit.exe) is a 32-bit program, shows
// the 32-bit view and lands on a key that exists only there; the 64-bit editor
// (windows\regedit.exe) does not have that key at its path, and is taken to
// HKLM\Software\Wow6432Node\... instead.
TEST_F(RegistryEditorJumpTest, UnderWow64TheEditorLandsOnTheKeyOfTheProgramsView) {
    if (!IsWow64()) GTEST_SKIP() << "only a 32-bit program on 64-bit Windows has two views";
    const std::string only32 = "Software\\KeyscrubTest32-" + std::to_string(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, only32.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    struct RemoveKey {
        std::string path;
        ~RemoveKey() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0); }
    } removeKey{only32};
    HKEY other = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, only32.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &other), ERROR_SUCCESS)
        << "the key must be missing from the 64-bit view";
    if (other) RegCloseKey(other);

    const std::optional<std::string> native = NativeViewKeyPath(RootKey::LocalMachine, only32);
    ASSERT_TRUE(native.has_value());
    const std::string expectedNative = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\" + UpperAnsi(only32.substr(9));
    EXPECT_EQ(UpperAnsi(*native), expectedNative);
    EXPECT_EQ(NativeViewKeyPath(RootKey::CurrentUser, key_), std::nullopt) << "HKCU\\Software is shared";

    // The editor the program starts itself: its own view, the key's own path.
    OpenRegistryEditorAt(window_->Handle(), "HKLM\\" + only32);
    HWND editor = FindWindowA(kRegistryEditorClass, nullptr);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ReadEditorSelection(editor).key, "HKEY_LOCAL_MACHINE\\" + only32);
    EndEditor();

    // A 64-bit editor the user had open.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    test::ChildProcess editor64(nullptr, "\"" + std::string(windows) + "\\regedit.exe\"");
    ASSERT_TRUE(editor64.started()) << editor64.failure();
    editor = WaitForEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(SeesOtherRegistryView(editor));
    OpenRegistryEditorAt(window_->Handle(), "HKLM\\" + only32);
    const std::string status = UpperAnsi(EditorStatusText(editor));
    EXPECT_NE(status.find("\\" + expectedNative), std::string::npos) << status;
    EXPECT_EQ(status.size() - status.find("\\" + expectedNative), expectedNative.size() + 1) << status;
}

}  // namespace
}  // namespace ks
