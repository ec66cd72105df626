// Window tables: the table check, shortcut text and save-dialog filters.
#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_filter.h"
#include "ui/form_table.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ks::ui {
namespace {

FormDef SoundForm() {
    return FormDef{
        .name = "frmSample",
        .caption = "Sample",
        .clientWidth = 300,
        .clientHeight = 200,
        .controls =
            {
                {.name = "pcPages", .kind = ControlKind::PageControl, .items = {{.text = "One"}, {.text = "Two"}}},
                {.name = "gbFrame", .kind = ControlKind::GroupBox, .caption = "Frame", .parent = "pcPages", .page = 1},
                {.name = "bGo", .kind = ControlKind::Button, .caption = "Go", .parent = "gbFrame", .action = "aGo"},
                {.name = "tvTree",
                 .kind = ControlKind::TreeView,
                 .items = {{.text = "root"}, {.text = "child", .level = 1}, {.text = "grandchild", .level = 2},
                           {.text = "second root"}}},
                {.name = "Timer1", .kind = ControlKind::Timer, .interval = 500},
            },
        .menus = {{.name = "miFile", .caption = "File"},
                  {.name = "miGo", .caption = "", .parent = "miFile", .shortcut = "Ctrl+G", .action = "aGo"},
                  {.name = "N1", .caption = "-", .parent = "miFile"},
                  {.name = "PopupMenu1", .flags = kMenuPopup},
                  {.name = "miPopupGo", .caption = "Go", .parent = "PopupMenu1"}},
        .actions = {{.name = "aGo", .caption = "&Go"}},
    };
}

TEST(FormDefTest, SoundTableHasNoProblems) {
    const FormDef form = SoundForm();
    EXPECT_EQ(CheckFormDef(form), std::vector<std::string>{});
    EXPECT_EQ(FindControl(form, "bGo")->caption, "Go");
    EXPECT_EQ(FindControl(form, "bgo"), nullptr) << "component names are matched exactly";
    EXPECT_EQ(FindMenu(form, "N1")->parent, "miFile");
    EXPECT_TRUE(IsSeparator(*FindMenu(form, "N1")));
    EXPECT_FALSE(IsSeparator(*FindMenu(form, "miGo")));
    EXPECT_EQ(FindAction(form, "aGo")->caption, "&Go");
}

TEST(FormDefTest, EachFaultIsReported) {
    struct Case {
        const char* what;
        void (*spoil)(FormDef&);
        const char* mentions;
    };
    const Case cases[] = {
        {"duplicate control", [](FormDef& f) { f.controls.push_back({.name = "bGo"}); }, "bGo is used twice"},
        {"control named like a menu entry", [](FormDef& f) { f.controls.push_back({.name = "miGo"}); },
         "miGo is used twice"},
        {"control named like the window", [](FormDef& f) { f.controls.push_back({.name = "frmSample"}); },
         "frmSample is used twice"},
        {"nameless control", [](FormDef& f) { f.controls.push_back({.name = ""}); }, "has no name"},
        {"unknown parent", [](FormDef& f) { f.controls[2].parent = "pnlNothing"; }, "unknown parent pnlNothing"},
        {"parent that holds nothing", [](FormDef& f) { f.controls[2].parent = "tvTree"; }, "cannot hold controls"},
        {"page out of range", [](FormDef& f) { f.controls[1].page = 2; }, "on page 2"},
        {"negative page", [](FormDef& f) { f.controls[1].page = -1; }, "on page -1"},
        {"parent listed later", [](FormDef& f) { std::swap(f.controls[0], f.controls[1]); }, "before its parent"},
        {"tree level skipped", [](FormDef& f) { f.controls[3].items[1].level = 2; }, "skips a level"},
        {"tree starts below root", [](FormDef& f) { f.controls[3].items[0].level = 1; }, "skips a level"},
        {"timer without interval", [](FormDef& f) { f.controls[4].interval = 0; }, "needs an interval"},
        {"unknown control action", [](FormDef& f) { f.controls[2].action = "aStop"; }, "unknown action aStop"},
        {"unknown menu action", [](FormDef& f) { f.menus[1].action = "aStop"; }, "unknown action aStop"},
        {"unknown menu parent", [](FormDef& f) { f.menus[1].parent = "miEdit"; }, "unknown menu miEdit"},
        {"entry under a separator", [](FormDef& f) { f.menus.push_back({.name = "miX", .caption = "X", .parent = "N1"}); },
         "under the separator N1"},
        {"bad shortcut", [](FormDef& f) { f.menus[1].shortcut = "Ctrl+Hyper+G"; }, "cannot read the shortcut"},
        {"pop-up menu with a parent", [](FormDef& f) { f.menus[3].parent = "miFile"; }, "a pop-up menu has no parent"},
        {"duplicate action", [](FormDef& f) { f.actions.push_back({.name = "aGo"}); }, "aGo is used twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FormDef form = SoundForm();
        c.spoil(form);
        const std::vector<std::string> problems = CheckFormDef(form);
        ASSERT_FALSE(problems.empty());
        bool found = false;
        for (const std::string& problem : problems) found = found || problem.find(c.mentions) != std::string::npos;
        EXPECT_TRUE(found) << problems.front();
    }
}

TEST(FormDefTest, ShortcutsAreRead) {
    struct Case {
        const char* text;
        bool ctrl, alt, shift;
        unsigned key;
    };
    const Case readable[] = {
        {"Ctrl+S", true, false, false, 'S'},     {"ctrl+alt+r", true, true, false, 'R'},
        {"Alt+Ctrl+R", true, true, false, 'R'},  {"Shift+F10", false, false, true, 0x79},
        {"F1", false, false, false, 0x70},        {"F24", false, false, false, 0x87},
        {"Del", false, false, false, 0x2E},       {" Ctrl+O ", true, false, false, 'O'},
        {"Ctrl+5", true, false, false, '5'},      {"Ctrl+Shift+Delete", true, false, true, 0x2E},
    };
    for (const Case& c : readable) {
        SCOPED_TRACE(c.text);
        const std::optional<Shortcut> shortcut = ParseShortcut(c.text);
        ASSERT_TRUE(shortcut.has_value());
        EXPECT_EQ(*shortcut, (Shortcut{c.ctrl, c.alt, c.shift, c.key}));
    }
    for (const char* text : {"", "   ", "Ctrl+", "Ctrl", "Ctrl+Ctrl+S", "F0", "F25", "F01", "Ctrl+SS", "Hyper+S",
                             "+", "Ctrl+%", "Ctrl++S"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseShortcut(text).has_value());
    }
}

TEST(DialogFilterTest, PipesBecomeNulsAndTheListEndsTwice) {
    using namespace std::string_literals;
    struct Case {
        const char* filter;
        std::string expected;
    };
    const Case cases[] = {
        {"Registry backup files (*.reg)|*.REG", "Registry backup files (*.reg)\0*.REG\0\0"s},
        {"Text (*.txt)|*.txt|All|*.*", "Text (*.txt)\0*.txt\0All\0*.*\0\0"s},
        {"Anything", "Anything\0*.*\0\0"s},
        {"", "\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(CommonDialogFilter(c.filter), c.expected);
    }
}

}  // namespace
}  // namespace ks::ui
