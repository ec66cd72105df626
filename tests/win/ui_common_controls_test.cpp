// Rows of a real report list view and check states of real tree nodes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/win/common_controls.h"
#include "ui/win/window.h"
#include "win/ui_sample_form.h"

namespace ks::ui {
namespace {

TEST(UiListRowsTest, RowsHoldTextsChecksAndSelection) {
    Window window(test::EveryKindForm());
    window.Show();
    HWND list = window.Control("lvData");
    EXPECT_EQ(RowCount(list), 0);
    EXPECT_EQ(SelectedRow(list), -1);
    EXPECT_EQ(FocusedRow(list), -1);
    const std::vector<std::vector<std::string>> rows = {
        {"Invalid File or Folder", "C:\\gone.dll", "HKEY_CURRENT_USER\\Software\\A"},
        {"Fonts Issue", "arial.ttf"},
        {"Empty Registry Keys", "", "HKEY_USERS\\S-1\\Empty"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(AddRow(list, rows[i]), static_cast<int>(i));
    ASSERT_EQ(RowCount(list), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            SCOPED_TRACE(std::to_string(row) + "/" + std::to_string(column));
            const auto& texts = rows[static_cast<std::size_t>(row)];
            const std::string expected = static_cast<std::size_t>(column) < texts.size() ? texts[static_cast<std::size_t>(column)] : "";
            EXPECT_EQ(RowText(list, row, column), expected);
        }
    const std::string longText(3000, 'k');
    SetRowText(list, 1, 2, longText);
    EXPECT_EQ(RowText(list, 1, 2), longText);
    EXPECT_EQ(RowText(list, 1, 0), "Fonts Issue");

    for (int row = 0; row < 3; ++row) EXPECT_FALSE(RowChecked(list, row));
    SetRowChecked(list, 1, true);
    EXPECT_FALSE(RowChecked(list, 0));
    EXPECT_TRUE(RowChecked(list, 1));
    EXPECT_FALSE(RowChecked(list, 2));
    SetRowChecked(list, 1, false);
    EXPECT_FALSE(RowChecked(list, 1));

    SelectRow(list, 2);
    SelectRow(list, 0);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{0}) << "selecting one row clears the others";
    EXPECT_EQ(FocusedRow(list), 0);
    LVITEMA also{};
    also.stateMask = LVIS_SELECTED;
    also.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&also));
    EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 2}));
    EXPECT_EQ(SelectedRow(list), 0);

    DeleteRow(list, 0);
    EXPECT_EQ(RowCount(list), 2);
    EXPECT_EQ(RowText(list, 0), "Fonts Issue");
    EXPECT_EQ(SelectedRows(list), std::vector<int>{1});
    EXPECT_THROW(RowText(list, 2), std::out_of_range);
    EXPECT_THROW(SetRowChecked(list, -1, true), std::out_of_range);
    EXPECT_THROW(DeleteRow(list, 5), std::out_of_range);
    DeleteAllRows(list);
    EXPECT_EQ(RowCount(list), 0);
}

TEST(UiTreeStateTest, NodesTickAndTheStateIconIsFound) {
    Window window(test::EveryKindForm());
    window.Show();
    HWND tree = window.Control("tvSections");
    const std::vector<HTREEITEM> nodes = window.TreeNodes("tvSections");
    ASSERT_EQ(nodes.size(), 6u);
    const int images[] = {1, 2, 3, 4, 6, -1};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(NodeState(tree, nodes[i]), 1);
        if (images[i] >= 0) EXPECT_EQ(NodeImage(tree, nodes[i]), images[i]);
    }
    SetNodeState(tree, nodes[2], 2);
    EXPECT_EQ(NodeState(tree, nodes[2]), 2);
    EXPECT_EQ(NodeState(tree, nodes[1]), 1) << "the parent is not ticked along";
    EXPECT_EQ(NodeState(tree, nodes[3]), 1);

    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(nodes[0]));
    RECT text{};
    *reinterpret_cast<HTREEITEM*>(&text) = nodes[0];
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
    const LONG middle = (text.top + text.bottom) / 2;
    EXPECT_EQ(NodeAtStateIcon(tree, POINT{text.left - 8, middle}), nodes[0]);
    EXPECT_EQ(NodeAtStateIcon(tree, POINT{text.left + 4, middle}), nullptr) << "the caption is not the check box";
    EXPECT_EQ(NodeAtStateIcon(tree, POINT{text.left - 8, middle + 2000}), nullptr);
}

}  // namespace
}  // namespace ks::ui
