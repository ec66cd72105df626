// The problem list as the filter, the counts, the selection commands and the
// repair see it: one row per finding, each with its check mark.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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
    // A new row goes to the end, unticked.
    virtual void Append(Finding row) = 0;
    virtual void Clear() = 0;
    // The row with the keyboard focus, if any.
    virtual std::optional<std::size_t> Focused() const = 0;
    // The row is highlighted (selected), whatever its check mark.
    virtual bool IsSelected(std::size_t index) const = 0;
};

class ProblemListModel final : public ProblemList {
public:
    std::size_t Count() const override { return rows_.size(); }
    const Finding& Row(std::size_t index) const override { return rows_.at(index).row; }
    bool IsChecked(std::size_t index) const override { return rows_.at(index).checked; }
    void SetChecked(std::size_t index, bool checked) override { rows_.at(index).checked = checked; }
    void Remove(std::size_t index) override;
    void Append(Finding row) override { rows_.push_back({std::move(row), false}); }
    void Clear() override;
    std::optional<std::size_t> Focused() const override { return focused_; }
    void SetFocused(std::optional<std::size_t> index) { focused_ = index; }
    bool IsSelected(std::size_t index) const override { return rows_.at(index).selected; }
    void SetSelected(std::size_t index, bool selected) { rows_.at(index).selected = selected; }

private:
    struct Entry {
        Finding row;
        bool checked = false;
        bool selected = false;
    };
    std::vector<Entry> rows_;
    std::optional<std::size_t> focused_;
};

// The run-long memory of findings a repair could not remove: entry i of Keys
// and entry i of Values belong together.
struct UnrepairedFindings {
    std::vector<std::string> Keys;
    std::vector<std::string> Values;

    void Add(std::string keyPath, std::string value);
    // Both texts compared ignoring case.
    bool Contains(std::string_view keyPath, std::string_view value) const;
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
