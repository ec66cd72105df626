// Tables of the main window and the About box.
#include "app/main_form.h"

#include "app/product.h"
#include "app/scan_tree.h"
#include "settings/language_menu.h"

namespace ks {

namespace {

using ui::ControlKind;

std::vector<ui::ItemDef> TreeNodes() {
    std::vector<ui::ItemDef> nodes;
    for (const ScanTreeNodeInfo& node : kScanTreeNodes)
        nodes.push_back({.text = node.Caption, .level = node.Level, .image = node.ImageIndex});
    return nodes;
}

std::vector<ui::MenuDef> Menus() {
    std::vector<ui::MenuDef> menus = {
        {.name = "miFile", .caption = "File"},
        {.name = "miBackupFullRegistry", .caption = "&Backup Full Registry...", .parent = "miFile",
         .action = "aBackupFullRegistry"},
        {.name = "miWindowsBackup", .caption = "&Windows Backup...", .parent = "miFile"},
        {.name = "N1", .caption = "-", .parent = "miFile"},
        {.name = "miStartupManager", .caption = "Startup &Manager...", .parent = "miFile", .shortcut = "Ctrl+M",
         .action = "aStartupManager"},
        {.name = "N2", .caption = "-", .parent = "miFile"},
        {.name = "miExit", .caption = "&Exit", .parent = "miFile"},

        {.name = "miAction", .caption = "Action"},
        {.name = "miScanRegistry", .caption = "&Scan registry issue", .parent = "miAction", .shortcut = "Ctrl+S",
         .action = "aScanRegistry"},
        {.name = "miRepairRegistry", .caption = "&Repair registry issue", .parent = "miAction",
         .shortcut = "Ctrl+Alt+R", .action = "aRepairRegistry"},
        {.name = "N3", .caption = "-", .parent = "miAction"},
        {.name = "miRestoreRegistry", .caption = "R&estore previous registry...", .parent = "miAction",
         .shortcut = "Ctrl+E", .action = "aRestoreRegistry"},

        {.name = "miEdit", .caption = "Edit"},
        {.name = "miSelectAll", .caption = "Select &All", .parent = "miEdit", .action = "aSelectAll"},
        {.name = "miSelectAllType", .caption = "&Select All of Type", .parent = "miEdit", .action = "aSelectAllType"},
        {.name = "N4", .caption = "-", .parent = "miEdit"},
        {.name = "miSelectNone", .caption = "Select &None", .parent = "miEdit", .action = "aSelectNone"},
        {.name = "miSelectNoneType", .caption = "S&elect None of Type", .parent = "miEdit",
         .action = "aSelectNoneType"},
        {.name = "N5", .caption = "-", .parent = "miEdit"},
        {.name = "miAddToIgnoreLists", .caption = "Add to &Ignore Lists", .parent = "miEdit",
         .action = "aIgnoreListAdd"},
        {.name = "N6", .caption = "-", .parent = "miEdit"},
        {.name = "miSaveToTextFile", .caption = "&Save to Text File...", .parent = "miEdit",
         .action = "aSaveText"},
        {.name = "N7", .caption = "-", .parent = "miEdit"},
        {.name = "miOpenInRegEdit", .caption = "Open in &RegEdit...", .parent = "miEdit", .action = "aOpenRegedit"},
        {.name = "N8", .caption = "-", .parent = "miEdit"},
        {.name = "miOptions", .caption = "&Options...", .parent = "miEdit", .shortcut = "Ctrl+O",
         .action = "aOptions"},

        {.name = "miLanguage", .caption = "Language"},
    };
    for (const LanguageMenuEntry& entry : kLanguageMenuEntries) {
        ui::MenuDef item{.name = entry.Name, .caption = entry.Caption, .parent = "miLanguage"};
        if (entry.Hidden) {
            item.caption.clear();  // taken from the action
            item.flags |= ui::kMenuHidden;
            item.action = "aLanguage";
        }
        if (std::string_view(entry.Name) == "miEnglish") item.flags |= ui::kMenuChecked;
        menus.push_back(item);
    }
    const std::vector<ui::MenuDef> rest = {
        {.name = "miHelpMenu", .caption = "Help"},
        {.name = "miHelp", .caption = "Online &Help", .parent = "miHelpMenu"},
        {.name = "N9", .caption = "-", .parent = "miHelpMenu"},
        {.name = "miHomePage", .caption = "&Home Page", .parent = "miHelpMenu"},
        {.name = "N10", .caption = "-", .parent = "miHelpMenu"},
        {.name = "miAbout", .caption = "&About...", .parent = "miHelpMenu"},

        {.name = "PopupMenu1", .caption = "PopupMenu1", .flags = ui::kMenuPopup},
        {.name = "pmSelectAll", .caption = "Select &All", .parent = "PopupMenu1", .action = "aSelectAll"},
        {.name = "pmSelectAllType", .caption = "&Select All of Type", .parent = "PopupMenu1",
         .action = "aSelectAllType"},
        {.name = "N11", .caption = "-", .parent = "PopupMenu1"},
        {.name = "pmSelectNone", .caption = "Select &None", .parent = "PopupMenu1", .action = "aSelectNone"},
        {.name = "pmSelectNoneType", .caption = "S&elect None of Type", .parent = "PopupMenu1",
         .action = "aSelectNoneType"},
        {.name = "N12", .caption = "-", .parent = "PopupMenu1"},
        {.name = "pmAddToIgnoreLists", .caption = "Add to &Ignore Lists", .parent = "PopupMenu1",
         .action = "aIgnoreListAdd"},
        {.name = "N14", .caption = "-", .parent = "PopupMenu1"},
        {.name = "pmSaveToTextFile", .caption = "&Save to Text File...", .parent = "PopupMenu1",
         .action = "aSaveText"},
        {.name = "N13", .caption = "-", .parent = "PopupMenu1"},
        {.name = "pmOpenInRegEdit", .caption = "Open in &RegEdit...", .parent = "PopupMenu1",
         .action = "aOpenRegedit"},
    };
    menus.insert(menus.end(), rest.begin(), rest.end());
    return menus;
}

}  // namespace

const ui::FormDef& MainForm() {
    static const ui::FormDef form{
        .name = "frmRegCleaner",
        .caption = product::kName,
        .clientWidth = 668,
        .clientHeight = 455,
        .style = ui::kResizable | ui::kCentreOnScreen,
        .windowClass = product::kMainWindowClass,
        .controls =
            {
                {.name = "imgTitle", .kind = ControlKind::Panel, .at = {0, 0, 668, 50}},
                {.name = "imgIcon", .kind = ControlKind::Image, .at = {10, 9, 32, 32}, .parent = "imgTitle"},
                {.name = "lTitle", .kind = ControlKind::Label, .caption = "Keyscrub", .at = {52, 6, 300, 20},
                 .parent = "imgTitle"},
                {.name = "lTitleHint", .kind = ControlKind::Label,
                 .caption = "Scan and repair your registry to improve PC performance", .at = {52, 28, 400, 16},
                 .parent = "imgTitle"},
                {.name = "iUpdate", .kind = ControlKind::Image, .at = {503, 17, 16, 16}, .parent = "imgTitle"},
                {.name = "lUpdate", .kind = ControlKind::LinkLabel, .caption = "Check for update now...",
                 .at = {528, 18, 120, 16}, .parent = "imgTitle", .address = product::kUpdatePage},
                {.name = "lTasks", .kind = ControlKind::Label, .caption = "Tasks", .at = {8, 58, 180, 16}},
                {.name = "bScanRegistry", .kind = ControlKind::FlatButton, .caption = "Scan registry issues",
                 .at = {14, 78, 170, 22}, .action = "aScanRegistry"},
                {.name = "bRepairRegistry", .kind = ControlKind::FlatButton, .caption = "Repair registry issues",
                 .at = {14, 102, 170, 22}, .action = "aRepairRegistry"},
                {.name = "bRestoreRegistry", .kind = ControlKind::FlatButton, .caption = "Restore previous registry ",
                 .at = {14, 126, 170, 22}, .action = "aRestoreRegistry"},
                {.name = "lSelectSections", .kind = ControlKind::Label, .caption = "Select the sections to scan",
                 .at = {8, 156, 180, 16}},
                {.name = "tvRegistry", .kind = ControlKind::TreeView, .at = {0, 176, 190, 260},
                 .items = TreeNodes()},
                {.name = "lvRegistryData", .kind = ControlKind::ListView, .at = {194, 48, 474, 388},
                 .flags = ui::kCheckBoxes | ui::kMultiSelect | ui::kRowSelect | ui::kOwnerData,
                 .items = {{.text = "Problem", .width = 120},
                           {.text = "Registry key", .width = 300},
                           {.text = "Value", .width = 150}}},
                {.name = "StatusBar1", .kind = ControlKind::StatusBar, .at = {0, 436, 668, 19},
                 .items = {{.text = "", .width = 200}, {.text = "", .width = 50}}},
            },
        .menus = Menus(),
        .actions =
            {
                {.name = "aScanRegistry", .caption = "Scan registry issues"},
                {.name = "aRepairRegistry", .caption = "Repair registry issues"},
                {.name = "aRestoreRegistry", .caption = "Restore previous registry "},
                {.name = "aBackupFullRegistry", .caption = "&Backup Full Registry..."},
                {.name = "aStartupManager", .caption = "Startup &Manager..."},
                {.name = "aOptions", .caption = "&Options..."},
                {.name = "aIgnoreListAdd", .caption = "Add to &Ignore Lists"},
                {.name = "aSaveText", .caption = "&Save to Text File..."},
                {.name = "aOpenRegedit", .caption = "Open in &RegEdit..."},
                {.name = "aSelectAll", .caption = "Select &All"},
                {.name = "aSelectNone", .caption = "Select &None"},
                {.name = "aSelectAllType", .caption = "&Select All of Type"},
                {.name = "aSelectNoneType", .caption = "S&elect None of Type"},
                {.name = "aLanguage", .caption = "Language"},
            },
    };
    return form;
}

const ui::FormDef& AboutForm() {
    static const ui::FormDef form{
        .name = "frmAbout",
        .caption = "About Quarlo Keyscrub",
        .clientWidth = 320,
        .clientHeight = 150,
        .controls =
            {
                {.name = "imgIcon", .kind = ControlKind::Image, .at = {16, 16, 32, 32}},
                {.name = "lProductName", .kind = ControlKind::Label, .caption = product::kName,
                 .at = {64, 16, 240, 18}},
                {.name = "lVersion", .kind = ControlKind::Label, .caption = product::kVersionLine,
                 .at = {64, 40, 240, 16}},
                {.name = "lHomePage", .kind = ControlKind::LinkLabel, .caption = "www.quarlo-software.example",
                 .at = {64, 66, 240, 16}, .address = product::kHomePage},
                {.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {122, 110, 75, 25},
                 .flags = ui::kDefaultButton | ui::kCancelButton},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerMain{&MainForm};
const ui::FormRegistration registerAbout{&AboutForm};
}  // namespace

}  // namespace ks
