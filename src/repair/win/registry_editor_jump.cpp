// Driving the registry editor's key tree and value list with key messages.
#include "repair/win/registry_editor_jump.h"

#include <shellapi.h>

#include "repair/registry_jump.h"
#include "restore/win/registry_editor_path.h"
#include "scan/win/win32_registry.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr int kCollapseStrokes = 30;
constexpr DWORD kStrokePauseMs = 10;
constexpr DWORD kInputIdleMs = 200;
// A freshly started editor may need longer than its input-idle wait to show
// its window (Wine takes about a second): look a little longer, as long as it
// runs, so the first jump does not go nowhere.
constexpr DWORD kWindowWaitMs = 5000;

void Press(HWND window, WPARAM key) {
    SendMessageA(window, WM_KEYDOWN, key, 0);
    Sleep(kStrokePauseMs);
}

void Type(HWND window, std::string_view text) {
    for (char c : text) SendMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 0);
}

HWND FindEditor() { return FindWindowA(kRegistryEditorClass, nullptr); }

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

void DriveRegistryEditor(const std::string& root, const std::string& keyPath, const std::string& valueName) {
    if (keyPath.empty()) return;
    const std::string full = RegistryEditorTreePath(root, keyPath);
    HWND editor = FindEditor();
    if (!editor) editor = StartEditor();
    if (!editor) return;
    ShowWindow(editor, SW_SHOWMAXIMIZED);

    HWND tree = FindWindowExA(editor, nullptr, "SysTreeView32", nullptr);
    SetForegroundWindow(tree);
    for (int i = 0; i < kCollapseStrokes; ++i) SendMessageA(tree, WM_KEYDOWN, VK_LEFT, 0);
    Sleep(kStrokePauseMs);
    Press(tree, VK_RIGHT);
    for (char c : full) {
        if (c == '\\') Press(tree, VK_RIGHT);
        else Type(tree, std::string_view(&c, 1));
    }

    HWND list = FindWindowExA(editor, nullptr, "SysListView32", nullptr);
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
