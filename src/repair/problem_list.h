// The problem list as the filter, the counts, the selection commands and the
// repair see it: one row per finding, each with its check mark.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "scan/finding.h"

namespace ks {

// The rows in display order. The window's list view implements it; tests use
// ProblemListModel.
class ProblemList {
public:
    virtual ~ProblemList() = default;

    virtual std::size_t Count() const = 0;
    virtual const Finding& Row(std::size_t index) const = 0;
    virtual bool IsChecked(std::size_t index) const = 0;
    virtual void SetChecked(std::size_t index, bool checked) = 0;
    virtual void Remove(std::size_t index) = 0;
    // The row stays what it is; only why it is there changes.
    virtual void SetReason(std::size_t index, FindingReason reason) = 0;
    // A new row goes to the end, unticked.
    virtual void Append(Finding row) = 0;
    virtual void Clear() = 0;
    // The row with the keyboard focus, if any.
    virtual std::optional<std::size_t> Focused() const = 0;
    // The row is highlighted (selected), whatever its check mark.
    virtual bool IsSelected(std::size_t index) const = 0;
    // How many rows are ticked. The default asks every row.
    virtual std::size_t CheckedRows() const;
    // Shows the changes made so far wherever the list is shown.
    virtual void Flush() {}
};

// The rows in memory. Removing rows from the last to the first, as every
// command that deletes rows does, costs a constant time per row however many
// rows stay: the removed rows leave a gap that moves down with the visit, and
// only the rows that stay are moved, each once. The ticked rows are counted as
// they change.
class ProblemListModel final : public ProblemList {
public:
    std::size_t Count() const override { return entries_.size() - GapLength(); }
    const Finding& Row(std::size_t index) const override { return At(index).row; }
    bool IsChecked(std::size_t index) const override { return At(index).checked; }
    void SetChecked(std::size_t index, bool checked) override;
    void Remove(std::size_t index) override;
    void SetReason(std::size_t index, FindingReason reason) override {
        entries_[Slot(index)].row.Reason = std::move(reason);
    }
    void Append(Finding row) override;
    void Clear() override;
    std::optional<std::size_t> Focused() const override { return focused_; }
    std::size_t CheckedRows() const override { return checked_; }
    void SetFocused(std::optional<std::size_t> index) { focused_ = index; }
    // Selection stays with its row while rows are removed (the window keeps
    // the control's selection here while it removes rows).
    bool IsSelected(std::size_t index) const override { return At(index).selected; }
    void SetSelected(std::size_t index, bool selected) { entries_[Slot(index)].selected = selected; }

private:
    struct Entry {
        Finding row;
        bool checked = false;
        bool selected = false;
    };
    std::size_t GapLength() const { return gapEnd_ - gapBegin_; }
    // Where the row of a display index is stored; throws for an index past the end.
    std::size_t Slot(std::size_t index) const;
    const Entry& At(std::size_t index) const { return entries_[Slot(index)]; }
    // Moves the gap so that it begins at display index `index`.
    void MoveGap(std::size_t index);
    void CloseGap();

    std::vector<Entry> entries_;  // the rows, with the gap's dead slots among them
    std::size_t gapBegin_ = 0;
    std::size_t gapEnd_ = 0;
    std::size_t checked_ = 0;
    std::optional<std::size_t> focused_;
};

// The run-long memory of findings a repair could not remove: entry i of Keys
// and entry i of Values belong together.
struct UnrepairedFindings {
    std::vector<std::string> Keys;
    std::vector<std::string> Values;

    void Add(std::string keyPath, std::string value);
    // Both texts compared ignoring case. A constant time per question: after
    // a repair that left thousands of rows, the next scan's filter asks once
    // for every finding. Pairs are only ever appended.
    bool Contains(std::string_view keyPath, std::string_view value) const;

private:
    mutable std::unordered_set<std::string> index_;  // upper-cased key, NUL, upper-cased value
    mutable std::size_t indexed_ = 0;                // pairs in index_
};

std::size_t CheckedCount(const ProblemList& list);

// The selection commands. The "of type" pair acts on every row whose Problem
// text equals the focused row's exactly; without a focused row they change
// nothing and answer false.
void SelectAll(ProblemList& list, bool checked);
bool SelectAllOfType(ProblemList& list, bool checked);

// One status-bar panel: a blank, the count, a blank and the looked-up words.
std::string CountPanelText(std::size_t count, std::string_view words);

}  // namespace ks
