// The widget layer: controls, pages and menus made from a window's table.
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

HWND Window::ContainerFor(const ControlDef& control) const {
    if (control.parent.empty()) return window_;
    const ControlState& parent = State(control.parent);
    if (parent.def->kind == ControlKind::PageControl) return parent.pages.at(static_cast<std::size_t>(control.page));
    return parent.window;
}

void Window::CreateControls() {
    controls_.clear();
    controls_.reserve(def_.controls.size());
    const HFONT font = Globals().font;
    int id = kFirstControlId;
    for (const ControlDef& def : def_.controls) {
        ControlState state;
        state.def = &def;
        state.id = id++;
        controls_.push_back(state);
    }
    for (ControlState& state : controls_) {
        const ControlDef& def = *state.def;
        if (!HasWindow(def.kind)) {
            state.interval = static_cast<unsigned>(def.interval);
            if (def.flags & kRunning) StartTimer(def.name);
            continue;
        }
        std::string caption = def.caption;
        if (caption.empty() && !def.action.empty()) caption = FindAction(def_, def.action)->caption;

        const char* className = "STATIC";
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
        DWORD extended = 0;
        switch (def.kind) {
            case ControlKind::Label: style |= SS_LEFT | SS_NOTIFY; break;
            case ControlKind::LinkLabel: style |= SS_LEFT | SS_NOTIFY; break;
            case ControlKind::Image: style |= SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE | SS_NOTIFY; break;
            case ControlKind::Button:
                className = "BUTTON";
                style |= (def.flags & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
                break;
            case ControlKind::FlatButton: className = "BUTTON"; style |= BS_OWNERDRAW; break;
            case ControlKind::CheckBox: className = "BUTTON"; style |= BS_AUTOCHECKBOX; break;
            case ControlKind::GroupBox:
                className = "BUTTON";
                style |= BS_GROUPBOX;
                extended |= WS_EX_CONTROLPARENT;
                break;
            case ControlKind::Panel:
                className = kContainerClass;
                style |= WS_CLIPCHILDREN;
                extended |= WS_EX_CONTROLPARENT;
                break;
            case ControlKind::ListBox:
                className = "LISTBOX";
                style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
                if (def.flags & kMultiSelect) style |= LBS_EXTENDEDSEL;
                extended |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::StatusBar:
                className = STATUSCLASSNAMEA;
                style |= CCS_BOTTOM;
                if (def_.style & kResizable) style |= SBARS_SIZEGRIP;
                break;
            case ControlKind::ListView:
                className = WC_LISTVIEWA;
                style |= LVS_REPORT | LVS_SHOWSELALWAYS;
                if (!(def.flags & kMultiSelect)) style |= LVS_SINGLESEL;
                if (def.flags & kOwnerData) style |= LVS_OWNERDATA;
                extended |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::TreeView:
                className = WC_TREEVIEWA;
                style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
                extended |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::PageControl: className = WC_TABCONTROLA; style |= WS_CLIPCHILDREN; break;
            case ControlKind::Edit:
                className = "EDIT";
                style |= ES_AUTOHSCROLL;
                if (def.flags & kReadOnly) style |= ES_READONLY;
                extended |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Memo:
                className = "EDIT";
                style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
                if (def.flags & kReadOnly) style |= ES_READONLY;
                extended |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::ProgressBar: className = PROGRESS_CLASSA; break;
            case ControlKind::Timer: break;
        }
        if (TakesFocus(def.kind) && !(def.flags & kNoTabStop)) style |= WS_TABSTOP;
        if (!(def.flags & kHidden)) style |= WS_VISIBLE;
        if (def.flags & kDisabled) style |= WS_DISABLED;

        const char* windowText = def.kind == ControlKind::StatusBar ? "" : caption.c_str();
        HWND window = CreateWindowExA(extended, className, windowText, style, def.at.left, def.at.top, def.at.width,
                                      def.at.height, ContainerFor(def),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(state.id)), Instance(), this);
        if (!window) throw std::runtime_error("cannot create the control " + def.name);
        state.window = window;
        SendMessageA(window, WM_SETFONT,
                     reinterpret_cast<WPARAM>(def.kind == ControlKind::LinkLabel ? Globals().linkFont : font), FALSE);

        switch (def.kind) {
            case ControlKind::GroupBox:
                SetWindowSubclass(window, ForwardingSubclass, 1, reinterpret_cast<DWORD_PTR>(window_));
                break;
            case ControlKind::CheckBox:
                if (def.flags & kChecked) SendMessageA(window, BM_SETCHECK, BST_CHECKED, 0);
                break;
            case ControlKind::ListBox:
                for (const ItemDef& item : def.items)
                    SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
                break;
            case ControlKind::StatusBar:
                if (def.items.empty()) {
                    SendMessageA(window, SB_SIMPLE, TRUE, 0);
                    SendMessageA(window, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(caption.c_str()));
                } else {
                    std::vector<int> edges;
                    int right = 0;
                    for (const ItemDef& panel : def.items) {
                        right += panel.width;
                        edges.push_back(right);
                    }
                    edges.back() = -1;  // the last panel takes the rest of the bar
                    SendMessageA(window, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
                    for (std::size_t n = 0; n < def.items.size(); ++n)
                        SendMessageA(window, SB_SETTEXTA, n, reinterpret_cast<LPARAM>(def.items[n].text.c_str()));
                }
                break;
            case ControlKind::ListView: {
                DWORD listStyle = 0;
                if (def.flags & kCheckBoxes) listStyle |= LVS_EX_CHECKBOXES;
                if (def.flags & kRowSelect) listStyle |= LVS_EX_FULLROWSELECT;
                SendMessageA(window, LVM_SETEXTENDEDLISTVIEWSTYLE, listStyle, listStyle);
                int n = 0;
                for (const ItemDef& column : def.items) {
                    LVCOLUMNA info{};
                    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
                    info.cx = column.width > 0 ? column.width : 100;
                    info.pszText = const_cast<char*>(column.text.c_str());
                    info.iSubItem = n;
                    SendMessageA(window, LVM_INSERTCOLUMNA, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&info));
                    ++n;
                }
                break;
            }
            case ControlKind::TreeView: {
                if (def.flags & kCheckBoxes)
                    SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | TVS_CHECKBOXES);
                std::vector<HTREEITEM> ancestors;  // ancestors[level] = last node inserted at that level
                for (const ItemDef& node : def.items) {
                    TVINSERTSTRUCTA insert{};
                    const auto level = static_cast<std::size_t>(node.level);
                    insert.hParent = level == 0 ? TVI_ROOT : ancestors.at(level - 1);
                    insert.hInsertAfter = TVI_LAST;
                    insert.item.mask = TVIF_TEXT;
                    insert.item.pszText = const_cast<char*>(node.text.c_str());
                    if (node.image >= 0) {
                        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
                        insert.item.iImage = node.image;
                        insert.item.iSelectedImage = node.image;
                    }
                    if (def.flags & kCheckBoxes) {
                        insert.item.mask |= TVIF_STATE;
                        insert.item.stateMask = TVIS_STATEIMAGEMASK;
                        insert.item.state = INDEXTOSTATEIMAGEMASK(1);
                    }
                    auto item = reinterpret_cast<HTREEITEM>(
                        SendMessageA(window, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
                    ancestors.resize(level + 1);
                    ancestors[level] = item;
                }
                break;
            }
            case ControlKind::PageControl: {
                int n = 0;
                for (const ItemDef& page : def.items) {
                    TCITEMA tab{};
                    tab.mask = TCIF_TEXT;
                    tab.pszText = const_cast<char*>(page.text.c_str());
                    SendMessageA(window, TCM_INSERTITEMA, static_cast<WPARAM>(n++), reinterpret_cast<LPARAM>(&tab));
                }
                for (std::size_t p = 0; p < def.items.size(); ++p) {
                    HWND page = CreateWindowExA(WS_EX_CONTROLPARENT, kContainerClass, "",
                                                WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, window,
                                                nullptr, Instance(), this);
                    if (!page) throw std::runtime_error("cannot create a page of " + def.name);
                    SendMessageA(page, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                    state.pages.push_back(page);
                }
                SyncPages(state);
                break;
            }
            case ControlKind::ProgressBar:
                SendMessageA(window, PBM_SETRANGE32, 0, def.range);
                break;
            default:
                break;
        }
    }
    // Commands bound to actions start enabled until their update handler says otherwise.
}

void Window::SyncPages(ControlState& pageControl) {
    RECT area{};
    GetClientRect(pageControl.window, &area);
    SendMessageA(pageControl.window, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    const auto active = static_cast<int>(SendMessageA(pageControl.window, TCM_GETCURSEL, 0, 0));
    for (std::size_t p = 0; p < pageControl.pages.size(); ++p) {
        HWND page = pageControl.pages[p];
        SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
        ShowWindow(page, static_cast<int>(p) == active ? SW_SHOW : SW_HIDE);
    }
}

void Window::CreateMenus() {
    menus_.clear();
    if (def_.menus.empty()) return;
    menus_.resize(def_.menus.size());
    bool anyInBar = false;
    std::vector<ACCEL> accelerators;
    for (std::size_t i = 0; i < def_.menus.size(); ++i) {
        const MenuDef& def = def_.menus[i];
        MenuState& state = menus_[i];
        state.def = &def;
        state.id = kFirstMenuId + static_cast<int>(i);
        state.caption = def.caption;
        const ActionDef* action = def.action.empty() ? nullptr : FindAction(def_, def.action);
        if (state.caption.empty() && action) state.caption = action->caption;
        state.checked = (def.flags & kMenuChecked) != 0;
        state.visible = (def.flags & kMenuHidden) == 0;
        state.enabled = (def.flags & kMenuDisabled) == 0;
        const std::string& shortcutText = !def.shortcut.empty() ? def.shortcut : action ? action->shortcut : def.shortcut;
        state.shortcut = ParseShortcut(shortcutText);
        if (state.shortcut) {
            state.shortcutText = ShortcutText(*state.shortcut, shortcutText);
            ACCEL accel{};
            accel.fVirt = static_cast<BYTE>(FVIRTKEY | (state.shortcut->ctrl ? FCONTROL : 0) |
                                            (state.shortcut->alt ? FALT : 0) | (state.shortcut->shift ? FSHIFT : 0));
            accel.key = static_cast<WORD>(state.shortcut->key);
            accel.cmd = static_cast<WORD>(state.id);
            accelerators.push_back(accel);
        }
        if (def.flags & kMenuPopup) {
            state.parent = -2;
            state.children = CreatePopupMenu();
        } else if (def.parent.empty()) {
            state.parent = -1;
            anyInBar = true;
        } else {
            const auto parent = static_cast<int>(FindMenu(def_, def.parent) - def_.menus.data());
            state.parent = parent;
            if (!menus_[static_cast<std::size_t>(parent)].children)
                menus_[static_cast<std::size_t>(parent)].children = CreatePopupMenu();
        }
    }
    if (anyInBar) resources_->bar = CreateMenu();
    if (anyInBar) RebuildMenu(-1);
    for (std::size_t i = 0; i < menus_.size(); ++i)
        if (menus_[i].children) RebuildMenu(static_cast<int>(i));
    if (!accelerators.empty())
        resources_->accelerators = CreateAcceleratorTableA(accelerators.data(), static_cast<int>(accelerators.size()));
}

void Window::RebuildMenu(int parentIndex) {
    HMENU target = parentIndex == -1 ? resources_->bar : menus_.at(static_cast<std::size_t>(parentIndex)).children;
    if (!target) return;
    // RemoveMenu, not DeleteMenu: the sub-menus are kept and put back.
    while (GetMenuItemCount(target) > 0) RemoveMenu(target, 0, MF_BYPOSITION);
    UINT position = 0;
    for (const MenuState& entry : menus_) {
        if (entry.parent != parentIndex || !entry.visible) continue;
        std::string text = entry.caption;
        if (!entry.shortcutText.empty()) text += "\t" + entry.shortcutText;
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
        info.wID = static_cast<UINT>(entry.id);
        info.fState = (entry.checked ? MFS_CHECKED : 0u) | (entry.enabled ? 0u : MFS_GRAYED);
        if (IsSeparator(*entry.def)) {
            info.fType = MFT_SEPARATOR;
        } else {
            info.fType = MFT_STRING;
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
        }
        if (entry.children) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = entry.children;
        }
        InsertMenuItemA(target, position++, TRUE, &info);
    }
    if (parentIndex == -1 && window_) DrawMenuBar(window_);
}


}  // namespace ks::ui
