// The problem list shown by an owner-data list view: the rows live in one
// model and the control asks for what it paints, so a finding costs the
// control nothing until it is on screen.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "repair/problem_list.h"

namespace ks {

class ListViewProblemList final : public ProblemList {
public:
    ListViewProblemList() = default;
    ~ListViewProblemList() override;
    ListViewProblemList(const ListViewProblemList&) = delete;
    ListViewProblemList& operator=(const ListViewProblemList&) = delete;

    // Takes the control over: it must have been made with LVS_OWNERDATA.
    void Attach(HWND listView);
    HWND Handle() const { return list_; }
    // Called after boxes were ticked or cleared from the control itself (a
    // click, the space bar, or LVM_SETITEMSTATE sent to it).
    void OnTicksChanged(std::function<void()> handler) { ticksChanged_ = std::move(handler); }
    // Called whenever ShowSoon has told the control of new rows.
    void OnRowsShown(std::function<void()> handler) { rowsShown_ = std::move(handler); }
    // Makes a row's info tip when the control asks for one.
    void OnInfoTip(std::function<std::string(const Finding&)> tipOf) { tipOf_ = std::move(tipOf); }

    std::size_t Count() const override { return model_.Count(); }
    const Finding& Row(std::size_t index) const override { return model_.Row(index); }
    bool IsChecked(std::size_t index) const override { return model_.IsChecked(index); }
    void SetChecked(std::size_t index, bool checked) override;
    void Remove(std::size_t index) override;
    void SetReason(std::size_t index, FindingReason reason) override { model_.SetReason(index, std::move(reason)); }
    void Append(Finding row) override;
    void Clear() override;
    std::optional<std::size_t> Focused() const override;
    bool IsSelected(std::size_t index) const override;
    std::size_t CheckedRows() const override { return model_.CheckedRows(); }
    // Tells the control the row count and repaints it, once for everything
    // changed since the last time. Outside a batch this happens by itself
    // before the control next handles a message.
    void Flush() override;
    // For rows that arrive many times a second (a scan): flushes now when the
    // control was last told at least kShowInterval ago, else once that much
    // time has passed, even inside a batch. Telling the control costs tens of
    // milliseconds under Wine, taken from the scan's own time.
    void ShowSoon();
    static constexpr unsigned kShowInterval = 250;  // ms

    // While a batch is open the control hears nothing; the last one to close
    // tells it once.
    class Batch {
    public:
        explicit Batch(ListViewProblemList& list) : list_(list) { ++list_.batches_; }
        ~Batch() {
            if (--list_.batches_ == 0) list_.Flush();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ListViewProblemList& list_;
    };

    // The control's questions and the user's clicks and keys, from the
    // parent's WM_NOTIFY.
    void AnswerDisplayInfo(NMLVDISPINFOA& info) const;
    void AnswerDisplayInfo(NMLVDISPINFOW& info) const;
    void AnswerInfoTip(NMLVGETINFOTIPA& tip) const;
    void AnswerInfoTip(NMLVGETINFOTIPW& tip) const;
    void HandleClick(const NMITEMACTIVATE& click);
    void HandleKeyDown(const NMLVKEYDOWN& key);

    // Every column as wide as its widest text, as LVSCW_AUTOSIZE makes it.
    // The control would measure every row of a long list; here the widest
    // row of each column is found from the font's character widths and the
    // control sizes the column over that row alone.
    void AutoSizeColumns();

    // Column widths in pixels.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    int ColumnCount() const;

private:
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self);
    void Changed();
    // Before the first removal since the control was last told: the focused
    // and selected rows are kept in the model, where they move with their rows.
    void KeepSelection();
    void RestoreSelection();
    void Toggle(std::size_t index);
    const std::string& CellText(int index, int column) const;
    // The tip of the row the control asks about; "" for none.
    std::string TipText(int index) const;
    // Wine's list view never asks for info tips; there a tooltip of our own
    // asks the parent as the control would.
    void MakeOwnTip();
    void AnswerOwnTip(NMHDR& header);
    void FollowMouse(LPARAM at);

    HWND list_ = nullptr;
    ProblemListModel model_;
    std::function<void()> ticksChanged_;
    std::function<void()> rowsShown_;
    std::function<std::string(const Finding&)> tipOf_;
    HWND ownTip_ = nullptr;
    int tipRow_ = -1;            // the row the own tooltip speaks of
    std::string ownTipText_;     // what it shows, kept while it shows it
    std::wstring ownTipWide_;
    unsigned long long lastFlush_ = 0;  // GetTickCount64 of the last Flush that told the control
    bool showTimer_ = false;
    int batches_ = 0;
    bool dirty_ = false;
    bool flushing_ = false;
    bool flushPosted_ = false;
    bool selectionKept_ = false;
    mutable std::wstring wideText_;
    // While a column is sized: the row whose texts the control's only row shows.
    std::optional<std::size_t> sizingRow_;
};

}  // namespace ks
