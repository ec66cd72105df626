// Problem list over an owner-data, report-style list view with check boxes.
#include "app/win/problem_list_view.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/win/wine.h"

namespace ks {

namespace {

// State image 1 is the empty box, 2 the ticked one.
constexpr UINT CheckState(bool checked) { return INDEXTOSTATEIMAGEMASK(checked ? 2u : 1u); }
constexpr UINT_PTR kSubclassId = 0x4B53;  // "KS"
// Posted to the control after a change outside a batch: tell it then.
constexpr UINT kMsgFlushRows = WM_APP + 0x153;
// The timer of ShowSoon.
constexpr UINT_PTR kShowTimer = 0x4B54;

const std::string kNoText;

// The box, and the removal kind where the control asks for the item's number
// (Wine's owner-data list never does; Windows may).
template <class Item>
void AnswerStateAndParam(const ProblemListModel& model, Item& item) {
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= model.Count()) return;
    const auto index = static_cast<std::size_t>(item.iItem);
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~static_cast<UINT>(LVIS_STATEIMAGEMASK)) | CheckState(model.IsChecked(index));
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if (item.mask & LVIF_PARAM) item.lParam = static_cast<LPARAM>(ToInt(model.Row(index).RemovalKind));
}

// Wide enough for a long key path; the tip breaks its lines where it says.
constexpr LPARAM kTipWidth = 640;
// A tip stays up long enough to be read.
constexpr LPARAM kTipShownMs = 30000;

}  // namespace

ListViewProblemList::~ListViewProblemList() {
    // The tooltip goes with the window that owns it, which may be gone already.
    if (ownTip_ && IsWindow(ownTip_)) DestroyWindow(ownTip_);
    if (!list_) return;
    if (showTimer_) KillTimer(list_, kShowTimer);
    RemoveWindowSubclass(list_, &ControlProc, kSubclassId);
}

void ListViewProblemList::Attach(HWND listView) {
    if (list_) {
        if (showTimer_) KillTimer(list_, kShowTimer);
        showTimer_ = false;
        RemoveWindowSubclass(list_, &ControlProc, kSubclassId);
    }
    list_ = listView;
    if (!list_) return;
    // The boxes are state images the control asks for, never keeps.
    SendMessageA(list_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    // Each row's tip is asked for when it is to be shown (LVN_GETINFOTIP).
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    MakeOwnTip();
    SetWindowSubclass(list_, &ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    dirty_ = true;
    Flush();
}

// An owner-data list view keeps no state images, so LVM_SETITEMSTATE for the
// box would vanish without a trace (measured under Wine: not even a
// notification). Whoever sends it ticks the model's row instead.
//
// Telling the control its row count costs milliseconds under Wine (it redraws
// its scroll bar at once), so a change outside a batch only posts a reminder;
// whatever reaches the control first, a question, a paint or the reminder,
// has it told before it is handled.
LRESULT CALLBACK ListViewProblemList::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR, DWORD_PTR self) {
    auto& list = *reinterpret_cast<ListViewProblemList*>(self);
    if (message == kMsgFlushRows) list.flushPosted_ = false;
    if (list.dirty_ && list.batches_ == 0 && !list.flushing_ && message != WM_NCDESTROY) list.Flush();
    if (message == kMsgFlushRows) return 0;
    if (list.ownTip_ && message == WM_MOUSEMOVE) list.FollowMouse(lParam);
    if (list.ownTip_ && message == WM_NOTIFY && lParam &&
        reinterpret_cast<NMHDR*>(lParam)->hwndFrom == list.ownTip_) {
        list.AnswerOwnTip(*reinterpret_cast<NMHDR*>(lParam));
        return 0;
    }
    if (message == WM_TIMER && wParam == kShowTimer) {
        KillTimer(window, kShowTimer);
        list.showTimer_ = false;
        list.Flush();
        if (list.rowsShown_) list.rowsShown_();
        return 0;
    }
    if (message == LVM_SETITEMSTATE && lParam) {
        LVITEMA change = *reinterpret_cast<const LVITEMA*>(lParam);
        const UINT image = (change.state & change.stateMask) & LVIS_STATEIMAGEMASK;
        if ((change.stateMask & LVIS_STATEIMAGEMASK) && (image == CheckState(true) || image == CheckState(false))) {
            const bool checked = image == CheckState(true);
            const auto index = static_cast<int>(wParam);
            if (index == -1) {
                for (std::size_t i = 0; i < list.Count(); ++i) list.model_.SetChecked(i, checked);
            } else if (index >= 0 && static_cast<std::size_t>(index) < list.Count()) {
                list.model_.SetChecked(static_cast<std::size_t>(index), checked);
            }
            InvalidateRect(window, nullptr, FALSE);
            if (list.ticksChanged_) list.ticksChanged_();
            change.stateMask &= ~static_cast<UINT>(LVIS_STATEIMAGEMASK);
            if (change.stateMask == 0) return TRUE;
            return DefSubclassProc(window, message, wParam, reinterpret_cast<LPARAM>(&change));
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void ListViewProblemList::Changed() {
    dirty_ = true;
    if (batches_ == 0 && list_ && !flushPosted_) flushPosted_ = PostMessageA(list_, kMsgFlushRows, 0, 0) != FALSE;
}

void ListViewProblemList::SetChecked(std::size_t index, bool checked) {
    model_.SetChecked(index, checked);
    Changed();
}

void ListViewProblemList::KeepSelection() {
    if (selectionKept_ || !list_) return;
    // The control must know every earlier change before its selection is read.
    if (batches_ == 0) Flush();
    selectionKept_ = true;
    // Only rows the control was already told of can be focused or selected.
    const auto shown = static_cast<std::size_t>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    const auto focused = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    model_.SetFocused(focused >= 0 && static_cast<std::size_t>(focused) < shown && static_cast<std::size_t>(focused) < Count()
                          ? std::optional<std::size_t>(static_cast<std::size_t>(focused))
                          : std::nullopt);
    for (auto at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); at >= 0;
         at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(at), LVNI_SELECTED)) {
        if (static_cast<std::size_t>(at) >= shown || static_cast<std::size_t>(at) >= Count()) break;
        model_.SetSelected(static_cast<std::size_t>(at), true);
    }
}

void ListViewProblemList::RestoreSelection() {
    if (!selectionKept_) return;
    selectionKept_ = false;
    // Cleared row by row: for item -1 the control visits every row.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (auto at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); at >= 0;
         at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(at), LVNI_SELECTED))
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&none));
    const auto focusedNow = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (focusedNow >= 0)
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(focusedNow), reinterpret_cast<LPARAM>(&none));
    LVITEMA selected{};
    selected.stateMask = LVIS_SELECTED;
    selected.state = LVIS_SELECTED;
    for (std::size_t i = 0; i < Count(); ++i) {
        if (!model_.IsSelected(i)) continue;
        model_.SetSelected(i, false);
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&selected));
    }
    if (const auto focused = model_.Focused()) {
        LVITEMA focus{};
        focus.stateMask = LVIS_FOCUSED;
        focus.state = LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(*focused), reinterpret_cast<LPARAM>(&focus));
    }
}

void ListViewProblemList::Remove(std::size_t index) {
    if (index >= Count()) throw std::out_of_range("problem row");
    KeepSelection();
    model_.Remove(index);
    Changed();
}

void ListViewProblemList::Append(Finding row) {
    model_.Append(std::move(row));
    Changed();
}

void ListViewProblemList::Clear() {
    model_.Clear();
    selectionKept_ = false;
    // The control keeps its highlight and focus by row number through a new
    // count (measured under Wine), so the next list's first rows would seem
    // picked by the user. They go with the rows.
    if (list_) {
        LVITEMA none{};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
        SendMessageA(list_, LVM_SETSELECTIONMARK, 0, -1);
    }
    Changed();
}

std::optional<std::size_t> ListViewProblemList::Focused() const {
    if (selectionKept_) return model_.Focused();
    const auto focused = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (focused < 0 || static_cast<std::size_t>(focused) >= Count()) return std::nullopt;
    return static_cast<std::size_t>(focused);
}

void ListViewProblemList::Flush() {
    if (!dirty_ || !list_ || flushing_) return;
    dirty_ = false;
    flushing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{flushing_};
    if (showTimer_) {
        KillTimer(list_, kShowTimer);
        showTimer_ = false;
    }
    lastFlush_ = GetTickCount64();
    const auto shown = static_cast<std::size_t>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    if (shown != Count())
        SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(Count()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    RestoreSelection();
    InvalidateRect(list_, nullptr, FALSE);
}

void ListViewProblemList::ShowSoon() {
    if (!dirty_ || !list_ || flushing_) return;
    const unsigned long long since = GetTickCount64() - lastFlush_;
    if (since >= kShowInterval) {
        Flush();
        if (rowsShown_) rowsShown_();
        return;
    }
    if (!showTimer_) showTimer_ = SetTimer(list_, kShowTimer, static_cast<UINT>(kShowInterval - since), nullptr) != 0;
}

const std::string& ListViewProblemList::CellText(int index, int column) const {
    if (sizingRow_) index = index == 0 ? static_cast<int>(*sizingRow_) : -1;
    // The control may still show rows that are gone until it is told.
    if (index < 0 || static_cast<std::size_t>(index) >= Count()) return kNoText;
    const Finding& row = model_.Row(static_cast<std::size_t>(index));
    switch (column) {
    case 0: return row.Problem;
    case 1: return row.KeyPath;
    case 2: return row.Value;
    default: return kNoText;
    }
}

void ListViewProblemList::AnswerDisplayInfo(NMLVDISPINFOA& info) const {
    LVITEMA& item = info.item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
        lstrcpynA(item.pszText, CellText(item.iItem, item.iSubItem).c_str(), item.cchTextMax);
    AnswerStateAndParam(model_, item);
}

void ListViewProblemList::AnswerDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string& text = CellText(item.iItem, item.iSubItem);
        const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        wideText_.assign(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wideText_.data(), length);
        lstrcpynW(item.pszText, wideText_.c_str(), item.cchTextMax);
    }
    AnswerStateAndParam(model_, item);
}

std::string ListViewProblemList::TipText(int index) const {
    // The control may ask about a row that is gone until it is told.
    if (!tipOf_ || index < 0 || static_cast<std::size_t>(index) >= Count()) return {};
    try {
        return tipOf_(model_.Row(static_cast<std::size_t>(index)));
    } catch (...) {
        // A tip that cannot be made is no tip; the list goes on.
        return {};
    }
}

// The tip replaces whatever the control offered (the cut row text): it begins
// with the row's whole key path.
void ListViewProblemList::AnswerInfoTip(NMLVGETINFOTIPA& tip) const {
    if (!tip.pszText || tip.cchTextMax <= 0) return;
    const std::string text = TipText(tip.iItem);
    if (!text.empty()) lstrcpynA(tip.pszText, text.c_str(), tip.cchTextMax);
}

void ListViewProblemList::AnswerInfoTip(NMLVGETINFOTIPW& tip) const {
    if (!tip.pszText || tip.cchTextMax <= 0) return;
    const std::string text = TipText(tip.iItem);
    if (text.empty()) return;
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    lstrcpynW(tip.pszText, wide.c_str(), tip.cchTextMax);
}

// Measured under Wine 8: with LVS_EX_INFOTIP its list view relays the mouse
// to a tooltip of its own but never sends LVN_GETINFOTIP, so no tip shows.
// There one tooltip covers the list; it is told to start over whenever the
// mouse reaches another row, and asks for the row's text as it shows.
void ListViewProblemList::MakeOwnTip() {
    if (ownTip_ || !RunsOnWine()) return;
    ownTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list_, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!ownTip_) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = list_;
    tool.uId = reinterpret_cast<UINT_PTR>(list_);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(ownTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(ownTip_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    SendMessageA(ownTip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipShownMs);
}

void ListViewProblemList::FollowMouse(LPARAM at) {
    LVHITTESTINFO hit{};
    hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    const auto row = static_cast<int>(SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row == tipRow_) return;
    tipRow_ = row;
    SendMessageA(ownTip_, TTM_POP, 0, 0);
    // Outside the rows there is nothing to say.
    SendMessageA(ownTip_, TTM_ACTIVATE, row >= 0, 0);
}

void ListViewProblemList::AnswerOwnTip(NMHDR& header) {
    if (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW) return;
    // The row is asked of the parent exactly as the control would ask it.
    char text[INFOTIPSIZE] = {};
    NMLVGETINFOTIPA ask{};
    ask.hdr = {list_, static_cast<UINT_PTR>(GetDlgCtrlID(list_)), LVN_GETINFOTIPA};
    ask.pszText = text;
    ask.cchTextMax = INFOTIPSIZE;
    ask.iItem = tipRow_;
    if (tipRow_ >= 0) SendMessageA(GetParent(list_), WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    ownTipText_ = text;
    if (header.code == TTN_GETDISPINFOA) {
        reinterpret_cast<NMTTDISPINFOA&>(header).lpszText = ownTipText_.data();
        return;
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    ownTipWide_.assign(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, ownTipWide_.data(), length);
    reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = ownTipWide_.data();
}

void ListViewProblemList::Toggle(std::size_t index) {
    model_.SetChecked(index, !model_.IsChecked(index));
    RECT box{};
    box.left = LVIR_BOUNDS;
    if (SendMessageA(list_, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&box)))
        InvalidateRect(list_, &box, FALSE);
}

void ListViewProblemList::HandleClick(const NMITEMACTIVATE& click) {
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    const auto index = SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (index < 0 || static_cast<std::size_t>(index) >= Count() || !(hit.flags & LVHT_ONITEMSTATEICON)) return;
    Toggle(static_cast<std::size_t>(index));
    if (ticksChanged_) ticksChanged_();
}

void ListViewProblemList::HandleKeyDown(const NMLVKEYDOWN& key) {
    if (key.wVKey != VK_SPACE) return;
    const auto focused = Focused();
    if (!focused) return;
    // The focused row's box flips; when that row is one of several selected,
    // the other selected rows take the same state.
    const bool checked = !model_.IsChecked(*focused);
    const bool focusedSelected =
        SendMessageA(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(*focused), LVIS_SELECTED) & LVIS_SELECTED;
    if (focusedSelected) {
        for (auto at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); at >= 0;
             at = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(at), LVNI_SELECTED)) {
            if (static_cast<std::size_t>(at) >= Count()) break;
            model_.SetChecked(static_cast<std::size_t>(at), checked);
        }
    }
    model_.SetChecked(*focused, checked);
    InvalidateRect(list_, nullptr, FALSE);
    if (ticksChanged_) ticksChanged_();
}

bool ListViewProblemList::IsSelected(std::size_t index) const {
    if (index >= Count()) throw std::out_of_range("problem row");
    if (selectionKept_) return model_.IsSelected(index);
    return (SendMessageA(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

namespace {

// Measures texts in the list's font. A text's width is estimated from the
// character widths (exact but for rounding and, in double-byte code pages, the
// two-byte characters); only the texts that may be the widest are measured.
class TextWidths {
public:
    explicit TextWidths(HWND list) : list_(list), dc_(GetDC(list)) {
        if (!dc_) return;
        const auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
        if (font) oldFont_ = SelectObject(dc_, font);
        if (!GetCharWidth32A(dc_, 0, 255, widths_)) {
            for (int& width : widths_) width = 0;
        }
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(dc_, &metrics)) widest_ = metrics.tmMaxCharWidth;
        // A two-byte character counts as the widest one.
        for (int c = 0; c < 256; ++c)
            if (IsDBCSLeadByte(static_cast<BYTE>(c))) widths_[c] = widest_;
    }
    ~TextWidths() {
        if (!dc_) return;
        if (oldFont_) SelectObject(dc_, oldFont_);
        ReleaseDC(list_, dc_);
    }
    TextWidths(const TextWidths&) = delete;
    TextWidths& operator=(const TextWidths&) = delete;

    bool Usable() const { return dc_ != nullptr; }
    int WidestCharacter() const { return widest_; }
    int Estimate(const std::string& text) const {
        int width = 0;
        for (unsigned char c : text) width += widths_[c];
        return width;
    }
    int Measure(const std::string& text) const {
        SIZE size{};
        if (!GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size)) return Estimate(text);
        return size.cx;
    }

private:
    HWND list_;
    HDC dc_;
    HGDIOBJ oldFont_ = nullptr;
    int widths_[256] = {};
    int widest_ = 0;
};

// Below this many rows the control measures them all itself.
constexpr std::size_t kMeasuredByTheControl = 500;
// At most this many texts of a column are measured.
constexpr std::size_t kMeasuredRows = 256;

}  // namespace

void ListViewProblemList::AutoSizeColumns() {
    const int columns = ColumnCount();
    if (Count() <= kMeasuredByTheControl) {
        for (int column = 0; column < columns; ++column) SetColumnWidth(column, LVSCW_AUTOSIZE);
        return;
    }
    TextWidths widths(list_);
    if (!widths.Usable()) {
        for (int column = 0; column < columns; ++column) SetColumnWidth(column, LVSCW_AUTOSIZE);
        return;
    }
    // Every count the control is told costs it a scroll-bar update, unless
    // it is not drawing: it is told three times here and redrawn once.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    Flush();
    KeepSelection();
    const auto shown = static_cast<WPARAM>(Count());
    std::vector<int> estimates(Count());
    std::vector<std::pair<int, std::size_t>> candidates;
    std::vector<std::size_t> widestRows(static_cast<std::size_t>(columns > 0 ? columns : 0));
    for (int column = 0; column < columns; ++column) {
        // The estimates are off by rounding at most: only texts that come
        // within a few characters of the widest estimate may be the widest,
        // and they are measured widest estimate first. A long list of texts
        // alike (the same path with other numbers) would have every row
        // measured; past kMeasuredRows the rest could only add the rounding.
        int best = 0;
        for (std::size_t i = 0; i < Count(); ++i) {
            estimates[i] = widths.Estimate(CellText(static_cast<int>(i), column));
            best = std::max(best, estimates[i]);
        }
        const int margin = 2 * widths.WidestCharacter() + 8;
        candidates.clear();
        for (std::size_t i = 0; i < Count(); ++i)
            if (estimates[i] >= best - margin) candidates.emplace_back(estimates[i], i);
        const auto measured = std::min(candidates.size(), kMeasuredRows);
        std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(measured),
                          candidates.end(), [](const auto& a, const auto& b) {
                              return a.first != b.first ? a.first > b.first : a.second < b.second;
                          });
        std::size_t widestRow = 0;
        int widest = -1;
        for (std::size_t n = 0; n < measured; ++n) {
            const auto [estimate, row] = candidates[n];
            if (estimate < widest - margin) break;
            const int width = widths.Measure(CellText(static_cast<int>(row), column));
            if (width > widest) {
                widest = width;
                widestRow = row;
            }
        }
        widestRows[static_cast<std::size_t>(column)] = widestRow;
    }
    // The control sizes each column over a list of one row, the widest.
    SendMessageA(list_, LVM_SETITEMCOUNT, 1, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    for (int column = 0; column < columns; ++column) {
        sizingRow_ = widestRows[static_cast<std::size_t>(column)];
        SetColumnWidth(column, LVSCW_AUTOSIZE);
    }
    sizingRow_.reset();
    SendMessageA(list_, LVM_SETITEMCOUNT, shown, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    RestoreSelection();
    InvalidateRect(list_, nullptr, FALSE);
}

int ListViewProblemList::ColumnWidth(int column) const {
    return static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void ListViewProblemList::SetColumnWidth(int column, int width) {
    SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

int ListViewProblemList::ColumnCount() const {
    auto header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

}  // namespace ks
