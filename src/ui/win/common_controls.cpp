// Rows of report list views and check states of tree nodes.
#include "ui/win/common_controls.h"

#include <algorithm>
#include <stdexcept>

namespace ks::ui {

namespace {

constexpr int kTextBytes = 4096;

void CheckRow(HWND list, int row) {
    if (row < 0 || row >= RowCount(list)) throw std::out_of_range("no list row " + std::to_string(row));
}

}  // namespace

int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

int AddRow(HWND list, const std::vector<std::string>& texts) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount(list);
    item.pszText = const_cast<char*>(texts.empty() ? "" : texts[0].c_str());
    const auto row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) throw std::runtime_error("the list view refused a row");
    for (std::size_t column = 1; column < texts.size(); ++column)
        SetRowText(list, row, static_cast<int>(column), texts[column]);
    return row;
}

std::string RowText(HWND list, int row, int column) {
    CheckRow(list, row);
    std::string buffer(kTextBytes, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = kTextBytes;
    const auto length =
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    buffer.resize(static_cast<std::size_t>(std::clamp<LRESULT>(length, 0, kTextBytes - 1)));
    return buffer;
}

void SetRowText(HWND list, int row, int column, const std::string& text) {
    CheckRow(list, row);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void DeleteRow(HWND list, int row) {
    CheckRow(list, row);
    SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

void DeleteAllRows(HWND list) { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }

bool RowChecked(HWND list, int row) {
    CheckRow(list, row);
    const auto state = SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void SetRowChecked(HWND list, int row, bool checked) {
    CheckRow(list, row);
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

int SelectedRow(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }

int FocusedRow(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }

void SelectRow(HWND list, int row) {
    CheckRow(list, row);
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    none.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

int NodeState(HWND tree, HTREEITEM node) {
    TVITEMA item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = node;
    item.stateMask = TVIS_STATEIMAGEMASK;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) throw std::out_of_range("no tree node");
    return static_cast<int>((item.state & TVIS_STATEIMAGEMASK) >> 12);
}

void SetNodeState(HWND tree, HTREEITEM node, int state) {
    TVITEMA item{};
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = node;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state));
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int NodeImage(HWND tree, HTREEITEM node) {
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = node;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) throw std::out_of_range("no tree node");
    return item.iImage;
}

HTREEITEM NodeAtStateIcon(HWND tree, POINT point) {
    TVHITTESTINFO hit{};
    hit.pt = point;
    auto node = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & TVHT_ONITEMSTATEICON) ? node : nullptr;
}

}  // namespace ks::ui
