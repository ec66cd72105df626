// The widget layer: menu entries, handlers, actions and the commands that run them.
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

// ---------------------------------------------------------------- menus

std::string Window::MenuCaption(std::string_view name) const { return Menu(name).caption; }

void Window::SetMenuCaption(std::string_view name, const std::string& caption) {
    MenuState& entry = Menu(name);
    entry.caption = caption;
    RebuildMenu(entry.parent);
}

void Window::SetMenuFlag(std::string_view name, bool MenuState::*flag, bool value) {
    MenuState& entry = Menu(name);
    if (entry.*flag == value) return;
    entry.*flag = value;
    RebuildMenu(entry.parent);
}

bool Window::MenuChecked(std::string_view name) const { return Menu(name).checked; }

void Window::SetMenuChecked(std::string_view name, bool checked) { SetMenuFlag(name, &MenuState::checked, checked); }

bool Window::MenuVisible(std::string_view name) const { return Menu(name).visible; }

void Window::SetMenuVisible(std::string_view name, bool visible) { SetMenuFlag(name, &MenuState::visible, visible); }

bool Window::MenuEnabled(std::string_view name) const { return Menu(name).enabled; }

void Window::SetMenuEnabled(std::string_view name, bool enabled) { SetMenuFlag(name, &MenuState::enabled, enabled); }

HMENU Window::MenuHandle(std::string_view name) const { return Menu(name).children; }

void Window::ShowPopupMenu(std::string_view name, int screenX, int screenY) {
    HMENU popup = MenuHandle(name);
    if (!popup) throw std::logic_error(std::string(name) + " has no entries");
    SetForegroundWindow(window_);
    const auto chosen = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screenX,
                                                        screenY, 0, window_, nullptr));
    PostMessageA(window_, WM_NULL, 0, 0);
    if (chosen >= kFirstMenuId) RunMenuCommand(chosen - kFirstMenuId);
}

// ---------------------------------------------------------------- handlers

void Window::OnClick(std::string_view name, Handler handler) {
    if (!FindControl(def_, name) && !FindMenu(def_, name))
        throw std::out_of_range(def_.name + " has no control or menu entry " + std::string(name));
    clickHandlers_[std::string(name)] = std::move(handler);
}

void Window::OnDoubleClick(std::string_view name, Handler handler) {
    KindOf(name);
    doubleClickHandlers_[std::string(name)] = std::move(handler);
}

void Window::OnTimer(std::string_view name, Handler handler) {
    if (KindOf(name) != ControlKind::Timer) throw std::logic_error(std::string(name) + " is not a timer");
    timerHandlers_[std::string(name)] = std::move(handler);
}

void Window::OnNotify(std::string_view name, UINT code, std::function<LRESULT(NMHDR&)> handler) {
    KindOf(name);
    notifyHandlers_[{std::string(name), code}] = std::move(handler);
}

void Window::OnMessage(UINT message, std::function<LRESULT(WPARAM, LPARAM)> handler) {
    messageHandlers_[message] = std::move(handler);
}

void Window::OnAction(std::string_view name, Handler execute, std::function<bool()> update) {
    if (!FindAction(def_, name)) throw std::out_of_range(def_.name + " has no action " + std::string(name));
    ActionHandlers& action = actions_[std::string(name)];
    action.execute = std::move(execute);
    action.update = std::move(update);
}

void Window::Execute(std::string_view name) {
    const auto found = actions_.find(name);
    if (found == actions_.end()) return;
    if (found->second.update) {
        found->second.enabled = found->second.update();
        if (!found->second.enabled) return;
    }
    if (found->second.execute) found->second.execute();
}

void Window::UpdateActions() {
    for (auto& [name, action] : actions_) {
        if (!action.update) continue;
        action.enabled = action.update();
        for (ControlState& control : controls_)
            if (control.def->action == name && control.window)
                EnableWindow(control.window, action.enabled ? TRUE : FALSE);
        for (const MenuState& entry : menus_)
            if (entry.def->action == name) SetMenuEnabled(entry.def->name, action.enabled);
    }
}

void Window::UpdateMenuActions(HMENU opening) {
    int parent = -3;
    for (std::size_t i = 0; i < menus_.size(); ++i)
        if (menus_[i].children == opening) parent = static_cast<int>(i);
    if (parent == -3) return;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < menus_.size(); ++i) {
        const MenuState& entry = menus_[i];
        if (entry.parent != parent || entry.def->action.empty()) continue;
        if (std::find(seen.begin(), seen.end(), entry.def->action) != seen.end()) continue;
        seen.push_back(entry.def->action);
        const auto found = actions_.find(entry.def->action);
        if (found == actions_.end() || !found->second.update) continue;
        found->second.enabled = found->second.update();
        for (const MenuState& bound : menus_)
            if (bound.def->action == entry.def->action) SetMenuEnabled(bound.def->name, found->second.enabled);
    }
}

void Window::RunControlCommand(ControlState& control, int code) {
    const ControlDef& def = *control.def;
    const bool click = code == BN_CLICKED;  // also STN_CLICKED
    const bool doubleClick = (def.kind == ControlKind::ListBox && code == LBN_DBLCLK) ||
                             ((def.kind == ControlKind::Label || def.kind == ControlKind::LinkLabel ||
                               def.kind == ControlKind::Image) &&
                              code == STN_DBLCLK);
    if (doubleClick) {
        if (const auto found = doubleClickHandlers_.find(def.name); found != doubleClickHandlers_.end())
            found->second();
        return;
    }
    if (def.kind == ControlKind::ListBox && code == LBN_SELCHANGE) {
        if (const auto found = clickHandlers_.find(def.name); found != clickHandlers_.end()) found->second();
        return;
    }
    if (!click) return;
    switch (def.kind) {
        case ControlKind::Label:
        case ControlKind::LinkLabel:
        case ControlKind::Image:
        case ControlKind::Button:
        case ControlKind::FlatButton:
        case ControlKind::CheckBox:
            break;
        default:
            return;
    }
    if (!def.action.empty()) {
        Execute(def.action);
        return;
    }
    if (const auto found = clickHandlers_.find(def.name); found != clickHandlers_.end()) {
        found->second();
        return;
    }
    if (def.kind == ControlKind::LinkLabel && !def.address.empty()) CurrentPrompts().OpenAddress(window_, def.address);
}

void Window::RunMenuCommand(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= menus_.size()) return;
    const MenuState& entry = menus_[static_cast<std::size_t>(index)];
    if (!entry.visible || IsSeparator(*entry.def)) return;
    if (!entry.def->action.empty()) {
        Execute(entry.def->action);
        return;
    }
    if (!entry.enabled) return;
    if (const auto found = clickHandlers_.find(entry.def->name); found != clickHandlers_.end()) found->second();
}


}  // namespace ks::ui
