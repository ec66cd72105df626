// A window with one control of every kind, for the widget and translation tests.
#pragma once

#include "ui/form_table.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ks::test {

inline const ui::FormDef& EveryKindForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmEveryKind",
        .caption = "Every kind",
        .clientWidth = 640,
        .clientHeight = 480,
        .style = ui::kResizable,
        .controls =
            {
                {.name = "lTitle", .kind = ControlKind::Label, .caption = "Title", .at = {8, 8, 120, 16}},
                {.name = "lUpdate", .kind = ControlKind::LinkLabel, .caption = "Check for update now...",
                 .at = {140, 8, 160, 16}, .address = "http://example.invalid/update"},
                {.name = "bScan", .kind = ControlKind::FlatButton, .caption = "Scan registry issues",
                 .at = {8, 30, 150, 20}},
                {.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {540, 440, 80, 25},
                 .flags = ui::kDefaultButton},
                {.name = "bCancel", .kind = ControlKind::Button, .caption = "&Cancel", .at = {450, 440, 80, 25},
                 .flags = ui::kCancelButton},
                {.name = "cbBeep", .kind = ControlKind::CheckBox, .caption = "Beep", .at = {8, 56, 150, 20}},
                {.name = "gbFolder", .kind = ControlKind::GroupBox, .caption = "Folder", .at = {8, 80, 300, 60}},
                {.name = "eFolder", .kind = ControlKind::Edit, .caption = "C:\\Backup", .at = {10, 20, 200, 22},
                 .parent = "gbFolder", .flags = ui::kReadOnly},
                {.name = "bBrowse", .kind = ControlKind::Button, .caption = "...", .at = {220, 20, 30, 22},
                 .parent = "gbFolder"},
                {.name = "pnlBottom", .kind = ControlKind::Panel, .caption = "Panel text", .at = {8, 150, 300, 40}},
                {.name = "bInPanel", .kind = ControlKind::Button, .caption = "In panel", .at = {4, 4, 80, 25},
                 .parent = "pnlBottom", .action = "aGo"},
                {.name = "lbItems", .kind = ControlKind::ListBox, .at = {8, 200, 140, 80},
                 .items = {{.text = "First"}, {.text = "Second"}, {.text = "Third"}}},
                {.name = "lvData", .kind = ControlKind::ListView, .at = {320, 8, 300, 150},
                 .flags = ui::kCheckBoxes | ui::kRowSelect | ui::kMultiSelect,
                 .items = {{.text = "Problem", .width = 120}, {.text = "Data", .width = 100},
                           {.text = "Registry Key", .width = 80}}},
                {.name = "tvSections", .kind = ControlKind::TreeView, .at = {160, 200, 150, 200},
                 .flags = ui::kCheckBoxes,
                 .items = {{.text = "My Computers", .image = 1},
                           {.text = "Files and Folders", .level = 1, .image = 2},
                           {.text = "Local machine", .level = 2, .image = 3},
                           {.text = "Current user", .level = 2, .image = 4},
                           {.text = "Software Locations", .level = 1, .image = 6},
                           {.text = "Second root"}}},
                {.name = "pcOptions", .kind = ControlKind::PageControl, .at = {320, 170, 300, 200},
                 .items = {{.text = "General"}, {.text = "Ignore Lists"}}},
                {.name = "cbOnPage", .kind = ControlKind::CheckBox, .caption = "On the first page",
                 .at = {8, 8, 200, 20}, .parent = "pcOptions", .page = 0},
                {.name = "pcInner", .kind = ControlKind::PageControl, .at = {4, 4, 280, 150},
                 .parent = "pcOptions", .page = 1, .items = {{.text = "Values"}, {.text = "Keys"}}},
                {.name = "bOnInnerPage", .kind = ControlKind::Button, .caption = "Inner", .at = {8, 8, 80, 25},
                 .parent = "pcInner", .page = 1},
                {.name = "mNotes", .kind = ControlKind::Memo, .caption = "Registry Key", .at = {8, 290, 140, 60},
                 .flags = ui::kReadOnly},
                {.name = "pbProgress", .kind = ControlKind::ProgressBar, .at = {8, 360, 300, 16}, .range = 1000},
                {.name = "iIcon", .kind = ControlKind::Image, .at = {8, 380, 32, 32}},
                {.name = "StatusBar1", .kind = ControlKind::StatusBar,
                 .items = {{.text = " 0 problems found", .width = 200}, {.text = " 0 selected", .width = 50}}},
                {.name = "sbSingle", .kind = ControlKind::StatusBar, .caption = "Single text",
                 .flags = ui::kHidden},
                {.name = "Timer1", .kind = ControlKind::Timer, .interval = 20},
            },
        .menus =
            {
                {.name = "miFile", .caption = "File"},
                {.name = "miGo", .parent = "miFile", .action = "aGo"},
                {.name = "N1", .caption = "-", .parent = "miFile"},
                {.name = "miExit", .caption = "&Exit", .parent = "miFile", .shortcut = "Ctrl+Q"},
                {.name = "miLanguage", .caption = "Language"},
                {.name = "miEnglish", .caption = "&English", .parent = "miLanguage", .flags = ui::kMenuChecked},
                {.name = "miGerman", .caption = "&German", .parent = "miLanguage"},
                {.name = "miMore", .caption = "More", .parent = "miLanguage"},
                {.name = "miDeep", .caption = "Deep entry", .parent = "miMore"},
                {.name = "Language1", .parent = "miLanguage", .flags = ui::kMenuHidden, .action = "aLanguage"},
                {.name = "PopupMenu1", .flags = ui::kMenuPopup},
                {.name = "miSelectAll", .caption = "Select &All", .parent = "PopupMenu1"},
            },
        .actions = {{.name = "aGo", .caption = "&Go", .shortcut = "Ctrl+G"}, {.name = "aLanguage", .caption = "Language"}},
    };
    return form;
}

}  // namespace ks::test

#pragma GCC diagnostic pop
