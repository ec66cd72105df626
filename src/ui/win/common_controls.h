// Rows of report list views and check states of tree nodes, for the windows
// that keep their data in those controls (restore list, ignore lists, startup
// list, scan-section tree). All functions take the control's window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace ks::ui {

// ---- list view in report view; rows and columns count from 0.
int RowCount(HWND list);
// Adds a row at the end: texts[0] is the row's caption, texts[n] sub-item n.
// Returns its index.
int AddRow(HWND list, const std::vector<std::string>& texts);
std::string RowText(HWND list, int row, int column = 0);
void SetRowText(HWND list, int row, int column, const std::string& text);
void DeleteRow(HWND list, int row);
void DeleteAllRows(HWND list);
// The row's check box (list views with check boxes).
bool RowChecked(HWND list, int row);
void SetRowChecked(HWND list, int row, bool checked);
// Selected rows in row order; the first of them, or -1.
std::vector<int> SelectedRows(HWND list);
int SelectedRow(HWND list);
// The row with the focus rectangle, or -1.
int FocusedRow(HWND list);
// Selects and focuses one row (clearing every other selection) and scrolls to it.
void SelectRow(HWND list, int row);

// ---- tree view with check-box state images: 1 unticked, 2 ticked, 0 none.
int NodeState(HWND tree, HTREEITEM node);
void SetNodeState(HWND tree, HTREEITEM node, int state);
int NodeImage(HWND tree, HTREEITEM node);
// The node whose state icon (check box) lies under a point in the tree's
// client coordinates, or null.
HTREEITEM NodeAtStateIcon(HWND tree, POINT point);

}  // namespace ks::ui
