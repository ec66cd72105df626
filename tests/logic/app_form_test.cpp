// The tables of the main window and the About box: sound, complete, and with
// the names and texts other parts of the program and the language files use.
#include <gtest/gtest.h>

#include <string>

#include "app/main_form.h"
#include "app/scan_tree.h"
#include "settings/language_menu.h"
#include "ui/form_table.h"

namespace ks {
namespace {

TEST(AppFormTest, TablesAreSoundAndRegistered) {
    for (const ui::FormDef* form : {&MainForm(), &AboutForm()}) {
        SCOPED_TRACE(form->name);
        EXPECT_TRUE(ui::CheckFormDef(*form).empty()) << ui::CheckFormDef(*form).front();
        bool registered = false;
        for (const ui::FormDef* known : ui::RegisteredForms()) registered = registered || known == form;
        EXPECT_TRUE(registered);
    }
    EXPECT_EQ(MainForm().windowClass, "Quarlo Keyscrub Made by Quarlo Software");
}

TEST(AppFormTest, MainWindowHasEveryNamedControl) {
    const ui::FormDef& form = MainForm();
    struct Case {
        const char* name;
        ui::ControlKind kind;
        const char* caption;
    } const cases[] = {
        {"lTitle", ui::ControlKind::Label, "Keyscrub"},
        {"lTitleHint", ui::ControlKind::Label, "Scan and repair your registry to improve PC performance"},
        {"lUpdate", ui::ControlKind::LinkLabel, "Check for update now..."},
        {"iUpdate", ui::ControlKind::Image, ""},
        {"bScanRegistry", ui::ControlKind::FlatButton, "Scan registry issues"},
        {"bRepairRegistry", ui::ControlKind::FlatButton, "Repair registry issues"},
        {"bRestoreRegistry", ui::ControlKind::FlatButton, "Restore previous registry "},
        {"tvRegistry", ui::ControlKind::TreeView, ""},
        {"lvRegistryData", ui::ControlKind::ListView, ""},
        {"StatusBar1", ui::ControlKind::StatusBar, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ui::ControlDef* control = ui::FindControl(form, c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->kind, c.kind);
        EXPECT_EQ(control->caption, c.caption);
    }
    const ui::ControlDef& list = *ui::FindControl(form, "lvRegistryData");
    EXPECT_EQ(list.at.left, 194);
    EXPECT_EQ(list.at.top, 48);
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[0].text, "Problem");
    EXPECT_EQ(list.items[1].width, 300);
    EXPECT_EQ(list.items[2].width, 150);
    EXPECT_TRUE(list.flags & ui::kCheckBoxes);
    EXPECT_TRUE(list.flags & ui::kMultiSelect);
    const ui::ControlDef& status = *ui::FindControl(form, "StatusBar1");
    ASSERT_EQ(status.items.size(), 2u);
    EXPECT_EQ(status.items[0].width, 200);
    EXPECT_EQ(status.items[1].width, 50);

    // The tree is the scan tree: same captions, levels and image indexes.
    const ui::ControlDef& tree = *ui::FindControl(form, "tvRegistry");
    ASSERT_EQ(tree.items.size(), kScanTreeNodeCount);
    for (std::size_t i = 0; i < kScanTreeNodeCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tree.items[i].text, kScanTreeNodes[i].Caption);
        EXPECT_EQ(tree.items[i].level, kScanTreeNodes[i].Level);
        EXPECT_EQ(tree.items[i].image, kScanTreeNodes[i].ImageIndex);
    }
}

TEST(AppFormTest, MenusInOrderWithShortcuts) {
    const ui::FormDef& form = MainForm();
    std::vector<std::string> bar;
    for (const ui::MenuDef& entry : form.menus)
        if (entry.parent.empty() && !(entry.flags & ui::kMenuPopup)) bar.push_back(entry.caption);
    EXPECT_EQ(bar, (std::vector<std::string>{"File", "Action", "Edit", "Language", "Help"}));

    const auto children = [&](const char* parent) {
        std::vector<std::string> captions;
        for (const ui::MenuDef& entry : form.menus)
            if (entry.parent == parent) captions.push_back(entry.caption);
        return captions;
    };
    EXPECT_EQ(children("miFile"), (std::vector<std::string>{"&Backup Full Registry...", "&Windows Backup...", "-",
                                                            "Startup &Manager...", "-", "&Exit"}));
    EXPECT_EQ(children("miAction"), (std::vector<std::string>{"&Scan registry issue", "&Repair registry issue", "-",
                                                              "R&estore previous registry..."}));
    EXPECT_EQ(children("miEdit"),
              (std::vector<std::string>{"Select &All", "&Select All of Type", "-", "Select &None",
                                        "S&elect None of Type", "-", "Add to &Ignore Lists", "-",
                                        "&Save to Text File...", "-", "Open in &RegEdit...", "-", "&Options..."}));
    EXPECT_EQ(children("miHelpMenu"),
              (std::vector<std::string>{"Online &Help", "-", "&Home Page", "-", "&About..."}));
    EXPECT_EQ(children("miLanguage").size(), kLanguageMenuEntryCount);

    struct Case {
        const char* entry;
        const char* shortcut;
    } const shortcuts[] = {{"miStartupManager", "Ctrl+M"}, {"miScanRegistry", "Ctrl+S"},
                           {"miRepairRegistry", "Ctrl+Alt+R"}, {"miRestoreRegistry", "Ctrl+E"},
                           {"miOptions", "Ctrl+O"}, {"miExit", ""}};
    for (const auto& c : shortcuts) {
        SCOPED_TRACE(c.entry);
        ASSERT_NE(ui::FindMenu(form, c.entry), nullptr);
        EXPECT_EQ(ui::FindMenu(form, c.entry)->shortcut, c.shortcut);
    }
    // The task buttons and the menu entries run the same commands.
    struct Pair {
        const char* button;
        const char* entry;
    } const pairs[] = {{"bScanRegistry", "miScanRegistry"},
                       {"bRepairRegistry", "miRepairRegistry"},
                       {"bRestoreRegistry", "miRestoreRegistry"}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.button);
        EXPECT_FALSE(ui::FindControl(form, p.button)->action.empty());
        EXPECT_EQ(ui::FindControl(form, p.button)->action, ui::FindMenu(form, p.entry)->action);
    }
    const ui::MenuDef* popup = ui::FindMenu(form, "PopupMenu1");
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->flags & ui::kMenuPopup);
    EXPECT_EQ(ui::FindMenu(form, "Language1")->action, "aLanguage");
    EXPECT_TRUE(ui::FindMenu(form, "Language1")->flags & ui::kMenuHidden);
    EXPECT_TRUE(ui::FindMenu(form, "miEnglish")->flags & ui::kMenuChecked);
}

TEST(AppFormTest, AboutBoxShowsVersionAndHomePage) {
    const ui::FormDef& form = AboutForm();
    EXPECT_EQ(form.caption, "About Quarlo Keyscrub");
    ASSERT_NE(ui::FindControl(form, "lVersion"), nullptr);
    EXPECT_EQ(ui::FindControl(form, "lVersion")->caption, "Version: 3.3   Build 20131113");
    ASSERT_NE(ui::FindControl(form, "lHomePage"), nullptr);
    EXPECT_FALSE(ui::FindControl(form, "lHomePage")->address.empty());
    EXPECT_EQ(ui::FindControl(form, "bOK")->caption, "&OK");
}

}  // namespace
}  // namespace ks
