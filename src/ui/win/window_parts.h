// What the parts of the widget layer share: the control and menu records
// behind a window, the process-wide state and the small helpers. Private to
// src/ui/win.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui/win/window.h"

namespace ks::ui {

namespace detail {

constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 1000;
// Sent by the message loops when the queue runs empty, so that action update
// handlers run inside the window procedure like every other handler.
constexpr UINT kIdleUpdateMessage = WM_APP + 0x100;
constexpr char kContainerClass[] = "KeyscrubContainer";
constexpr std::size_t kItemTextBytes = 4096;

struct UiGlobals {
    bool initialised = false;
    HFONT font = nullptr;
    HFONT linkFont = nullptr;
    unsigned swallowed = 0;
    std::string lastError;
    std::vector<Window*> live;  // windows that exist, in creation order
    LentServices lent;
};

inline UiGlobals& Globals() {
    static UiGlobals globals;
    return globals;
}

inline HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

inline std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

inline bool HasWindow(ControlKind kind) { return kind != ControlKind::Timer; }

inline bool TakesFocus(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::FlatButton:
        case ControlKind::CheckBox:
        case ControlKind::ListBox:
        case ControlKind::ListView:
        case ControlKind::TreeView:
        case ControlKind::PageControl:
        case ControlKind::Edit:
        case ControlKind::Memo:
            return true;
        default:
            return false;
    }
}

inline bool ShowsHandCursor(ControlKind kind) { return kind == ControlKind::LinkLabel || kind == ControlKind::FlatButton; }

// What a control tells its parent: a panel, tab page or group box between the
// control and the window that owns the table passes these on.
inline bool IsForwardedToOwner(UINT message) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return true;
        default:
            return false;
    }
}

// Children of a group box talk to the group box; this passes their commands
// and notifications on to the window that owns the table.
inline LRESULT CALLBACK ForwardingSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR form) {
    if (IsForwardedToOwner(message)) return SendMessageA(reinterpret_cast<HWND>(form), message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND: {
            // A group box paints only its frame; as a parent it must fill its inside.
            RECT area{};
            GetClientRect(window, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
            return TRUE;
        }
        default:
            return DefSubclassProc(window, message, wParam, lParam);
    }
}

inline void RecordSwallowed(const char* what) {
    UiGlobals& globals = Globals();
    ++globals.swallowed;
    globals.lastError = what;
    OutputDebugStringA("Keyscrub: a window handler failed: ");
    OutputDebugStringA(what);
    OutputDebugStringA("\n");
}

inline std::string ShortcutText(const Shortcut& shortcut, const std::string& written) {
    // The text as the table wrote it, with the modifiers spelled the usual way.
    std::string text;
    if (shortcut.ctrl) text += "Ctrl+";
    if (shortcut.shift) text += "Shift+";
    if (shortcut.alt) text += "Alt+";
    const std::size_t plus = written.rfind('+');
    text += plus == std::string::npos || plus + 1 == written.size() ? written : written.substr(plus + 1);
    return text;
}


}  // namespace detail

struct Window::ControlState {
    const ControlDef* def = nullptr;
    HWND window = nullptr;
    int id = 0;
    std::vector<HWND> pages;  // page control: one container per page
    bool timerRunning = false;
    unsigned interval = 0;
};

struct Window::MenuState {
    const MenuDef* def = nullptr;
    std::string caption;
    std::string shortcutText;
    std::optional<Shortcut> shortcut;
    int id = 0;
    int parent = -1;          // index of the parent entry; -1 the menu bar; -2 none (pop-up menu)
    HMENU children = nullptr;  // sub-menu or pop-up menu, when the entry has one
    bool checked = false;
    bool visible = true;
    bool enabled = true;
};

struct Window::Resources {
    HMENU bar = nullptr;
    HACCEL accelerators = nullptr;
    HWND owner = nullptr;
};

}  // namespace ks::ui
