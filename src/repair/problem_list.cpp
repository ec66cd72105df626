// Problem-list model, unrepaired findings and the selection commands.
#include "repair/problem_list.h"

#include <algorithm>
#include <stdexcept>

#include "base/text.h"

namespace ks {

std::size_t ProblemList::CheckedRows() const {
    std::size_t checked = 0;
    for (std::size_t i = 0; i < Count(); ++i)
        if (IsChecked(i)) ++checked;
    return checked;
}

std::size_t ProblemListModel::Slot(std::size_t index) const {
    if (index >= Count()) throw std::out_of_range("problem row");
    return index < gapBegin_ ? index : index + GapLength();
}

void ProblemListModel::SetChecked(std::size_t index, bool checked) {
    Entry& entry = entries_[Slot(index)];
    if (entry.checked == checked) return;
    entry.checked = checked;
    if (checked) ++checked_;
    else --checked_;
}

void ProblemListModel::MoveGap(std::size_t index) {
    const auto at = [this](std::size_t slot) { return entries_.begin() + static_cast<std::ptrdiff_t>(slot); };
    const std::size_t length = GapLength();
    if (length == 0) {
        // Nothing to step over: moving the rows onto themselves would empty them.
        gapBegin_ = gapEnd_ = index;
        return;
    }
    if (index < gapBegin_) {
        // The rows between the new and the old beginning go behind the gap.
        std::move_backward(at(index), at(gapBegin_), at(gapEnd_));
    } else if (index > gapBegin_) {
        std::move(at(gapEnd_), at(gapEnd_ + (index - gapBegin_)), at(gapBegin_));
    }
    gapBegin_ = index;
    gapEnd_ = index + length;
}

void ProblemListModel::CloseGap() {
    if (GapLength() == 0) return;
    MoveGap(Count());
    entries_.resize(gapBegin_);
    gapBegin_ = gapEnd_ = entries_.size();
}

void ProblemListModel::Remove(std::size_t index) {
    if (entries_[Slot(index)].checked) --checked_;
    // The row joins the gap: the gap first moves to just behind it, which
    // leaves the row in the slot of its own index.
    MoveGap(index + 1);
    entries_[index] = Entry{};
    gapBegin_ = index;
    if (!focused_) return;
    if (*focused_ == index) focused_.reset();
    else if (*focused_ > index) --*focused_;
}

void ProblemListModel::Append(Finding row) {
    CloseGap();
    entries_.push_back({std::move(row), false, false});
    gapBegin_ = gapEnd_ = entries_.size();
}

void ProblemListModel::Clear() {
    entries_.clear();
    gapBegin_ = gapEnd_ = 0;
    checked_ = 0;
    focused_.reset();
}

void UnrepairedFindings::Add(std::string keyPath, std::string value) {
    Keys.push_back(std::move(keyPath));
    Values.push_back(std::move(value));
}

namespace {

std::string PairKey(std::string_view keyPath, std::string_view value) {
    std::string key = UpperAnsi(keyPath);
    key += '\0';
    key += UpperAnsi(value);
    return key;
}

}  // namespace

bool UnrepairedFindings::Contains(std::string_view keyPath, std::string_view value) const {
    const std::size_t pairs = Keys.size() < Values.size() ? Keys.size() : Values.size();
    if (pairs < indexed_) {
        index_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < pairs; ++indexed_) index_.insert(PairKey(Keys[indexed_], Values[indexed_]));
    return index_.count(PairKey(keyPath, value)) != 0;
}

std::size_t CheckedCount(const ProblemList& list) { return list.CheckedRows(); }

void SelectAll(ProblemList& list, bool checked) {
    for (std::size_t i = 0; i < list.Count(); ++i) list.SetChecked(i, checked);
}

bool SelectAllOfType(ProblemList& list, bool checked) {
    const auto focused = list.Focused();
    if (!focused || *focused >= list.Count()) return false;
    const std::string problem = list.Row(*focused).Problem;
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Row(i).Problem == problem) list.SetChecked(i, checked);
    return true;
}

std::string CountPanelText(std::size_t count, std::string_view words) {
    std::string text = " ";
    text += std::to_string(count);
    text += ' ';
    text += words;
    return text;
}

}  // namespace ks
