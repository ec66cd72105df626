// The main window: creation, showing, activation, layout and closing, the
// tree's check boxes, the problem list's commands and the Language menu.
#include "app/win/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

#include "app/command_line.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "app/main_layout.h"
#include "base/window_messages.h"
#include "app/product.h"
#include "app/window_position.h"
#include "repair/filter.h"
#include "repair/win/removal_preview_win.h"
#include "scan/win/win32_file_system.h"
#include "settings/language_menu.h"
#include "settings/localisation.h"
#include "settings/settings.h"
#include "settings/win/localisation_win.h"
#include "settings/win/profile_file.h"
#include "settings/win/settings_file.h"
#include "settings/win/shell_helpers.h"
#include "settings/win/system_info.h"
#include "settings/win/window_placement.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr char kTree[] = "tvRegistry";
constexpr char kList[] = "lvRegistryData";
constexpr char kStatus[] = "StatusBar1";
constexpr const char* kTaskButtons[] = {"bScanRegistry", "bRepairRegistry", "bRestoreRegistry"};
// Commands another part of the program brings; disabled until bound.
constexpr const char* kLaterActions[] = {"aRestoreRegistry", "aBackupFullRegistry", "aStartupManager",
                                         "aOptions"};
constexpr int kStateImageSize = 16;

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT area, LPARAM data) {
    auto& monitors = *reinterpret_cast<std::vector<ScreenRect>*>(data);
    monitors.push_back({area->left, area->top, area->right, area->bottom});
    return TRUE;
}

std::vector<ScreenRect> Monitors() {
    std::vector<ScreenRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// Image 0 is never shown (state 0 means no box); 1 is the empty box, 2 the ticked one.
HIMAGELIST MakeCheckBoxImages() {
    HIMAGELIST images = ImageList_Create(kStateImageSize, kStateImageSize, ILC_COLOR32, 3, 0);
    if (!images) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP strip = CreateCompatibleBitmap(screen, kStateImageSize * 3, kStateImageSize);
    HGDIOBJ previous = SelectObject(dc, strip);
    RECT all{0, 0, kStateImageSize * 3, kStateImageSize};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    for (int state = 1; state <= 2; ++state) {
        RECT box{state * kStateImageSize + 2, 2, state * kStateImageSize + kStateImageSize - 1, kStateImageSize - 1};
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (state == 2 ? DFCS_CHECKED : 0u));
    }
    SelectObject(dc, previous);
    ImageList_Add(images, strip, nullptr);
    DeleteObject(strip);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return images;
}

// The tree's mouse presses come here first, with their position: a press on a
// node's box is the tree's own check-box click (tvRegistryMouseDown).
LRESULT CALLBACK TreeMouseDown(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR owner) {
    try {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (reinterpret_cast<TfrmRegCleaner*>(owner)->tvRegistryMouseDown(at)) return 0;
        }
    } catch (...) {
        // A failed click changes nothing; the tree goes on as usual.
    }
    return DefSubclassProc(tree, message, wParam, lParam);
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

// What the settings store asks of the window: its placement, and the check
// states of its tree.
class TfrmRegCleaner::Placement final : public HwndPlacement {
public:
    explicit Placement(TfrmRegCleaner& window) : HwndPlacement(window.Handle()), window_(window) {}
    void CopyTreeCheckStates(std::array<bool, 25>& nodeChecked) override {
        window_.tree_.WalkTree(0, WalkMode::Save, nullptr, &nodeChecked);
    }

private:
    TfrmRegCleaner& window_;
};

TfrmRegCleaner::TfrmRegCleaner(MainWindowOptions options) : ui::Window(MainForm()), options_(std::move(options)) {
    if (options_.settingsFile.empty()) options_.settingsFile = SettingsFilePath();
    WireHandlers();
}

TfrmRegCleaner::~TfrmRegCleaner() {
    if (Handle() && HasControl(kTree)) RemoveWindowSubclass(Control(kTree), &TreeMouseDown, 1);
    if (stateImages_) ImageList_Destroy(stateImages_);
    if (titleFont_) DeleteObject(titleFont_);
}

void TfrmRegCleaner::WireHandlers() {
    OnAction("aScanRegistry", [this] { bScanRegistryClick(); });
    OnAction("aRepairRegistry", [this] { bRepairRegistryClick(); }, [this] { return repairRunner_ != nullptr; });
    for (const char* action : kLaterActions) {
        const std::string name = action;
        OnAction(name, [] {}, [this, name] { return HasCommand(name); });
    }
    OnAction("aIgnoreListAdd", [this] { aIgnoreListAddExecute(); }, [this] { return aOpenRegeditUpdate(); });
    OnAction("aSaveText", [this] { aSaveTextExecute(); }, [this] { return aSaveTextUpdate(); });
    OnAction("aOpenRegedit", [this] { aOpenRegeditExecute(); }, [this] { return aOpenRegeditUpdate(); });
    OnAction("aSelectAll", [this] { SelectRows(true); });
    OnAction("aSelectNone", [this] { SelectRows(false); });
    OnAction("aSelectAllType", [this] { SelectRowsOfType(true); },
             [this] { return problems_.Focused().has_value(); });
    OnAction("aSelectNoneType", [this] { SelectRowsOfType(false); },
             [this] { return problems_.Focused().has_value(); });
    // Showing only the languages that have files is done when the menu opens
    // (WindowProc), not on every idle moment.
    OnAction("aLanguage", [] {}, [] { return true; });

    OnClick("miExit", [this] { Close(); });
    OnClick("miWindowsBackup", [this] { OpenWindowsBackup(); });
    OnClick("miHelp", [this] { ui::CurrentPrompts().OpenAddress(Handle(), HelpAddress(Settings.Lan)); });
    OnClick("miHomePage", [this] { ui::CurrentPrompts().OpenAddress(Handle(), product::kHomePage); });
    OnClick("miAbout", [this] { ShowAbout(); });
    for (std::size_t i = 0; i < kLanguageMenuEntryCount; ++i) {
        const LanguageMenuEntry& entry = kLanguageMenuEntries[i];
        if (entry.Separator || entry.Hidden) continue;
        OnClick(entry.Name, [this, i] { miEnglishClick(i); });
    }

    const auto refuseCollapse = [](NMHDR& header) -> LRESULT {
        // The action sits at the same place in the ANSI and the Unicode record.
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        return (change.action & TVE_COLLAPSE) ? TRUE : FALSE;
    };
    OnNotify(kTree, TVN_ITEMEXPANDINGA, refuseCollapse);
    OnNotify(kTree, TVN_ITEMEXPANDINGW, refuseCollapse);
    // Wine's tree collapses even when the answer above refuses; open it again.
    const auto reopen = [this](NMHDR& header) -> LRESULT {
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        if (change.action & TVE_COLLAPSE)
            PostMessageA(Control(kTree), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(change.itemNew.hItem));
        return 0;
    };
    OnNotify(kTree, TVN_ITEMEXPANDEDA, reopen);
    OnNotify(kTree, TVN_ITEMEXPANDEDW, reopen);

    // The list asks for what it paints; its boxes are the model's ticks.
    OnNotify(kList, LVN_GETDISPINFOA, [this](NMHDR& header) -> LRESULT {
        problems_.AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOA&>(header));
        return 0;
    });
    OnNotify(kList, LVN_GETDISPINFOW, [this](NMHDR& header) -> LRESULT {
        problems_.AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOW&>(header));
        return 0;
    });
    // A row's tip: its whole key and value, why it is there and what repair
    // would delete, read from the registry as the tip is asked for.
    problems_.OnInfoTip(&RowTipOnThisMachine);
    OnNotify(kList, LVN_GETINFOTIPA, [this](NMHDR& header) -> LRESULT {
        problems_.AnswerInfoTip(reinterpret_cast<NMLVGETINFOTIPA&>(header));
        return 0;
    });
    OnNotify(kList, LVN_GETINFOTIPW, [this](NMHDR& header) -> LRESULT {
        problems_.AnswerInfoTip(reinterpret_cast<NMLVGETINFOTIPW&>(header));
        return 0;
    });
    OnNotify(kList, NM_CLICK, [this](NMHDR& header) -> LRESULT {
        problems_.HandleClick(reinterpret_cast<const NMITEMACTIVATE&>(header));
        UpdateProblemCounts();
        return 0;
    });
    OnNotify(kList, LVN_KEYDOWN, [this](NMHDR& header) -> LRESULT {
        problems_.HandleKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header));
        return 0;
    });
    // A box ticked with the space bar or by a message counts as well as one clicked.
    problems_.OnTicksChanged([this] {
        if (!bulkChange_) UpdateProblemCounts();
    });
    // Rows a scan delivers are counted as they are shown.
    problems_.OnRowsShown([this] { UpdateProblemCounts(); });
    OnNotify(kList, NM_RCLICK, [this](NMHDR&) -> LRESULT {
        const DWORD at = GetMessagePos();
        ShowPopupMenu("PopupMenu1", static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at)));
        return 0;
    });

    OnMessage(kMsgComeForward, [this](WPARAM, LPARAM) -> LRESULT {
        ComeForward();
        return 0;
    });
    OnMessage(kMsgCleanOnce, [this](WPARAM, LPARAM) -> LRESULT {
        RunCleanOnce();
        return 0;
    });
    OnMessage(kMsgRecount, [this](WPARAM, LPARAM) -> LRESULT {
        UpdateProblemCounts();
        return 0;
    });
}

void TfrmRegCleaner::BindCommand(std::string_view action, std::function<void()> execute) {
    const std::string name(action);
    OnAction(name, std::move(execute), [] { return true; });
    if (!Contains(boundCommands_, name)) boundCommands_.push_back(name);
    if (Handle()) UpdateActions();
}

bool TfrmRegCleaner::HasCommand(std::string_view action) const { return Contains(boundCommands_, action); }

// ---------------------------------------------------------------- form events

void TfrmRegCleaner::FormCreate() {
    SetBounds("imgTitle", 0, 0, Bounds("imgTitle").right - Bounds("imgTitle").left, 50);
    CleanOnceMode = false;
    TaskIdList.reset();
    problems_.Attach(Control(kList));
    SetUpTree();
    Settings.IgnoreValues.clear();
    Settings.IgnoreKeys.clear();
    Settings.IgnoreValueCount = 0;
    Settings.IgnoreKeyCount = 0;
    Unrepaired = {};

    // Header decoration: the program icon, a larger title, an icon before the link.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(1)))
        SendMessageA(Control("imgIcon"), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (auto info = static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32516), IMAGE_ICON, 16, 16, LR_SHARED)))
        SendMessageA(Control("iUpdate"), STM_SETICON, reinterpret_cast<WPARAM>(info), 0);
    titleFont_ = CreateFontA(-17, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
    if (titleFont_) SendMessageA(Control("lTitle"), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);

    // The table holds the client area; the design size is the outer one, and
    // it is what the settings store falls back on.
    SetWindowPos(Handle(), nullptr, 0, 0, kMainDesignWidth, kMainDesignHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LoadSaveSettings(true);
    MendSavedPosition();
    SetCaption(MainWindowCaption());
    if (!ShowsWindowsBackup(GetWindowsVersion())) SetMenuVisible("miWindowsBackup", false);
    UpdateActions();
}

void TfrmRegCleaner::FormShow() {
    if (Settings.WindowMaximized) PostMessageA(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    WalkTree(0, WalkMode::Load);
    LayOut();
    TickLanguage(LanguageEntryFor(Settings.Lan));
    ApplyActiveLanguage();
    try {
        ResizeTaskButtons();
    } catch (const std::exception&) {
        // The buttons keep their width.
    }
}

void TfrmRegCleaner::FormActivate() {
    // A window the user minimized or maximized keeps its place; moving a
    // maximized one would leave it hanging off the screen.
    if (!Settings.WindowMaximized && !IsIconic(Handle()) && !IsZoomed(Handle()))
        SetWindowPos(Handle(), nullptr, Settings.WindowLeft, Settings.WindowTop, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string commandLine = options_.commandLine ? *options_.commandLine : std::string(GetCommandLineA());
    // Every activation would ask again; one unattended clean per run is all
    // the switch asks for.
    if (IsCleanOnceCommandLine(commandLine) && !cleanOncePosted_) {
        CleanOnceMode = true;
        cleanOncePosted_ = true;
        PostMessageA(Handle(), kMsgCleanOnce, 0, 0);
    }
}

void TfrmRegCleaner::FormResize() { LayOut(); }

void TfrmRegCleaner::FormClose() {
    TaskIdList.reset();
    LoadSaveSettings(false);
    Settings.IgnoreValues.clear();
    Settings.IgnoreKeys.clear();
    Settings.IgnoreValueCount = 0;
    Settings.IgnoreKeyCount = 0;
    Unrepaired = {};
}

LRESULT TfrmRegCleaner::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wParam) == MenuHandle("miLanguage")) aLanguageUpdate();
    return ui::Window::WindowProc(message, wParam, lParam);
}

void TfrmRegCleaner::LayOut() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const RECT link = Bounds("lUpdate");
    const RECT icon = Bounds("iUpdate");
    const RECT tree = Bounds(kTree);
    const RECT list = Bounds(kList);
    const RECT status = Bounds(kStatus);
    MainLayoutInput in;
    in.ClientWidth = client.right;
    in.ClientHeight = client.bottom;
    // The link is as wide as its text, whatever language it is in.
    in.UpdateLinkWidth = TextWidth(Text("lUpdate")) + 8;
    in.TreeTop = tree.top;
    in.ListLeft = list.left;
    in.ListTop = list.top;
    in.StatusBarHeight = status.bottom - status.top;
    const MainLayout out = ComputeMainLayout(in);
    SetBounds("imgTitle", 0, 0, out.TitleWidth, out.TitleHeight);
    SetBounds("lUpdate", out.UpdateLinkLeft, link.top, in.UpdateLinkWidth, link.bottom - link.top);
    SetBounds("iUpdate", out.UpdateIconLeft, icon.top, icon.right - icon.left, icon.bottom - icon.top);
    SetBounds(kTree, tree.left, tree.top, tree.right - tree.left, out.TreeHeight);
    SetBounds(kList, list.left, list.top, out.ListWidth, out.ListHeight);
    SetBounds(kStatus, status.left, out.StatusBarTop, out.StatusBarWidth, status.bottom - status.top);
}

void TfrmRegCleaner::ResizeTaskButtons() {
    for (const char* name : kTaskButtons) {
        const RECT at = Bounds(name);
        SetBounds(name, at.left, at.top, TaskButtonWidth(TextWidth(Text(name))), at.bottom - at.top);
    }
}

void TfrmRegCleaner::LoadSaveSettings(bool load) {
    ProfileFile profile(options_.settingsFile);
    Placement placement(*this);
    ks::LoadSaveSettings(load, profile, placement, ProgramFolder());
}

void TfrmRegCleaner::MendSavedPosition() {
    if (Settings.WindowMaximized) return;
    const WindowBounds size = Placement(*this).Bounds();
    const WindowOrigin mended =
        MendedPosition({Settings.WindowLeft, Settings.WindowTop}, size.width, size.height, Monitors(),
                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    Settings.WindowLeft = mended.Left;
    Settings.WindowTop = mended.Top;
}

// ---------------------------------------------------------------- messages

void TfrmRegCleaner::ComeForward() {
    ShowWindow(Handle(), SW_SHOW);
    if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

void TfrmRegCleaner::RunCleanOnce() {
    ShowWindow(Handle(), SW_HIDE);
    // Nobody looks at the list: a scan that failed ends the run unrepaired.
    if (bScanRegistryClick()) bRepairRegistryClick();
    Close();
}

// ---------------------------------------------------------------- tree

void TfrmRegCleaner::SetUpTree() {
    HWND tree = Control(kTree);
    stateImages_ = MakeCheckBoxImages();
    if (stateImages_) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(stateImages_));
    SetWindowSubclass(tree, &TreeMouseDown, 1, reinterpret_cast<DWORD_PTR>(this));
    const std::vector<HTREEITEM> nodes = TreeNodes(kTree);
    for (std::size_t i = 0; i < nodes.size() && i < kScanTreeNodeCount; ++i) {
        TVITEMA item{};
        item.mask = TVIF_PARAM | TVIF_HANDLE;
        item.hItem = nodes[i];
        item.lParam = kScanTreeNodes[i].ImageIndex;
        SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    for (std::size_t i = 0; i < nodes.size() && i < kScanTreeNodeCount; ++i)
        if (ScanTree::HasChildren(i)) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(nodes[i]));
    SyncTreeView();
}

void TfrmRegCleaner::SyncTreeView() {
    HWND tree = Control(kTree);
    const std::vector<HTREEITEM> nodes = TreeNodes(kTree);
    for (std::size_t i = 0; i < nodes.size() && i < kScanTreeNodeCount; ++i) {
        TVITEMA item{};
        item.mask = TVIF_STATE | TVIF_HANDLE;
        item.hItem = nodes[i];
        item.stateMask = TVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(tree_.State(i)));
        SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

bool TfrmRegCleaner::tvRegistryMouseDown(POINT at) {
    HWND tree = Control(kTree);
    TVHITTESTINFO hit{};
    hit.pt = at;
    SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!hit.hItem || !(hit.flags & TVHT_ONITEMSTATEICON)) return false;
    const std::vector<HTREEITEM> nodes = TreeNodes(kTree);
    const auto found = std::find(nodes.begin(), nodes.end(), hit.hItem);
    if (found == nodes.end()) return false;
    tree_.ClickCheckBox(static_cast<std::size_t>(found - nodes.begin()));
    SyncTreeView();
    return true;
}

void TfrmRegCleaner::WalkTree(std::size_t start, int mode) {
    std::vector<std::string>* taskIds = TaskIdList ? &*TaskIdList : nullptr;
    tree_.WalkTree(start, mode, taskIds, &Settings.NodeChecked);
    if (mode != WalkMode::Collect && mode != WalkMode::Save) SyncTreeView();
}

// ---------------------------------------------------------------- problem list

void TfrmRegCleaner::UpdateProblemCounts() {
    SetItemText(kStatus, 0, CountPanelText(problems_.Count(), LookupText("RES_FindProblems", "problems found")));
    SetItemText(kStatus, 1,
                CountPanelText(CheckedCount(problems_),
                               LookupText("RES_CheckedProblems", "problems selected for repairing")));
}

void TfrmRegCleaner::SelectRows(bool checked) {
    ListViewProblemList::Batch batch(problems_);
    bulkChange_ = true;
    try {
        SelectAll(problems_, checked);
    } catch (...) {
        bulkChange_ = false;
        throw;
    }
    bulkChange_ = false;
    UpdateProblemCounts();
}

bool TfrmRegCleaner::SelectRowsOfType(bool checked) {
    ListViewProblemList::Batch batch(problems_);
    bulkChange_ = true;
    bool done = false;
    try {
        done = SelectAllOfType(problems_, checked);
    } catch (...) {
        bulkChange_ = false;
        throw;
    }
    bulkChange_ = false;
    UpdateProblemCounts();
    return done;
}

void TfrmRegCleaner::FilterFindings() {
    if (problems_.Count() == 0) {
        for (int column = 0; column < problems_.ColumnCount(); ++column)
            if (problems_.ColumnWidth(column) < 120) problems_.SetColumnWidth(column, 120);
        return;
    }
    problems_.AutoSizeColumns();
    ListViewProblemList::Batch batch(problems_);
    bulkChange_ = true;
    try {
        std::optional<KeyAliases> aliases;
        if (registry_) aliases.emplace(*registry_);
        RemoveFilteredFindings(problems_, FilterInputs{Settings.IgnoreValues, Settings.IgnoreKeys, Unrepaired,
                                                       GetWindowsVersion(), aliases ? &*aliases : nullptr});
    } catch (...) {
        bulkChange_ = false;
        throw;
    }
    bulkChange_ = false;
}

bool TfrmRegCleaner::bScanRegistryClick() {
    // Any failure ends the command where it is: no ticks, no counts, no beep.
    try {
        if (TaskIdList) TaskIdList->clear();
        else TaskIdList.emplace();
        WalkTree(0, WalkMode::Collect);
        if (problems_.Count() == 0) {
            problems_.SetColumnWidth(1, 300);
            problems_.SetColumnWidth(2, 150);
        }
        if (TaskIdList->empty()) return true;
        // Rows reach the list a delivery at a time (Flush); ticking and
        // filtering them afterwards tell it once.
        ListViewProblemList::Batch batch(problems_);
        problems_.Clear();
        if (!scanRunner_) throw std::logic_error("no scan runner");
        bulkChange_ = true;
        struct EndBulk {
            bool& flag;
            ~EndBulk() { flag = false; }
        } endBulk{bulkChange_};
        scanRunner_(*this, *TaskIdList);
        // The filter first: rows are ticked only once it has seen them all.
        if (!FilterThenTick(problems_, [this] { FilterFindings(); })) return false;
        UpdateProblemCounts();
        problems_.Flush();
        if (Settings.Beep) ::Beep(2047, 500);
        return true;
    } catch (const std::exception&) {
        // Silently: the list stays as it is, unticked.
        return false;
    }
}

void TfrmRegCleaner::bRepairRegistryClick() {
    try {
        // Repaired rows leave the model one by one; the list hears of it once.
        ListViewProblemList::Batch batch(problems_);
        if (repairRunner_) repairRunner_(*this);
    } catch (const std::exception&) {
        // The repair reports nothing; what it finished stays finished.
    }
}

// ---------------------------------------------------------------- Language menu

void TfrmRegCleaner::TickLanguage(std::size_t ticked) {
    for (std::size_t i = 0; i < kLanguageMenuEntryCount; ++i) {
        const LanguageMenuEntry& entry = kLanguageMenuEntries[i];
        if (entry.Separator) continue;
        SetMenuChecked(entry.Name, i == ticked);
    }
}

void TfrmRegCleaner::miEnglishClick(std::size_t entryIndex) {
    try {
        const LanguageMenuEntry& entry = kLanguageMenuEntries.at(entryIndex);
        const std::string language = LanguageNameOf(entry.Name);
        if (!LanguageFiles()) InstallLanguageFiles();
        const ProfileSource& files = *LanguageFiles();
        const std::string file = ResolveLanguageFile(files, LanguageProgramFolder(), language);
        if (!files.FileExists(file)) {
            ui::CurrentPrompts().ShowMessage(Handle(), LanguageNotFoundMessage(language, product::kTranslationPage),
                                             MB_OK);
            return;
        }
        Settings.Lan = language;
        TickLanguage(entryIndex);
        // The counts are texts of the run, not of the design: they keep their
        // wording until they are produced again.
        const std::string found = ItemText(kStatus, 0);
        const std::string checked = ItemText(kStatus, 1);
        ApplyLanguageToForm(*this, language);
        SetItemText(kStatus, 0, found);
        SetItemText(kStatus, 1, checked);
        ResizeTaskButtons();
        LayOut();
    } catch (const std::exception&) {
        // The menu stays usable; nothing is reported.
    }
}

void TfrmRegCleaner::aLanguageUpdate() {
    if (!LanguageFiles()) InstallLanguageFiles();
    const ProfileSource& files = *LanguageFiles();
    const std::string& folder = LanguageProgramFolder();
    const std::vector<bool> visible = LanguageEntriesVisible(
        [&](const std::string& language) { return files.FileExists(ResolveLanguageFile(files, folder, language)); });
    for (std::size_t i = kLanguageMenuEntryCount; i-- > 0;) SetMenuVisible(kLanguageMenuEntries[i].Name, visible[i]);
}

// ---------------------------------------------------------------- simple commands

void TfrmRegCleaner::OpenWindowsBackup() {
    const std::unique_ptr<FileSystem> files = MakeWin32FileSystem();
    ui::CurrentPrompts().OpenAddress(Handle(), WindowsBackupProgram(*files));
}

void TfrmRegCleaner::ShowAbout() {
    TfrmAbout about;
    about.ShowModal(Handle());
}

TfrmAbout::TfrmAbout() : ui::Dialog(AboutForm()) {
    OnClick("bOK", [this] { SetModalResult(ui::kModalOK); });
}

void TfrmAbout::FormShow() {
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)))
        SendMessageA(Control("imgIcon"), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetText("lProductName", product::kName);
    ApplyActiveLanguage();
}

}  // namespace ks
