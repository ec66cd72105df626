// The widget layer on real windows: controls made from the table, handlers,
// menus, actions, timers, modal dialogs and the one window procedure.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/win/prompts.h"
#include "ui/win/window.h"
#include "win/ui_sample_form.h"

namespace ks::ui {
namespace {

// Pumps messages until `done` holds or five seconds pass.
template <typename Condition>
bool WaitFor(Condition done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 5000) return false;
        ProcessPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string MenuText(HMENU menu, int position) {
    char text[512] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    return text;
}

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        texts.push_back((info.fType & MFT_SEPARATOR) ? "-" : MenuText(menu, i));
    }
    return texts;
}

void Click(HWND control) { SendMessageA(control, BM_CLICK, 0, 0); }

class RecordingPrompts final : public Prompts {
public:
    int ShowMessage(HWND, const std::string& text, UINT) override {
        messages.push_back(text);
        return IDOK;
    }
    std::optional<std::string> SaveFile(HWND, const SaveFileRequest&) override { return std::nullopt; }
    std::optional<std::string> PickFolder(HWND, const std::string&, const std::wstring&) override {
        return std::nullopt;
    }
    void OpenAddress(HWND, const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> messages;
    std::vector<std::string> opened;
};

class EveryKindWindow : public Window {
public:
    EveryKindWindow() : Window(test::EveryKindForm()) {}
    int created = 0;
    int shown = 0;
    int resized = 0;

protected:
    void FormCreate() override { ++created; }
    void FormShow() override { ++shown; }
    void FormResize() override { ++resized; }
};

TEST(UiWindowTest, TableBuildsEveryControlUnderItsParent) {
    EveryKindWindow window;
    window.Create();
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_EQ(window.created, 1);
    EXPECT_EQ(ClassOf(window.Handle()), "TfrmEveryKind");
    EXPECT_EQ(window.Caption(), "Every kind");
    RECT client{};
    GetClientRect(window.Handle(), &client);
    EXPECT_EQ(client.right, 640);

    struct Case {
        const char* name;
        const char* windowClass;
    };
    const Case cases[] = {
        {"lTitle", "Static"},       {"lUpdate", "Static"},           {"bScan", "Button"},
        {"bOK", "Button"},          {"cbBeep", "Button"},            {"gbFolder", "Button"},
        {"eFolder", "Edit"},        {"lbItems", "ListBox"},          {"lvData", "SysListView32"},
        {"tvSections", "SysTreeView32"}, {"pcOptions", "SysTabControl32"}, {"mNotes", "Edit"},
        {"pbProgress", "msctls_progress32"}, {"StatusBar1", "msctls_statusbar32"}, {"iIcon", "Static"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND control = window.Control(c.name);
        EXPECT_TRUE(IsWindow(control));
        EXPECT_EQ(_stricmp(ClassOf(control).c_str(), c.windowClass), 0) << ClassOf(control);
    }
    EXPECT_EQ(GetParent(window.Control("lTitle")), window.Handle());
    EXPECT_EQ(GetParent(window.Control("eFolder")), window.Control("gbFolder"));
    EXPECT_EQ(GetParent(window.Control("bInPanel")), window.Control("pnlBottom"));
    // On a page: the page's own container, which sits on the tab control.
    HWND page = GetParent(window.Control("cbOnPage"));
    EXPECT_EQ(GetParent(page), window.Control("pcOptions"));
    HWND innerPage = GetParent(window.Control("bOnInnerPage"));
    EXPECT_EQ(GetParent(innerPage), window.Control("pcInner"));
    EXPECT_EQ(GetParent(GetParent(window.Control("pcInner"))), window.Control("pcOptions"));

    EXPECT_THROW(window.Control("bNothing"), std::out_of_range);
    EXPECT_THROW(window.Control("Timer1"), std::logic_error);
    EXPECT_EQ(window.KindOf("Timer1"), ControlKind::Timer);

    EXPECT_EQ(GetWindowLongPtrA(window.Control("eFolder"), GWL_STYLE) & ES_READONLY, ES_READONLY);
    EXPECT_NE(GetWindowLongPtrA(window.Control("tvSections"), GWL_STYLE) & TVS_CHECKBOXES, 0);
    const auto listStyle = SendMessageA(window.Control("lvData"), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_NE(listStyle & LVS_EX_CHECKBOXES, 0);
    EXPECT_NE(listStyle & LVS_EX_FULLROWSELECT, 0);
    EXPECT_EQ(GetWindowLongPtrA(window.Control("lvData"), GWL_STYLE) & LVS_SINGLESEL, 0);
    EXPECT_FALSE(window.Visible("sbSingle"));
    EXPECT_TRUE(window.Visible("StatusBar1"));
}

TEST(UiWindowTest, TextsOfEveryKindReadBack) {
    EveryKindWindow window;
    window.Create();
    EXPECT_EQ(window.Text("lTitle"), "Title");
    EXPECT_EQ(window.Text("bScan"), "Scan registry issues");
    EXPECT_EQ(window.Text("bInPanel"), "In panel");
    EXPECT_EQ(window.Text("mNotes"), "Registry Key");

    struct Case {
        const char* name;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"lbItems", {"First", "Second", "Third"}},
        {"lvData", {"Problem", "Data", "Registry Key"}},
        {"StatusBar1", {" 0 problems found", " 0 selected"}},
        {"pcOptions", {"General", "Ignore Lists"}},
        {"pcInner", {"Values", "Keys"}},
        // Depth first: a node, its descendants, then its next sibling.
        {"tvSections",
         {"My Computers", "Files and Folders", "Local machine", "Current user", "Software Locations", "Second root"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(window.ItemCount(c.name), static_cast<int>(c.items.size()));
        for (std::size_t n = 0; n < c.items.size(); ++n) EXPECT_EQ(window.ItemText(c.name, static_cast<int>(n)), c.items[n]);
        window.SetItemText(c.name, 1, "Changed");
        EXPECT_EQ(window.ItemText(c.name, 1), "Changed");
        EXPECT_EQ(window.ItemText(c.name, 0), c.items[0]) << "a neighbour must not change";
        EXPECT_THROW(window.ItemText(c.name, static_cast<int>(c.items.size())), std::out_of_range);
    }

    EXPECT_FALSE(window.StatusBarSingleText("StatusBar1"));
    EXPECT_TRUE(window.StatusBarSingleText("sbSingle"));
    EXPECT_EQ(window.Text("sbSingle"), "Single text");
    window.SetText("sbSingle", "Other text");
    EXPECT_EQ(window.Text("sbSingle"), "Other text");

    // Tree nodes keep their image index and start unticked.
    const std::vector<HTREEITEM> nodes = window.TreeNodes("tvSections");
    ASSERT_EQ(nodes.size(), 6u);
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_STATE;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.hItem = nodes[4];
    SendMessageA(window.Control("tvSections"), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, 6);
    EXPECT_EQ(item.state & TVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));

    window.SetProgress("pbProgress", 750);
    EXPECT_EQ(window.Progress("pbProgress"), 750) << "range comes from the table";
}

TEST(UiWindowTest, ClicksReachHandlersFromEveryContainer) {
    EveryKindWindow window;
    window.Create();
    std::vector<std::string> clicked;
    for (const char* name : {"bOK", "bBrowse", "cbOnPage", "bOnInnerPage", "bScan", "cbBeep"})
        window.OnClick(name, [&clicked, name] { clicked.push_back(name); });
    for (const char* name : {"bOK", "bBrowse", "cbOnPage", "bOnInnerPage", "bScan", "cbBeep"})
        Click(window.Control(name));
    EXPECT_EQ(clicked, (std::vector<std::string>{"bOK", "bBrowse", "cbOnPage", "bOnInnerPage", "bScan", "cbBeep"}));
    EXPECT_TRUE(window.Checked("cbBeep")) << "a check box ticks itself when clicked";
    EXPECT_TRUE(window.Checked("cbOnPage"));
    window.SetChecked("cbBeep", false);
    EXPECT_FALSE(window.Checked("cbBeep"));
    EXPECT_THROW(window.OnClick("bNothing", [] {}), std::out_of_range);
}

TEST(UiWindowTest, LinkLabelOpensItsAddressThroughThePrompts) {
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    EveryKindWindow window;
    window.Create();
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window.Control("lUpdate")), STN_CLICKED),
                 reinterpret_cast<LPARAM>(window.Control("lUpdate")));
    EXPECT_EQ(prompts.opened, std::vector<std::string>{"http://example.invalid/update"});

    // A click handler replaces the address.
    int handled = 0;
    window.OnClick("lUpdate", [&] { ++handled; });
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window.Control("lUpdate")), STN_CLICKED),
                 reinterpret_cast<LPARAM>(window.Control("lUpdate")));
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(prompts.opened.size(), 1u);
}

TEST(UiWindowTest, MenusShowVisibleEntriesWithShortcutsAndChecks) {
    EveryKindWindow window;
    window.Create();
    HMENU bar = GetMenu(window.Handle());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(MenuTexts(bar), (std::vector<std::string>{"File", "Language"}));
    HMENU file = GetSubMenu(bar, 0);
    // The entry bound to aGo takes the action's caption and shortcut.
    EXPECT_EQ(MenuTexts(file), (std::vector<std::string>{"&Go\tCtrl+G", "-", "&Exit\tCtrl+Q"}));
    HMENU language = GetSubMenu(bar, 1);
    EXPECT_EQ(language, window.MenuHandle("miLanguage"));
    EXPECT_EQ(MenuTexts(language), (std::vector<std::string>{"&English", "&German", "More"}))
        << "the hidden entry is left out";
    EXPECT_EQ(GetMenuState(language, 0, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(language, 1, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(MenuTexts(GetSubMenu(language, 2)), std::vector<std::string>{"Deep entry"});

    window.SetMenuChecked("miEnglish", false);
    window.SetMenuChecked("miGerman", true);
    window.SetMenuVisible("Language1", true);
    window.SetMenuCaption("miMore", "Mehr");
    language = GetSubMenu(GetMenu(window.Handle()), 1);
    EXPECT_EQ(MenuTexts(language), (std::vector<std::string>{"&English", "&German", "Mehr", "Language"}));
    EXPECT_EQ(GetMenuState(language, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(language, 1, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(MenuTexts(GetSubMenu(language, 2)), std::vector<std::string>{"Deep entry"})
        << "a sub-menu survives the rebuilding of its parent";
    EXPECT_TRUE(window.MenuVisible("Language1"));

    // Choosing an entry runs its click handler; a hidden one does nothing.
    int exits = 0;
    window.OnClick("miExit", [&] { ++exits; });
    const UINT exitId = GetMenuItemID(file, 2);
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(exitId, 0), 0);
    EXPECT_EQ(exits, 1);
    window.SetMenuVisible("miExit", false);
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(exitId, 1), 0);
    EXPECT_EQ(exits, 1);
    EXPECT_NE(window.MenuHandle("PopupMenu1"), nullptr);
    EXPECT_EQ(MenuTexts(window.MenuHandle("PopupMenu1")), std::vector<std::string>{"Select &All"});
}

// Shortcuts go through the message loop's accelerator table. The thread's key
// state says Ctrl is down, as it would while the key is held.
TEST(UiWindowTest, ShortcutsRunTheirEntries) {
    EveryKindWindow window;
    window.Show();
    int exits = 0;
    int goes = 0;
    window.OnClick("miExit", [&] { ++exits; });
    window.OnAction("aGo", [&] { ++goes; });
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE held[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(held));
    held[VK_CONTROL] = 0x80;
    held[VK_LCONTROL] = 0x80;
    SetKeyboardState(held);
    const auto press = [&](UINT key) {
        PostMessageA(window.Control("lbItems"), WM_KEYDOWN, key, 1);
        ProcessPendingMessages();
    };
    press('Q');
    press('G');
    press('X');  // no entry has Ctrl+X
    SetKeyboardState(keys);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(goes, 1);
    press('Q');  // without Ctrl: only a key for the list box
    EXPECT_EQ(exits, 1);
}

TEST(UiWindowTest, ActionUpdateEnablesBoundButtonsAndEntries) {
    EveryKindWindow window;
    window.Create();
    bool allowed = false;
    int executed = 0;
    window.OnAction("aGo", [&] { ++executed; }, [&] { return allowed; });
    window.UpdateActions();
    EXPECT_FALSE(window.Enabled("bInPanel"));
    EXPECT_FALSE(window.MenuEnabled("miGo"));
    HMENU file = GetSubMenu(GetMenu(window.Handle()), 0);
    EXPECT_EQ(GetMenuState(file, 0, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    // A command that arrives anyway (a shortcut) asks the update handler first.
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(file, 0), 1), 0);
    EXPECT_EQ(executed, 0);

    allowed = true;
    window.UpdateActions();
    EXPECT_TRUE(window.Enabled("bInPanel"));
    EXPECT_TRUE(window.MenuEnabled("miGo"));
    Click(window.Control("bInPanel"));
    SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(file, 0), 0), 0);
    EXPECT_EQ(executed, 2);

    // Opening the menu runs the update handler of its bound entries.
    allowed = false;
    SendMessageA(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_FALSE(window.MenuEnabled("miGo"));

    // The message loop runs updates when it runs out of messages.
    allowed = true;
    window.Show();
    EXPECT_TRUE(WaitFor([&] { return window.MenuEnabled("miGo"); }));
}

TEST(UiWindowTest, HiddenEntryUpdateRunsWhenItsMenuOpens) {
    EveryKindWindow window;
    window.Create();
    int updates = 0;
    window.OnAction("aLanguage", [] {}, [&] {
        ++updates;
        window.SetMenuVisible("miGerman", false);
        return true;
    });
    SendMessageA(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window.MenuHandle("miLanguage")), 0);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(MenuTexts(window.MenuHandle("miLanguage")), (std::vector<std::string>{"&English", "More"}));
}

TEST(UiWindowTest, ThrowingHandlerIsCaughtAndTheWindowGoesOn) {
    EveryKindWindow window;
    window.Create();
    const unsigned before = SwallowedErrorCount();
    window.OnClick("bOK", [] { throw std::runtime_error("handler failed"); });
    int clicks = 0;
    window.OnClick("bBrowse", [&] { ++clicks; });
    Click(window.Control("bOK"));
    EXPECT_EQ(SwallowedErrorCount(), before + 1);
    EXPECT_EQ(LastSwallowedError(), "handler failed");
    Click(window.Control("bBrowse"));
    EXPECT_EQ(clicks, 1);
    window.OnMessage(WM_APP + 7, [](WPARAM, LPARAM) -> LRESULT { throw 42; });
    EXPECT_EQ(SendMessageA(window.Handle(), WM_APP + 7, 0, 0), 0);
    EXPECT_EQ(SwallowedErrorCount(), before + 2);
}

TEST(UiWindowTest, TimerFiresOnlyWhileRunning) {
    EveryKindWindow window;
    window.Create();
    int ticks = 0;
    window.OnTimer("Timer1", [&] {
        if (++ticks == 3) window.StopTimer("Timer1");
    });
    EXPECT_FALSE(window.TimerRunning("Timer1"));
    window.StartTimer("Timer1");
    EXPECT_TRUE(window.TimerRunning("Timer1"));
    ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }));
    EXPECT_FALSE(window.TimerRunning("Timer1"));
    // A stopped timer stays quiet: post a stale tick by hand as Windows may.
    PostMessageA(window.Handle(), WM_TIMER, static_cast<WPARAM>(GetDlgCtrlID(window.Control("bOK")) + 100), 0);
    ProcessPendingMessages();
    EXPECT_EQ(ticks, 3);
    EXPECT_THROW(window.StartTimer("bOK"), std::logic_error);
}

TEST(UiWindowTest, PagesShowOnlyTheActivePage) {
    EveryKindWindow window;
    window.Show();
    HWND firstPage = GetParent(window.Control("cbOnPage"));
    HWND secondPage = GetParent(window.Control("pcInner"));
    EXPECT_TRUE(IsWindowVisible(firstPage));
    EXPECT_FALSE(IsWindowVisible(secondPage));
    window.SetActivePage("pcOptions", 1);
    EXPECT_EQ(window.ActivePage("pcOptions"), 1);
    EXPECT_FALSE(IsWindowVisible(firstPage));
    EXPECT_TRUE(IsWindowVisible(secondPage));

    // The user's click on a tab arrives as TCN_SELCHANGE.
    int changes = 0;
    window.OnClick("pcOptions", [&] { ++changes; });
    SendMessageA(window.Control("pcOptions"), TCM_SETCURSEL, 0, 0);
    NMHDR header{window.Control("pcOptions"), static_cast<UINT_PTR>(GetDlgCtrlID(window.Control("pcOptions"))),
                 static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(window.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    EXPECT_TRUE(IsWindowVisible(firstPage));
    EXPECT_FALSE(IsWindowVisible(secondPage));
    EXPECT_EQ(changes, 1);
}

// A group box that holds controls must paint its own inside.
TEST(UiWindowTest, GroupBoxFillsItsInside) {
    EveryKindWindow window;
    window.Show();
    HWND group = window.Control("gbFolder");
    InvalidateRect(group, nullptr, TRUE);
    UpdateWindow(group);
    ProcessPendingMessages();
    HDC dc = GetDC(group);
    const COLORREF inside = GetPixel(dc, 280, 50);  // right of the "..." button, above the frame's bottom line
    ReleaseDC(group, dc);
    EXPECT_EQ(inside, GetSysColor(COLOR_BTNFACE));
}

TEST(UiWindowTest, ResizeReachesTheFormAndTheStatusBar) {
    EveryKindWindow window;
    window.Show();
    const int before = window.resized;
    SetWindowPos(window.Handle(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GT(window.resized, before);
    RECT client{};
    RECT bar{};
    GetClientRect(window.Handle(), &client);
    GetWindowRect(window.Control("StatusBar1"), &bar);
    MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
    EXPECT_GT(window.TextWidth("Scan registry issues"), window.TextWidth("Scan"));
}

// ------------------------------------------------------------ dialogs

const FormDef& DialogForm() {
    static const FormDef form{
        .name = "frmSampleDialog",
        .caption = "Sample dialog",
        .clientWidth = 300,
        .clientHeight = 120,
        .controls = {{.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {100, 80, 75, 25},
                      .flags = kDefaultButton, .items = {}},
                     {.name = "bStop", .kind = ControlKind::Button, .caption = "Stop", .at = {200, 80, 75, 25},
                      .flags = kCancelButton, .items = {}}},
        .menus = {},
        .actions = {},
    };
    return form;
}

constexpr UINT kStartMessage = 0x2409;

// Starts a worker when shown, as the scan progress dialog does; the worker
// posts WM_CLOSE to the dialog when it has finished.
class WorkerDialog : public Dialog {
public:
    WorkerDialog() : Dialog(DialogForm()) {
        OnMessage(kStartMessage, [this](WPARAM, LPARAM) -> LRESULT {
            ownerEnabledWhileModal = owner && IsWindowEnabled(owner);
            HWND self = Handle();
            worker = std::thread([self] {
                Sleep(50);
                PostMessageA(self, WM_CLOSE, 0, 0);
            });
            return 0;
        });
        OnClick("bOK", [this] { SetModalResult(kModalOK); });
        OnClick("bStop", [this] { SetModalResult(kModalAbort); });
    }
    ~WorkerDialog() override {
        if (worker.joinable()) worker.join();
    }
    HWND owner = nullptr;
    bool ownerEnabledWhileModal = true;
    int closes = 0;
    std::thread worker;

protected:
    void FormShow() override { PostMessageA(Handle(), kStartMessage, 0, 0); }
    void FormClose() override { ++closes; }
};

TEST(UiDialogTest, WorkerPostedCloseEndsTheModalLoopWithCancel) {
    EveryKindWindow owner;
    owner.Show();
    HWND dialogWindow = nullptr;
    {
        WorkerDialog dialog;
        dialog.owner = owner.Handle();
        EXPECT_EQ(dialog.ShowModal(owner.Handle()), kModalCancel);
        EXPECT_FALSE(dialog.ownerEnabledWhileModal) << "the owner is disabled while the dialog is modal";
        EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
        EXPECT_EQ(dialog.closes, 1);
        dialogWindow = dialog.Handle();
        ASSERT_TRUE(IsWindow(dialogWindow)) << "the caller can still read the controls";
        EXPECT_FALSE(IsWindowVisible(dialogWindow));
        EXPECT_EQ(dialog.Text("bOK"), "&OK");
    }
    EXPECT_FALSE(IsWindow(dialogWindow)) << "destroyed with the object";
}

TEST(UiDialogTest, ButtonsSetTheModalResult) {
    struct Case {
        const char* button;
        int result;
    };
    for (const Case& c : {Case{"bOK", kModalOK}, Case{"bStop", kModalAbort}}) {
        SCOPED_TRACE(c.button);
        WorkerDialog dialog;
        dialog.OnMessage(kStartMessage, [&dialog, &c](WPARAM, LPARAM) -> LRESULT {
            PostMessageA(dialog.Control(c.button), BM_CLICK, 0, 0);
            return 0;
        });
        EXPECT_EQ(dialog.ShowModal(nullptr), c.result);
        EXPECT_FALSE(dialog.IsModal());
    }
}

TEST(UiDialogTest, EnterAndEscapePressTheDefaultAndCancelButtons) {
    struct Case {
        WPARAM command;
        int result;
    };
    for (const Case& c : {Case{IDOK, kModalOK}, Case{IDCANCEL, kModalAbort}}) {
        SCOPED_TRACE(c.command);
        WorkerDialog dialog;
        dialog.OnMessage(kStartMessage, [&dialog, &c](WPARAM, LPARAM) -> LRESULT {
            PostMessageA(dialog.Handle(), WM_COMMAND, c.command, 0);
            return 0;
        });
        EXPECT_EQ(dialog.ShowModal(nullptr), c.result);
    }
}

TEST(UiDialogTest, DialogCanBeShownAgainAndRefusesNesting) {
    WorkerDialog dialog;
    int shows = 0;
    dialog.OnMessage(kStartMessage, [&](WPARAM, LPARAM) -> LRESULT {
        ++shows;
        EXPECT_THROW(dialog.ShowModal(nullptr), std::logic_error);
        dialog.SetModalResult(kModalOK);
        return 0;
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), kModalOK);
    EXPECT_EQ(dialog.ShowModal(nullptr), kModalOK);
    EXPECT_EQ(shows, 2);
}

TEST(UiDialogTest, QuitDuringModalLoopIsPassedOn) {
    WorkerDialog dialog;
    dialog.OnMessage(kStartMessage, [](WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(7);
        return 0;
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), kModalCancel);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

// The real message box: a helper thread reads its caption and answers it.
struct MessageBoxAnswer {
    DWORD thread;
    std::atomic<bool> found{false};
    std::string caption;
    std::string text;
};

// A window callback must be __stdcall on i686, which a lambda never is.
BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM data) {
    auto& found = *reinterpret_cast<MessageBoxAnswer*>(data);
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    found.caption = text;
    HWND label = GetDlgItem(window, 0xFFFF);
    if (label) {
        GetWindowTextA(label, text, sizeof(text));
        found.text = text;
    }
    found.found = true;
    PostMessageA(window, WM_COMMAND, IDNO, 0);
    return FALSE;
}

TEST(UiPromptsTest, MessageBoxCarriesTheProgramTitle) {
    MessageBoxAnswer answer{GetCurrentThreadId()};
    std::thread helper([&answer] {
        const DWORD start = GetTickCount();
        while (!answer.found && GetTickCount() - start < 10000) {
            EnumThreadWindows(answer.thread, AnswerMessageBox,
                reinterpret_cast<LPARAM>(&answer));
            Sleep(20);
        }
    });
    const int result = CurrentPrompts().ShowMessage(nullptr, "Lan_Other.ini can not be found.", MB_YESNO | MB_ICONINFORMATION);
    helper.join();
    ASSERT_TRUE(answer.found) << "no message box appeared";
    EXPECT_EQ(answer.caption, "Quarlo Keyscrub");
    EXPECT_EQ(answer.text, "Lan_Other.ini can not be found.");
    EXPECT_EQ(result, IDNO);
}

TEST(UiDialogTest, BadTableIsRefused) {
    static const FormDef broken{.name = "frmBroken",
                                 .caption = "",
                                 .clientWidth = 10,
                                 .clientHeight = 10,
                                 .controls = {{.name = "bA", .kind = ControlKind::Button, .parent = "pnlNone",
                                               .items = {}}},
                                 .menus = {},
                                 .actions = {}};
    EXPECT_THROW(Dialog{broken}, std::invalid_argument);
}

}  // namespace
}  // namespace ks::ui
