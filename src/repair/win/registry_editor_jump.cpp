// Driving the registry editor's key tree and value list with key messages.
#include "repair/win/registry_editor_jump.h"

#include <shellapi.h>

#include "base/win/wine.h"
#include "repair/registry_jump.h"
#include "repair/win/registry_view_name.h"
#include "restore/win/registry_editor_path.h"
#include "scan/win/win32_registry.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr int kCollapseStrokes = 30;
constexpr DWORD kStrokePauseMs = 10;
// Typing into the tree or the list searches for the item whose name begins
// with what was typed so far. Wine's tree and list start a new search only
// after a pause in the typing, not after a cursor key: measured under Wine 8,
// characters sent 400 ms after the last ones still extend the old search and
// 460 ms after start a new one. So under Wine each cursor key is followed by
// a pause past that, or "Software" typed after "HKEY_CURRENT_USER" would be
// looked for as "HKEY_CURRENT_USERSoftware". Elsewhere the pause stays 10 ms.
constexpr DWORD kWineSearchResetMs = 500;
constexpr DWORD kInputIdleMs = 200;
// A freshly started editor may need longer than its input-idle wait to show
// its window: look a little longer, as long as it runs, so that the first
// jump does not go nowhere.
constexpr DWORD kWindowWaitMs = 5000;

void Press(HWND window, WPARAM key) {
    static const DWORD pause = RunsOnWine() ? kWineSearchResetMs : kStrokePauseMs;
    SendMessageA(window, WM_KEYDOWN, key, 0);
    Sleep(pause);
}

// The key data says "pressed once", as with a real key press. Windows' tree
// and list ignore it; Wine's ignore a character whose key data is 0.
constexpr LPARAM kTypedOnce = 1;

void Type(HWND window, std::string_view text) {
    for (char c : text) SendMessageA(window, WM_CHAR, static_cast<unsigned char>(c), kTypedOnce);
}

HWND FindEditor() { return FindWindowA(kRegistryEditorClass, nullptr); }

struct ClassSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<ClassSearch*>(data);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search.className) != 0) return TRUE;
    search.found = window;
    return FALSE;
}

HWND StartEditor() {
    const std::string program = RegistryEditorPath();
    if (program.empty()) return nullptr;
    SHELLEXECUTEINFOA start{};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpVerb = "open";
    start.lpFile = program.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&start) || !start.hProcess) return nullptr;
    WaitForInputIdle(start.hProcess, kInputIdleMs);
    HWND editor = FindEditor();
    const DWORD begun = GetTickCount();
    while (!editor && GetTickCount() - begun < kWindowWaitMs &&
           WaitForSingleObject(start.hProcess, 50) == WAIT_TIMEOUT)
        editor = FindEditor();
    CloseHandle(start.hProcess);
    return editor;
}

}  // namespace

HWND FindEditorPart(HWND editor, const char* className) {
    if (HWND child = FindWindowExA(editor, nullptr, className, nullptr)) return child;
    ClassSearch search{className, nullptr};
    EnumChildWindows(editor, &MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DriveRegistryEditor(const std::string& root, const std::string& keyPath, const std::string& valueName) {
    if (keyPath.empty()) return;
    std::string full = RegistryEditorTreePath(root, keyPath);
    HWND editor = FindEditor();
    if (!editor) editor = StartEditor();
    if (!editor) return;
    // The editor may see the other registry view: one the user had open may
    // be the 64-bit editor, and under Wine the 32-bit editor this program
    // starts hands its window over to the 64-bit one (measured: the window
    // belongs to C:\windows\regedit.exe, not WOW64). A key of the 32-bit view
    // has another path there (HKLM\Software\Wow6432Node\...): type that one.
    if (SeesOtherRegistryView(editor))
        if (const std::optional<RootKey> known = RootByName(root))
            if (std::optional<std::string> native = NativeViewKeyPath(*known, keyPath)) full = std::move(*native);
    ShowWindow(editor, SW_SHOWMAXIMIZED);

    HWND tree = FindEditorPart(editor, "SysTreeView32");
    SetForegroundWindow(tree);
    for (int i = 0; i < kCollapseStrokes; ++i) SendMessageA(tree, WM_KEYDOWN, VK_LEFT, 0);
    Sleep(kStrokePauseMs);
    Press(tree, VK_RIGHT);
    for (char c : full) {
        if (c == '\\') Press(tree, VK_RIGHT);
        else Type(tree, std::string_view(&c, 1));
    }

    HWND list = FindEditorPart(editor, "SysListView32");
    SetForegroundWindow(list);
    if (valueName.empty()) return;
    Press(list, VK_DOWN);
    Type(list, valueName);
}

void OpenRegistryEditorAt(HWND owner, std::string_view path) {
    const auto registry = MakeWin32Registry();
    const RegistryJump jump = OpenInRegistryEditor(path, *registry);
    switch (jump.What) {
    case RegistryJump::Action::Message:
        ui::CurrentPrompts().ShowMessage(owner, kKeyOrValueMissing, MB_OK | MB_ICONINFORMATION);
        break;
    case RegistryJump::Action::Drive:
        DriveRegistryEditor(jump.Root, jump.Key, jump.Name);
        break;
    case RegistryJump::Action::None:
        break;
    }
}

}  // namespace ks
