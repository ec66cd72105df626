// The widget layer: windows and modal dialogs built from a FormDef table.
//
// How a window is made:
//   class TfrmShowHint : public ui::Dialog {
//   public:
//       TfrmShowHint() : Dialog(ShowHintForm()) {
//           OnClick("cbNotShowHint", [this] { Settings.ShowHint = !Checked("cbNotShowHint"); });
//           OnClick("bClose", [this] { SetModalResult(kModalCancel); });
//       }
//   protected:
//       void FormShow() override { SetText("Label1", ...); ApplyActiveLanguage(); }
//   };
//   TfrmShowHint hint;                       // created for this use
//   int answer = hint.ShowModal(owner);      // 1 OK, 2 cancel, 3 abort
//                                            // destroyed when `hint` goes out of scope
//
// - Create() makes the window and every control of the table, hidden; the
//   control's HWND is found by its name (Control("bOK")). Handlers are
//   std::function values registered by name: OnClick, OnDoubleClick,
//   OnNotify (raw WM_NOTIFY codes), OnTimer, OnMessage (any message number,
//   e.g. a worker's posted WM_APP-range message), OnAction (execute + update).
// - Every message of every window goes through one window procedure, which is
//   the only place that catches exceptions: a handler that throws is recorded
//   (SwallowedErrorCount) and the message gets its default answer.
// - Form events are virtual: FormCreate (after the controls exist), FormShow
//   (each time the window is shown), FormActivate, FormResize, FormClose.
// - Dialog::ShowModal disables the owner and runs its own message loop until a
//   modal result is set (SetModalResult, a button, WM_CLOSE → cancel), so
//   messages posted to the dialog (a worker's WM_CLOSE, a FormShow that posts
//   itself a start message) are handled while it is modal. On return the
//   window is hidden but still exists, so the caller can read its controls;
//   the destructor destroys it.
// - Action update handlers run when the message queue becomes empty and when
//   a menu that holds a bound entry opens; their answer enables every button
//   and menu entry bound to the action.
// - All of this is for the user-interface thread only. Workers post messages.
// - Rows of list views and tree check states: ui/win/common_controls.h.
//   Message boxes, the save-file dialog and the folder picker:
//   ui/win/prompts.h (tests answer them with ScopedPrompts).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form_table.h"

namespace ks::ui {

constexpr int kModalNone = 0;
constexpr int kModalOK = 1;
constexpr int kModalCancel = 2;
constexpr int kModalAbort = 3;

// Common controls and window classes. Safe to call more than once; the
// window constructors call it.
void InitializeUi();

class Window;

// What the widget layer borrows from the program above it, lent once at
// start before the first window: the translation of a window into the active
// language (ApplyActiveLanguage) and the shell's folder picker behind
// Prompts::PickFolder. Until then windows keep their design-time texts and
// the picker answers as if cancelled.
struct LentServices {
    void (*applyActiveLanguage)(Window& window) = nullptr;
    bool (*browseForFolder)(const std::string& title, const std::wstring& root, std::string& path,
                            HWND owner) = nullptr;
};
void LendServices(const LentServices& services);
const LentServices& Lent();

// Runs the user-interface message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Handles every message already queued for this thread, then runs the idle
// action updates, and returns.
void ProcessPendingMessages();

// Number of exceptions that handlers threw and the window procedure caught.
unsigned SwallowedErrorCount();
const std::string& LastSwallowedError();

class Window {
public:
    explicit Window(const FormDef& def);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Makes the window and all controls, hidden, owned by `owner` (may be null).
    // Runs FormCreate. Does nothing when the window exists already.
    void Create(HWND owner = nullptr);
    // Creates the window if needed, runs FormShow and shows it.
    void Show(int showCommand = SW_SHOW);
    void Hide();
    // Asks the window to close, as its close box does.
    void Close();
    // The process ends its message loop when this window is destroyed.
    void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

    HWND Handle() const { return window_; }
    const FormDef& Definition() const { return def_; }
    const std::string& Name() const { return def_.name; }

    // The control's window; throws std::out_of_range for a name the table
    // does not have, std::logic_error for a timer (it has no window).
    HWND Control(std::string_view name) const;
    bool HasControl(std::string_view name) const;
    ControlKind KindOf(std::string_view name) const;

    std::string Text(std::string_view name) const;
    void SetText(std::string_view name, const std::string& text);
    std::string Caption() const;
    void SetCaption(const std::string& text);
    bool Checked(std::string_view name) const;
    void SetChecked(std::string_view name, bool checked);
    bool Enabled(std::string_view name) const;
    void SetEnabled(std::string_view name, bool enabled);
    bool Visible(std::string_view name) const;
    void SetVisible(std::string_view name, bool visible);
    RECT Bounds(std::string_view name) const;  // in the parent's client coordinates
    void SetBounds(std::string_view name, int left, int top, int width, int height);
    // Width of a text in the window's font, in pixels.
    int TextWidth(const std::string& text) const;

    // List boxes, list-view columns, status-bar panels, tab pages, tree nodes
    // (depth-first), as the table numbers them.
    int ItemCount(std::string_view name) const;
    std::string ItemText(std::string_view name, int index) const;
    void SetItemText(std::string_view name, int index, const std::string& text);
    // Tree nodes in depth-first order: a node, its descendants, its next sibling.
    std::vector<HTREEITEM> TreeNodes(std::string_view name) const;
    // Status bar: single-text mode shows one text; otherwise the panels.
    bool StatusBarSingleText(std::string_view name) const;
    void SetStatusBarSingleText(std::string_view name, bool single);
    int ActivePage(std::string_view name) const;
    void SetActivePage(std::string_view name, int page);

    void StartTimer(std::string_view name);
    void StopTimer(std::string_view name);
    bool TimerRunning(std::string_view name) const;
    void SetTimerInterval(std::string_view name, unsigned milliseconds);

    void SetProgress(std::string_view name, int position);
    int Progress(std::string_view name) const;

    // Menu entries by component name; hidden entries keep their state.
    std::string MenuCaption(std::string_view name) const;
    void SetMenuCaption(std::string_view name, const std::string& caption);
    bool MenuChecked(std::string_view name) const;
    void SetMenuChecked(std::string_view name, bool checked);
    bool MenuVisible(std::string_view name) const;
    void SetMenuVisible(std::string_view name, bool visible);
    bool MenuEnabled(std::string_view name) const;
    void SetMenuEnabled(std::string_view name, bool enabled);
    // The real menu that shows an entry's children (a sub-menu or a pop-up menu).
    HMENU MenuHandle(std::string_view name) const;
    // Shows a pop-up menu at screen coordinates and runs the chosen entry.
    void ShowPopupMenu(std::string_view name, int screenX, int screenY);

    using Handler = std::function<void()>;
    void OnClick(std::string_view name, Handler handler);        // controls and menu entries
    void OnDoubleClick(std::string_view name, Handler handler);  // list box, list view, tree view, label
    void OnTimer(std::string_view name, Handler handler);
    void OnNotify(std::string_view name, UINT code, std::function<LRESULT(NMHDR&)> handler);
    void OnMessage(UINT message, std::function<LRESULT(WPARAM, LPARAM)> handler);
    void OnAction(std::string_view name, Handler execute, std::function<bool()> update = {});
    void Execute(std::string_view action);
    // Runs every update handler and applies the answers.
    void UpdateActions();

    // Translates the window from the active language file unless the active
    // language is English (the lent service); what every window does when it
    // is shown.
    void ApplyActiveLanguage();

protected:
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormResize() {}
    // Asked before the window closes; false keeps it open.
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose() {}
    // Every message passes here first; the default dispatches to the handlers.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // True while the window is shown modally (set by Dialog).
    bool modal_ = false;
    int modalResult_ = kModalNone;

private:
    struct ControlState;
    struct MenuState;
    struct Resources;

    ControlState& State(std::string_view name);
    const ControlState& State(std::string_view name) const;
    MenuState& Menu(std::string_view name);
    const MenuState& Menu(std::string_view name) const;
    void CreateControls();
    void CreateMenus();
    void RebuildMenu(int parentIndex);
    // Sets one state flag of a menu entry and rebuilds its menu when it changed.
    void SetMenuFlag(std::string_view name, bool MenuState::*flag, bool value);
    void SyncPages(ControlState& pageControl);
    void RunControlCommand(ControlState& control, int code);
    void RunMenuCommand(int index);
    void UpdateMenuActions(HMENU opening);
    LRESULT Notify(NMHDR& header);
    bool PreTranslate(MSG& message);
    void Destroyed();
    HWND ContainerFor(const ControlDef& control) const;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    friend bool TranslateForWindow(MSG& message);
    friend void RunIdleUpdates();
    friend void InitializeUi();

    const FormDef& def_;
    HWND window_ = nullptr;
    bool quitOnDestroy_ = false;
    bool destroying_ = false;
    bool ready_ = false;  // the controls exist
    std::vector<ControlState> controls_;
    std::vector<MenuState> menus_;
    std::unique_ptr<Resources> resources_;
    std::map<std::string, Handler, std::less<>> clickHandlers_;
    std::map<std::string, Handler, std::less<>> doubleClickHandlers_;
    std::map<std::string, Handler, std::less<>> timerHandlers_;
    std::map<std::pair<std::string, UINT>, std::function<LRESULT(NMHDR&)>> notifyHandlers_;
    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> messageHandlers_;
    struct ActionHandlers {
        Handler execute;
        std::function<bool()> update;
        bool enabled = true;
    };
    std::map<std::string, ActionHandlers, std::less<>> actions_;
};

class Dialog : public Window {
public:
    using Window::Window;

    // Shows the window modally over `owner` and returns the modal result.
    // Creates the window on first use; the window stays (hidden) afterwards.
    int ShowModal(HWND owner);
    void SetModalResult(int result);
    int ModalResult() const { return modalResult_; }
    bool IsModal() const { return modal_; }
};

}  // namespace ks::ui
