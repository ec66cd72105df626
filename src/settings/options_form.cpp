// The options dialog: the backup folder and six switches on "General", the
// two ignore lists on "Ignore Lists".
#include "settings/options_form.h"

namespace ks {

const ui::FormDef& OptionsForm() {
    using ui::ControlKind;
    constexpr unsigned kList = ui::kCheckBoxes | ui::kRowSelect;
    static const ui::FormDef form{
        .name = "frmOptions",
        .caption = "Options",
        .clientWidth = 470,
        .clientHeight = 372,
        .controls =
            {
                {.name = "suiPageControl1", .kind = ControlKind::PageControl, .at = {8, 8, 454, 320},
                 .items = {{"General"}, {"Ignore Lists"}}},
                {.name = "GroupBox1", .kind = ControlKind::GroupBox,
                 .caption = "Select a destination folder to backup deleted entries by repairing",
                 .at = {8, 8, 430, 60}, .parent = "suiPageControl1", .page = 0},
                {.name = "eOutputFolder", .kind = ControlKind::Edit, .at = {10, 24, 370, 22}, .parent = "GroupBox1"},
                {.name = "bBrowse", .kind = ControlKind::Button, .caption = "...", .at = {386, 23, 34, 24},
                 .parent = "GroupBox1"},
                {.name = "cbCreateRestore", .kind = ControlKind::CheckBox,
                 .caption = "Create a system restore point before repair (XP, Vista, 7, 8)", .at = {12, 82, 426, 20},
                 .parent = "suiPageControl1", .page = 0},
                {.name = "cbDeleteBackupFile", .kind = ControlKind::CheckBox,
                 .caption = "Delete backup file after restoring the registry on restore dialog",
                 .at = {12, 110, 426, 20}, .parent = "suiPageControl1", .page = 0},
                {.name = "cbIncludeRemoveMedia", .kind = ControlKind::CheckBox,
                 .caption = "Include all references to removable media", .at = {12, 138, 426, 20},
                 .parent = "suiPageControl1", .page = 0},
                {.name = "cbIncludeCDdrive", .kind = ControlKind::CheckBox,
                 .caption = "Include all references to CD drive", .at = {12, 166, 426, 20},
                 .parent = "suiPageControl1", .page = 0},
                {.name = "cbShowHint", .kind = ControlKind::CheckBox,
                 .caption = "Show hint dialog after repairing registry issue", .at = {12, 194, 426, 20},
                 .parent = "suiPageControl1", .page = 0},
                {.name = "cbBeep", .kind = ControlKind::CheckBox, .caption = "Beep after the scan and repair action",
                 .at = {12, 222, 426, 20}, .parent = "suiPageControl1", .page = 0},
                {.name = "Label1", .kind = ControlKind::Label,
                 .caption = "The following registry values and keys will be ignored:", .at = {8, 8, 430, 16},
                 .parent = "suiPageControl1", .page = 1},
                {.name = "suiPageControl2", .kind = ControlKind::PageControl, .at = {8, 28, 340, 252},
                 .parent = "suiPageControl1", .page = 1, .items = {{"Values"}, {"Keys"}}},
                {.name = "lvValues", .kind = ControlKind::ListView, .at = {4, 4, 324, 212},
                 .parent = "suiPageControl2", .page = 0, .flags = kList, .items = {{"Items", 360}}},
                {.name = "lvKeys", .kind = ControlKind::ListView, .at = {4, 4, 324, 212},
                 .parent = "suiPageControl2", .page = 1, .flags = kList, .items = {{"Items", 360}}},
                {.name = "bAdd", .kind = ControlKind::Button, .caption = "&Add", .at = {356, 50, 80, 25},
                 .parent = "suiPageControl1", .page = 1},
                {.name = "bEdit", .kind = ControlKind::Button, .caption = "&Edit", .at = {356, 82, 80, 25},
                 .parent = "suiPageControl1", .page = 1},
                {.name = "bRemove", .kind = ControlKind::Button, .caption = "&Remove", .at = {356, 114, 80, 25},
                 .parent = "suiPageControl1", .page = 1},
                {.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {298, 338, 78, 26},
                 .flags = ui::kDefaultButton},
                {.name = "bCancel", .kind = ControlKind::Button, .caption = "&Cancel", .at = {384, 338, 78, 26},
                 .flags = ui::kCancelButton},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerOptions{&OptionsForm};
}  // namespace

}  // namespace ks
