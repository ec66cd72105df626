// Tables of the restore dialog and the registry editor's progress window.
#include "restore/restore_form.h"

namespace ks {

const ui::FormDef& RestoreForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmRestore",
        .caption = "Quarlo Keyscrub",
        .clientWidth = 440,
        .clientHeight = 330,
        .controls =
            {
                {.name = "GroupBox1", .kind = ControlKind::GroupBox, .caption = "Backup files are stored in the folder",
                 .at = {8, 8, 424, 52}},
                {.name = "eFolder", .kind = ControlKind::Edit, .at = {10, 20, 370, 21}, .parent = "GroupBox1",
                 .flags = ui::kReadOnly},
                {.name = "bBrowseFolder", .kind = ControlKind::Button, .caption = "...", .at = {386, 19, 28, 23},
                 .parent = "GroupBox1"},
                {.name = "ListView1", .kind = ControlKind::ListView, .at = {8, 68, 424, 216},
                 .flags = ui::kRowSelect,
                 .items = {{.text = "Backup file", .width = 190},
                           {.text = "Date", .width = 110},
                           {.text = "Size", .width = 92}}},
                {.name = "bRestore", .kind = ControlKind::Button, .caption = "&Restore", .at = {8, 294, 80, 25},
                 .flags = ui::kDefaultButton, .action = "aRestore"},
                {.name = "bOpenDirectory", .kind = ControlKind::Button, .caption = "&Open Directory",
                 .at = {116, 294, 96, 25}},
                {.name = "bDelete", .kind = ControlKind::Button, .caption = "&Delete", .at = {240, 294, 80, 25},
                 .action = "aDelete"},
                {.name = "bClose", .kind = ControlKind::Button, .caption = "&Close", .at = {352, 294, 80, 25},
                 .flags = ui::kCancelButton},
            },
        .actions =
            {
                {.name = "aRestore", .caption = "&Restore"},
                {.name = "aDelete", .caption = "&Delete"},
            },
    };
    return form;
}

const ui::FormDef& BackupHintForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmBackupHint",
        .caption = "Quarlo Keyscrub",
        .clientWidth = 360,
        .clientHeight = 110,
        .controls =
            {
                {.name = "lHint", .kind = ControlKind::Label, .caption = "Backup registry...", .at = {12, 12, 336, 17}},
                {.name = "ProgressBar1", .kind = ControlKind::ProgressBar, .at = {12, 36, 336, 20},
                 .range = kBackupHintBarFull},
                {.name = "bStop", .kind = ControlKind::Button, .caption = "Stop", .at = {142, 72, 75, 25},
                 .flags = ui::kCancelButton},
                {.name = "Timer1", .kind = ControlKind::Timer, .interval = kBackupHintIntervalMs},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerRestore{&RestoreForm};
const ui::FormRegistration registerBackupHint{&BackupHintForm};
}  // namespace

}  // namespace ks
