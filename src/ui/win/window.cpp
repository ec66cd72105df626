// The widget layer: window procedure, control creation from the table, menus,
// actions, timers and the message loops.
#include "ui/win/window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

#include "settings/settings.h"
#include "settings/localisation.h"
#include "settings/win/localisation_win.h"
#include "ui/win/prompts.h"

namespace ks::ui {

namespace {

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
};

UiGlobals& Globals() {
    static UiGlobals globals;
    return globals;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

bool HasWindow(ControlKind kind) { return kind != ControlKind::Timer; }

bool TakesFocus(ControlKind kind) {
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

bool ShowsHandCursor(ControlKind kind) { return kind == ControlKind::LinkLabel || kind == ControlKind::FlatButton; }

// Children of a group box talk to the group box; this passes their commands
// and notifications on to the window that owns the table.
LRESULT CALLBACK ForwardingSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR form) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return SendMessageA(reinterpret_cast<HWND>(form), message, wParam, lParam);
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

void RecordSwallowed(const char* what) {
    UiGlobals& globals = Globals();
    ++globals.swallowed;
    globals.lastError = what;
    OutputDebugStringA("Keyscrub: a window handler failed: ");
    OutputDebugStringA(what);
    OutputDebugStringA("\n");
}

std::string ShortcutText(const Shortcut& shortcut, const std::string& written) {
    // The text as the table wrote it, with the modifiers spelled the usual way.
    std::string text;
    if (shortcut.ctrl) text += "Ctrl+";
    if (shortcut.shift) text += "Shift+";
    if (shortcut.alt) text += "Alt+";
    const std::size_t plus = written.rfind('+');
    text += plus == std::string::npos || plus + 1 == written.size() ? written : written.substr(plus + 1);
    return text;
}

}  // namespace

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

void InitializeUi() {
    UiGlobals& globals = Globals();
    if (globals.initialised) return;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTA face{};
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        face = metrics.lfMessageFont;
    else
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
    globals.font = CreateFontIndirectA(&face);
    face.lfUnderline = TRUE;
    globals.linkFont = CreateFontIndirectA(&face);

    WNDCLASSEXA container{};
    container.cbSize = sizeof(container);
    container.lpfnWndProc = &Window::Procedure;
    container.hInstance = Instance();
    container.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    container.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    container.lpszClassName = kContainerClass;
    RegisterClassExA(&container);

    // Files that someone installed before (a test, or the program) stay.
    if (!LanguageFiles()) InstallLanguageFiles();
    globals.initialised = true;
}

unsigned SwallowedErrorCount() { return Globals().swallowed; }
const std::string& LastSwallowedError() { return Globals().lastError; }

bool TranslateForWindow(MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (Window* window : Globals().live)
        if (window->window_ == root) return window->PreTranslate(message);
    return false;
}

void RunIdleUpdates() {
    // A copy: an update handler may close a window.
    const std::vector<Window*> live = Globals().live;
    for (Window* window : live) {
        const auto& current = Globals().live;
        if (std::find(current.begin(), current.end(), window) == current.end()) continue;
        if (window->window_ && !window->actions_.empty()) SendMessageA(window->window_, kIdleUpdateMessage, 0, 0);
    }
}

namespace {

void Dispatch(MSG& message) {
    if (TranslateForWindow(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// Takes the next message, running the idle updates first when none is waiting.
// False on WM_QUIT.
bool NextMessage(MSG& message) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        RunIdleUpdates();
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
            message.message = WM_QUIT;
            return false;
        }
    }
    return message.message != WM_QUIT;
}

}  // namespace

int RunMessageLoop() {
    MSG message{};
    while (NextMessage(message)) Dispatch(message);
    return static_cast<int>(message.wParam);
}

void ProcessPendingMessages() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
    RunIdleUpdates();
}

// ---------------------------------------------------------------- Window

Window::Window(const FormDef& def) : def_(def), resources_(std::make_unique<Resources>()) {
    InitializeUi();
    const std::vector<std::string> problems = CheckFormDef(def_);
    if (!problems.empty()) throw std::invalid_argument(problems.front());
}

Window::~Window() {
    destroying_ = true;
    if (window_) DestroyWindow(window_);
    auto& live = Globals().live;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (resources_->accelerators) DestroyAcceleratorTable(resources_->accelerators);
}

void Window::Create(HWND owner) {
    if (window_) return;
    const std::string className = def_.windowClass.empty() ? "T" + def_.name : def_.windowClass;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (!GetClassInfoExA(Instance(), className.c_str(), &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &Window::Procedure;
        windowClass.hInstance = Instance();
        windowClass.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(1));
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className.c_str();
        if (!RegisterClassExA(&windowClass)) throw std::runtime_error("cannot register the class of " + def_.name);
    }

    DWORD style = WS_CLIPCHILDREN;
    DWORD extended = 0;
    if (def_.style & kResizable) {
        style |= WS_OVERLAPPEDWINDOW;
    } else {
        style |= WS_POPUP | WS_CAPTION;
        extended |= WS_EX_DLGMODALFRAME;
        if (!(def_.style & kNoCaptionButtons)) style |= WS_SYSMENU;
    }

    resources_->owner = owner;
    CreateMenus();
    RECT frame{0, 0, def_.clientWidth, def_.clientHeight};
    AdjustWindowRectEx(&frame, style, resources_->bar != nullptr, extended);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner && !(def_.style & kCentreOnScreen) && IsWindowVisible(owner)) GetWindowRect(owner, &around);
    const int left = std::max<int>(0, around.left + (around.right - around.left - width) / 2);
    const int top = std::max<int>(0, around.top + (around.bottom - around.top - height) / 2);

    HWND created = CreateWindowExA(extended, className.c_str(), def_.caption.c_str(), style, left, top, width,
                                   height, owner, resources_->bar, Instance(), this);
    if (!created) throw std::runtime_error("cannot create the window " + def_.name);
    window_ = created;
    Globals().live.push_back(this);
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(Globals().font), FALSE);
    CreateControls();
    ready_ = true;
    FormCreate();
}

void Window::Show(int showCommand) {
    Create(resources_->owner);
    FormShow();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

void Window::Hide() {
    if (window_) ShowWindow(window_, SW_HIDE);
}

void Window::Close() {
    if (window_) SendMessageA(window_, WM_CLOSE, 0, 0);
}

void Window::ApplyActiveLanguage() {
    if (!IsEnglish(Settings.Lan)) ApplyLanguageToForm(*this, Settings.Lan);
}

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

LRESULT Window::Notify(NMHDR& header) {
    const auto index = static_cast<int>(header.idFrom) - kFirstControlId;
    if (index < 0 || static_cast<std::size_t>(index) >= controls_.size()) return 0;
    ControlState& control = controls_[static_cast<std::size_t>(index)];
    if (control.window != header.hwndFrom) return 0;
    const ControlDef& def = *control.def;
    if (def.kind == ControlKind::PageControl && header.code == TCN_SELCHANGE) SyncPages(control);
    if (const auto found = notifyHandlers_.find({def.name, header.code}); found != notifyHandlers_.end())
        return found->second(header);
    if (header.code == NM_CLICK) {
        if (const auto found = clickHandlers_.find(def.name); found != clickHandlers_.end()) found->second();
    } else if (header.code == NM_DBLCLK) {
        if (const auto found = doubleClickHandlers_.find(def.name); found != doubleClickHandlers_.end())
            found->second();
    } else if (header.code == TCN_SELCHANGE) {
        if (const auto found = clickHandlers_.find(def.name); found != clickHandlers_.end()) found->second();
    }
    return 0;
}

bool Window::PreTranslate(MSG& message) {
    if (resources_->accelerators && TranslateAcceleratorA(window_, resources_->accelerators, &message)) return true;
    return IsDialogMessageA(window_, &message) != FALSE;
}

void Window::Destroyed() {
    for (ControlState& control : controls_)
        if (control.timerRunning) KillTimer(window_, static_cast<UINT_PTR>(control.id));
    // The menus are ours: detach them, empty them and destroy each one once.
    SetMenu(window_, nullptr);
    std::vector<HMENU> owned;
    if (resources_->bar) owned.push_back(resources_->bar);
    for (MenuState& entry : menus_)
        if (entry.children) owned.push_back(entry.children);
    for (HMENU menu : owned)
        while (GetMenuItemCount(menu) > 0) RemoveMenu(menu, 0, MF_BYPOSITION);
    for (HMENU menu : owned) DestroyMenu(menu);
    resources_->bar = nullptr;
    for (MenuState& entry : menus_) entry.children = nullptr;
    if (quitOnDestroy_) PostQuitMessage(0);
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (destroying_) return DefaultProc(message, wParam, lParam);
    if (const auto found = messageHandlers_.find(message); found != messageHandlers_.end())
        return found->second(wParam, lParam);

    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (lParam) {
                const int index = id - kFirstControlId;
                if (index >= 0 && static_cast<std::size_t>(index) < controls_.size())
                    RunControlCommand(controls_[static_cast<std::size_t>(index)], code);
                return 0;
            }
            if (id == IDOK || id == IDCANCEL) {
                // Enter and Escape from the dialog manager press the default or cancel button.
                const unsigned wanted = id == IDOK ? kDefaultButton : kCancelButton;
                for (ControlState& control : controls_)
                    if ((control.def->flags & wanted) && control.window && IsWindowEnabled(control.window) &&
                        IsWindowVisible(control.window)) {
                        RunControlCommand(control, BN_CLICKED);
                        break;
                    }
                return 0;
            }
            RunMenuCommand(id - kFirstMenuId);
            return 0;
        }
        case WM_NOTIFY: return Notify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_TIMER: {
            const int index = static_cast<int>(wParam) - kFirstControlId;
            if (index >= 0 && static_cast<std::size_t>(index) < controls_.size()) {
                const ControlState& control = controls_[static_cast<std::size_t>(index)];
                if (control.def->kind == ControlKind::Timer && control.timerRunning)
                    if (const auto found = timerHandlers_.find(control.def->name); found != timerHandlers_.end())
                        found->second();
            }
            return 0;
        }
        case WM_SIZE:
            for (ControlState& control : controls_)
                if (control.def->kind == ControlKind::StatusBar) SendMessageA(control.window, WM_SIZE, 0, 0);
            if (ready_) FormResize();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) FormActivate();
            return DefaultProc(message, wParam, lParam);
        case WM_CLOSE:
            if (modal_) {
                if (modalResult_ == kModalNone) modalResult_ = kModalCancel;
                return 0;
            }
            if (FormCloseQuery()) {
                FormClose();
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY: Destroyed(); return 0;
        case WM_INITMENUPOPUP:
            UpdateMenuActions(reinterpret_cast<HMENU>(wParam));
            return 0;
        case kIdleUpdateMessage: UpdateActions(); return 0;
        case DM_GETDEFID:
            for (const ControlState& control : controls_)
                if (control.def->flags & kDefaultButton) return MAKELRESULT(control.id, DC_HASDEFID);
            return 0;
        case WM_SETCURSOR: {
            auto under = reinterpret_cast<HWND>(wParam);
            for (const ControlState& control : controls_)
                if (control.window == under && ShowsHandCursor(control.def->kind) && IsWindowEnabled(under)) {
                    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
                    return TRUE;
                }
            return DefaultProc(message, wParam, lParam);
        }
        case WM_CTLCOLORSTATIC: {
            auto control = reinterpret_cast<HWND>(lParam);
            for (const ControlState& state : controls_)
                if (state.window == control && state.def->kind == ControlKind::LinkLabel) {
                    auto dc = reinterpret_cast<HDC>(wParam);
                    SetTextColor(dc, RGB(0, 0, 204));
                    SetBkMode(dc, TRANSPARENT);
                    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
                }
            return DefaultProc(message, wParam, lParam);
        }
        case WM_DRAWITEM: {
            auto& draw = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (draw.CtlType != ODT_BUTTON) return FALSE;
            FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_BTNFACE));
            const std::string text = WindowText(draw.hwndItem);
            const bool disabled = (draw.itemState & ODS_DISABLED) != 0;
            SetBkMode(draw.hDC, TRANSPARENT);
            SetTextColor(draw.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 204));
            HGDIOBJ previous = SelectObject(draw.hDC, Globals().linkFont);
            RECT area = draw.rcItem;
            area.left += 2;
            DrawTextA(draw.hDC, text.c_str(), static_cast<int>(text.size()), &area,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            SelectObject(draw.hDC, previous);
            if (draw.itemState & ODS_FOCUS) DrawFocusRect(draw.hDC, &draw.rcItem);
            return TRUE;
        }
        default: return DefaultProc(message, wParam, lParam);
    }
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            const auto& create = *reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create.lpCreateParams));
            if (!(create.style & WS_CHILD) && create.lpCreateParams)
                static_cast<Window*>(create.lpCreateParams)->window_ = window;
        }
        auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self) return DefWindowProcA(window, message, wParam, lParam);

        if (window != self->window_) {
            // A panel or a tab page: its children report to the window that owns the table.
            switch (message) {
                case WM_COMMAND:
                case WM_NOTIFY:
                case WM_DRAWITEM:
                case WM_CTLCOLORSTATIC:
                case WM_CTLCOLORBTN:
                case WM_CTLCOLOREDIT:
                case WM_CTLCOLORLISTBOX:
                    if (self->window_) return SendMessageA(self->window_, message, wParam, lParam);
                    break;
                case WM_PAINT: {
                    PAINTSTRUCT paint{};
                    HDC dc = BeginPaint(window, &paint);
                    const std::string text = WindowText(window);
                    if (!text.empty()) {
                        RECT area{};
                        GetClientRect(window, &area);
                        SetBkMode(dc, TRANSPARENT);
                        HGDIOBJ previous = SelectObject(dc, Globals().font);
                        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
                                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                        SelectObject(dc, previous);
                    }
                    EndPaint(window, &paint);
                    return 0;
                }
                case WM_NCDESTROY: SetWindowLongPtrA(window, GWLP_USERDATA, 0); break;
                default: break;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        }

        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
            auto& live = Globals().live;
            live.erase(std::remove(live.begin(), live.end(), self), live.end());
            return DefWindowProcA(window, message, wParam, lParam);
        }
        return self->WindowProc(message, wParam, lParam);
    } catch (const std::exception& error) {
        RecordSwallowed(error.what());
    } catch (...) {
        RecordSwallowed("an exception of unknown type");
    }
    return 0;
}

// ---------------------------------------------------------------- Dialog

int Dialog::ShowModal(HWND owner) {
    if (modal_) throw std::logic_error(Name() + " is already shown modally");
    Create(owner);
    modalResult_ = kModalNone;

    HWND disabledOwner = owner && IsWindowEnabled(owner) ? owner : nullptr;
    // Whatever happens below, the owner comes back enabled and the window hidden.
    struct Restore {
        Dialog& dialog;
        HWND owner;
        ~Restore() {
            dialog.modal_ = false;
            if (owner) EnableWindow(owner, TRUE);
            dialog.Hide();
            if (owner) SetActiveWindow(owner);
        }
    } restore{*this, disabledOwner};
    if (disabledOwner) EnableWindow(disabledOwner, FALSE);
    modal_ = true;
    Show();
    SetActiveWindow(Handle());

    MSG message{};
    bool quit = false;
    while (Handle()) {
        if (modalResult_ != kModalNone) {
            if (FormCloseQuery()) break;
            modalResult_ = kModalNone;
            continue;
        }
        if (!NextMessage(message)) {
            quit = true;
            if (modalResult_ == kModalNone) modalResult_ = kModalCancel;
            break;
        }
        Dispatch(message);
    }
    if (Handle()) FormClose();
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));
    if (!Handle() && modalResult_ == kModalNone) modalResult_ = kModalCancel;
    return modalResult_;
}

void Dialog::SetModalResult(int result) {
    modalResult_ = result;
    // Wakes the modal loop if it is waiting for a message.
    if (Handle()) PostMessageA(Handle(), WM_NULL, 0, 0);
}

}  // namespace ks::ui
