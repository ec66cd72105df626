// The widget layer: controls looked up by name, their texts, states and items.
#include "ui/win/window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

#include "ui/win/prompts.h"
#include "ui/win/window_parts.h"

namespace ks::ui {

using namespace detail;

// ---------------------------------------------------------------- look-ups

Window::ControlState& Window::State(std::string_view name) {
    return const_cast<ControlState&>(std::as_const(*this).State(name));
}

const Window::ControlState& Window::State(std::string_view name) const {
    for (const ControlState& state : controls_)
        if (state.def->name == name) return state;
    if (FindControl(def_, name)) throw std::logic_error(def_.name + " is not created yet");
    throw std::out_of_range(def_.name + " has no control " + std::string(name));
}

Window::MenuState& Window::Menu(std::string_view name) {
    return const_cast<MenuState&>(std::as_const(*this).Menu(name));
}

const Window::MenuState& Window::Menu(std::string_view name) const {
    for (const MenuState& state : menus_)
        if (state.def->name == name) return state;
    throw std::out_of_range(def_.name + " has no menu entry " + std::string(name));
}

HWND Window::Control(std::string_view name) const {
    const ControlState& state = State(name);
    if (!state.window) throw std::logic_error(std::string(name) + " has no window");
    return state.window;
}

bool Window::HasControl(std::string_view name) const { return FindControl(def_, name) != nullptr; }

ControlKind Window::KindOf(std::string_view name) const {
    const ControlDef* def = FindControl(def_, name);
    if (!def) throw std::out_of_range(def_.name + " has no control " + std::string(name));
    return def->kind;
}

// ---------------------------------------------------------------- texts and states

std::string Window::Text(std::string_view name) const {
    const ControlState& state = State(name);
    if (state.def->kind == ControlKind::StatusBar) {
        if (!StatusBarSingleText(name)) return ItemText(name, 0);
        // In single-text mode part 0 reads the single text.
        const auto length = LOWORD(SendMessageA(state.window, SB_GETTEXTLENGTHA, 0, 0));
        std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
        SendMessageA(state.window, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer.data()));
        buffer.resize(std::min<std::size_t>(buffer.find('\0'), length));
        return buffer;
    }
    return WindowText(Control(name));
}

void Window::SetText(std::string_view name, const std::string& text) {
    ControlState& state = State(name);
    if (state.def->kind == ControlKind::StatusBar) {
        if (StatusBarSingleText(name))
            SendMessageA(state.window, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
        else
            SetItemText(name, 0, text);
        return;
    }
    SetWindowTextA(Control(name), text.c_str());
    if (state.def->kind == ControlKind::Panel || state.def->kind == ControlKind::FlatButton)
        InvalidateRect(state.window, nullptr, TRUE);
}

std::string Window::Caption() const { return window_ ? WindowText(window_) : def_.caption; }

void Window::SetCaption(const std::string& text) {
    if (window_) SetWindowTextA(window_, text.c_str());
}

bool Window::Checked(std::string_view name) const {
    return SendMessageA(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Window::SetChecked(std::string_view name, bool checked) {
    SendMessageA(Control(name), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Window::Enabled(std::string_view name) const { return IsWindowEnabled(Control(name)) != FALSE; }

void Window::SetEnabled(std::string_view name, bool enabled) { EnableWindow(Control(name), enabled ? TRUE : FALSE); }

bool Window::Visible(std::string_view name) const {
    return (GetWindowLongPtrA(Control(name), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Window::SetVisible(std::string_view name, bool visible) { ShowWindow(Control(name), visible ? SW_SHOW : SW_HIDE); }

RECT Window::Bounds(std::string_view name) const {
    HWND control = Control(name);
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

void Window::SetBounds(std::string_view name, int left, int top, int width, int height) {
    ControlState& state = State(name);
    MoveWindow(Control(name), left, top, width, height, TRUE);
    if (state.def->kind == ControlKind::PageControl) SyncPages(state);
}

int Window::TextWidth(const std::string& text) const {
    HDC dc = GetDC(window_);
    HGDIOBJ previous = SelectObject(dc, Globals().font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    return size.cx;
}

int Window::ItemCount(std::string_view name) const {
    const ControlState& state = State(name);
    HWND window = Control(name);
    switch (state.def->kind) {
        case ControlKind::ListBox: return static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
        case ControlKind::StatusBar: return static_cast<int>(SendMessageA(window, SB_GETPARTS, 0, 0));
        case ControlKind::ListView: {
            auto header = reinterpret_cast<HWND>(SendMessageA(window, LVM_GETHEADER, 0, 0));
            return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        }
        case ControlKind::PageControl: return static_cast<int>(SendMessageA(window, TCM_GETITEMCOUNT, 0, 0));
        case ControlKind::TreeView: return static_cast<int>(TreeNodes(name).size());
        default: throw std::logic_error(std::string(name) + " has no items");
    }
}

std::vector<HTREEITEM> Window::TreeNodes(std::string_view name) const {
    HWND tree = Control(name);
    std::vector<HTREEITEM> nodes;
    const auto next = [tree](HTREEITEM item, WPARAM relation) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    // Depth first without recursion: go down when there is a child, otherwise
    // to the next sibling of the nearest node that has one.
    HTREEITEM item = next(nullptr, TVGN_ROOT);
    while (item) {
        nodes.push_back(item);
        if (HTREEITEM child = next(item, TVGN_CHILD)) {
            item = child;
            continue;
        }
        while (item) {
            if (HTREEITEM sibling = next(item, TVGN_NEXT)) {
                item = sibling;
                break;
            }
            item = next(item, TVGN_PARENT);
        }
    }
    return nodes;
}

std::string Window::ItemText(std::string_view name, int index) const {
    const ControlState& state = State(name);
    HWND window = Control(name);
    if (index < 0 || index >= ItemCount(name)) throw std::out_of_range(std::string(name) + ": no item " + std::to_string(index));
    std::string buffer(kItemTextBytes, '\0');
    const auto wIndex = static_cast<WPARAM>(index);
    switch (state.def->kind) {
        case ControlKind::ListBox: {
            const auto length = SendMessageA(window, LB_GETTEXTLEN, wIndex, 0);
            if (length < 0) return {};
            buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
            SendMessageA(window, LB_GETTEXT, wIndex, reinterpret_cast<LPARAM>(buffer.data()));
            break;
        }
        case ControlKind::StatusBar: {
            const auto length = LOWORD(SendMessageA(window, SB_GETTEXTLENGTHA, wIndex, 0));
            buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
            SendMessageA(window, SB_GETTEXTA, wIndex, reinterpret_cast<LPARAM>(buffer.data()));
            break;
        }
        case ControlKind::ListView: {
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT;
            column.pszText = buffer.data();
            column.cchTextMax = static_cast<int>(buffer.size());
            SendMessageA(window, LVM_GETCOLUMNA, wIndex, reinterpret_cast<LPARAM>(&column));
            break;
        }
        case ControlKind::PageControl: {
            TCITEMA tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = buffer.data();
            tab.cchTextMax = static_cast<int>(buffer.size());
            SendMessageA(window, TCM_GETITEMA, wIndex, reinterpret_cast<LPARAM>(&tab));
            break;
        }
        case ControlKind::TreeView: {
            TVITEMA item{};
            item.mask = TVIF_TEXT;
            item.hItem = TreeNodes(name).at(static_cast<std::size_t>(index));
            item.pszText = buffer.data();
            item.cchTextMax = static_cast<int>(buffer.size());
            SendMessageA(window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            break;
        }
        default: throw std::logic_error(std::string(name) + " has no items");
    }
    buffer.resize(buffer.find('\0') == std::string::npos ? buffer.size() : buffer.find('\0'));
    return buffer;
}

void Window::SetItemText(std::string_view name, int index, const std::string& text) {
    const ControlState& state = State(name);
    HWND window = Control(name);
    if (index < 0 || index >= ItemCount(name)) throw std::out_of_range(std::string(name) + ": no item " + std::to_string(index));
    const auto wIndex = static_cast<WPARAM>(index);
    char* writable = const_cast<char*>(text.c_str());
    switch (state.def->kind) {
        case ControlKind::ListBox: {
            const auto selected = SendMessageA(window, LB_GETSEL, wIndex, 0) > 0;
            const auto data = SendMessageA(window, LB_GETITEMDATA, wIndex, 0);
            SendMessageA(window, LB_DELETESTRING, wIndex, 0);
            SendMessageA(window, LB_INSERTSTRING, wIndex, reinterpret_cast<LPARAM>(writable));
            SendMessageA(window, LB_SETITEMDATA, wIndex, data);
            if (selected) {
                if (GetWindowLongPtrA(window, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL))
                    SendMessageA(window, LB_SETSEL, TRUE, static_cast<LPARAM>(index));
                else
                    SendMessageA(window, LB_SETCURSEL, wIndex, 0);
            }
            break;
        }
        case ControlKind::StatusBar:
            SendMessageA(window, SB_SETTEXTA, wIndex, reinterpret_cast<LPARAM>(writable));
            break;
        case ControlKind::ListView: {
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT;
            column.pszText = writable;
            SendMessageA(window, LVM_SETCOLUMNA, wIndex, reinterpret_cast<LPARAM>(&column));
            break;
        }
        case ControlKind::PageControl: {
            TCITEMA tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = writable;
            SendMessageA(window, TCM_SETITEMA, wIndex, reinterpret_cast<LPARAM>(&tab));
            break;
        }
        case ControlKind::TreeView: {
            TVITEMA item{};
            item.mask = TVIF_TEXT;
            item.hItem = TreeNodes(name).at(static_cast<std::size_t>(index));
            item.pszText = writable;
            SendMessageA(window, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            break;
        }
        default: throw std::logic_error(std::string(name) + " has no items");
    }
}

bool Window::StatusBarSingleText(std::string_view name) const {
    return SendMessageA(Control(name), SB_ISSIMPLE, 0, 0) != FALSE;
}

void Window::SetStatusBarSingleText(std::string_view name, bool single) {
    SendMessageA(Control(name), SB_SIMPLE, single ? TRUE : FALSE, 0);
}

int Window::ActivePage(std::string_view name) const {
    return static_cast<int>(SendMessageA(Control(name), TCM_GETCURSEL, 0, 0));
}

void Window::SetActivePage(std::string_view name, int page) {
    ControlState& state = State(name);
    SendMessageA(Control(name), TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    SyncPages(state);
}

void Window::StartTimer(std::string_view name) {
    ControlState& state = State(name);
    if (state.def->kind != ControlKind::Timer) throw std::logic_error(std::string(name) + " is not a timer");
    state.timerRunning = true;
    if (window_) SetTimer(window_, static_cast<UINT_PTR>(state.id), state.interval, nullptr);
}

void Window::StopTimer(std::string_view name) {
    ControlState& state = State(name);
    if (state.def->kind != ControlKind::Timer) throw std::logic_error(std::string(name) + " is not a timer");
    state.timerRunning = false;
    if (window_) KillTimer(window_, static_cast<UINT_PTR>(state.id));
}

bool Window::TimerRunning(std::string_view name) const { return State(name).timerRunning; }

void Window::SetTimerInterval(std::string_view name, unsigned milliseconds) {
    ControlState& state = State(name);
    state.interval = milliseconds;
    if (state.timerRunning) StartTimer(name);
}

void Window::SetProgress(std::string_view name, int position) {
    SendMessageA(Control(name), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int Window::Progress(std::string_view name) const {
    return static_cast<int>(SendMessageA(Control(name), PBM_GETPOS, 0, 0));
}


}  // namespace ks::ui
