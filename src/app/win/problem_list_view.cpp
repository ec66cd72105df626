// Problem list over a report-style list view with check boxes.
#include "app/win/problem_list_view.h"

#include <commctrl.h>

#include <stdexcept>

namespace ks {

namespace {

// State image 1 is the empty box, 2 the ticked one.
constexpr UINT CheckState(bool checked) { return INDEXTOSTATEIMAGEMASK(checked ? 2u : 1u); }

WPARAM Index(std::size_t index) { return static_cast<WPARAM>(index); }

}  // namespace

bool ListViewProblemList::IsChecked(std::size_t index) const {
    if (index >= rows_.size()) throw std::out_of_range("problem row");
    const auto state = static_cast<UINT>(SendMessageA(list_, LVM_GETITEMSTATE, Index(index), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == CheckState(true);
}

void ListViewProblemList::SetChecked(std::size_t index, bool checked) {
    if (index >= rows_.size()) throw std::out_of_range("problem row");
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = CheckState(checked);
    SendMessageA(list_, LVM_SETITEMSTATE, Index(index), reinterpret_cast<LPARAM>(&item));
}

void ListViewProblemList::Remove(std::size_t index) {
    if (index >= rows_.size()) throw std::out_of_range("problem row");
    SendMessageA(list_, LVM_DELETEITEM, Index(index), 0);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
}

void ListViewProblemList::Append(Finding row) {
    // The control copies the texts; the finding is kept whole beside it, so a
    // row never exists without its key path, value and removal kind.
    rows_.push_back(std::move(row));
    const Finding& kept = rows_.back();
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.iItem = static_cast<int>(rows_.size() - 1);
    item.pszText = const_cast<char*>(kept.Problem.c_str());
    item.lParam = static_cast<LPARAM>(ToInt(kept.RemovalKind));
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = CheckState(false);
    const auto inserted = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted < 0) {
        rows_.pop_back();
        throw std::runtime_error("the problem list refused a row");
    }
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(kept.KeyPath.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(inserted), reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = const_cast<char*>(kept.Value.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(inserted), reinterpret_cast<LPARAM>(&sub));
    // LVS_EX_CHECKBOXES ticks nothing by itself, but make the new row's box plain.
    SetChecked(rows_.size() - 1, false);
}

void ListViewProblemList::Clear() {
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    rows_.clear();
}

std::optional<std::size_t> ListViewProblemList::Focused() const {
    const auto focused = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (focused < 0 || static_cast<std::size_t>(focused) >= rows_.size()) return std::nullopt;
    return static_cast<std::size_t>(focused);
}

bool ListViewProblemList::IsSelected(std::size_t index) const {
    if (index >= rows_.size()) throw std::out_of_range("problem row");
    return (SendMessageA(list_, LVM_GETITEMSTATE, Index(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
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
