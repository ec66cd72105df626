// The widget layer: the process-wide set-up, the message loops, a window's
// life and its one window procedure, and modal dialogs. Control creation,
// control texts and states, and menus with their commands have files of
// their own beside this one.
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
    globals.initialised = true;
}

void LendServices(const LentServices& services) { Globals().lent = services; }

const LentServices& Lent() { return Globals().lent; }

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
    if (const auto apply = Lent().applyActiveLanguage) apply(*this);
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
            if (IsForwardedToOwner(message) && self->window_)
                return SendMessageA(self->window_, message, wParam, lParam);
            switch (message) {
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
