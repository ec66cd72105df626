// The progress dialog's table and the pseudo-progress steps.
#include "scan/progress_form.h"

namespace ks {

const ui::FormDef& RegProgressHintForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmRegProgressHint",
        .caption = "Scanning",
        .clientWidth = 395,
        .clientHeight = 166,
        .style = ui::kDialogFrame,
        .windowClass = {},
        .controls = {
            {.name = "lScanTask", .kind = ControlKind::Label, .caption = "Scanning ", .at = {12, 12, 371, 17}},
            {.name = "ProgressBar1", .kind = ControlKind::ProgressBar, .at = {12, 36, 371, 20},
             .range = kProgressFull},
            {.name = "Memo1", .kind = ControlKind::Memo, .caption = "Registry Key", .at = {12, 64, 371, 56},
             .flags = ui::kReadOnly},
            {.name = "bStop", .kind = ControlKind::Button, .caption = "Stop", .at = {160, 130, 75, 25},
             .flags = ui::kCancelButton},
            {.name = "Timer1", .kind = ControlKind::Timer, .interval = static_cast<int>(kPseudoProgressIntervalMs)},
            {.name = "tDelivery", .kind = ControlKind::Timer, .interval = static_cast<int>(kDeliveryIntervalMs)},
        },
        .menus = {},
        .actions = {},
    };
    return form;
}

const ui::FormRegistration registerRegProgressHint{&RegProgressHintForm};

int NextPseudoProgress(int position) {
    if (position <= 200) return position + 10;
    if (position <= 400) return position + 5;
    if (position <= 700) return position + 3;
    if (position <= 800) return position + 2;
    if (position <= 998) return position + 1;
    return position;
}

}  // namespace ks
