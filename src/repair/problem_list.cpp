// Problem-list model, unrepaired findings and the selection commands.
#include "repair/problem_list.h"

#include "settings/text.h"

namespace ks {

void ProblemListModel::Remove(std::size_t index) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    if (!focused_) return;
    if (*focused_ == index) focused_.reset();
    else if (*focused_ > index) --*focused_;
}

void ProblemListModel::Clear() {
    rows_.clear();
    focused_.reset();
}

void UnrepairedFindings::Add(std::string keyPath, std::string value) {
    Keys.push_back(std::move(keyPath));
    Values.push_back(std::move(value));
}

bool UnrepairedFindings::Contains(std::string_view keyPath, std::string_view value) const {
    const std::size_t pairs = Keys.size() < Values.size() ? Keys.size() : Values.size();
    for (std::size_t i = 0; i < pairs; ++i)
        if (EqualsNoCase(Keys[i], keyPath) && EqualsNoCase(Values[i], value)) return true;
    return false;
}

std::size_t CheckedCount(const ProblemList& list) {
    std::size_t checked = 0;
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.IsChecked(i)) ++checked;
    return checked;
}

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
