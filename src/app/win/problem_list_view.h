// The problem list held by the real list view: rows, sub-items and check
// boxes live in the control, the findings beside it in the same order.
#pragma once

#include <windows.h>

#include <vector>

#include "repair/problem_list.h"

namespace ks {

class ListViewProblemList final : public ProblemList {
public:
    ListViewProblemList() = default;
    void Attach(HWND listView) { list_ = listView; }
    HWND Handle() const { return list_; }

    std::size_t Count() const override { return rows_.size(); }
    const Finding& Row(std::size_t index) const override { return rows_.at(index); }
    bool IsChecked(std::size_t index) const override;
    void SetChecked(std::size_t index, bool checked) override;
    void Remove(std::size_t index) override;
    void Append(Finding row) override;
    void Clear() override;
    std::optional<std::size_t> Focused() const override;
    bool IsSelected(std::size_t index) const override;

    // Column widths in pixels.
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    int ColumnCount() const;

private:
    HWND list_ = nullptr;
    std::vector<Finding> rows_;
};

}  // namespace ks
