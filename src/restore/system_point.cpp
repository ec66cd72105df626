// The restore-point request record, the bar's pace and the dialog's table.
#include "restore/system_point.h"

#include <cstring>

namespace ks {

RestorePointRequest MakeRestorePointRequest() {
    RestorePointRequest request{};
    request.eventType = kBeginSystemChange;
    request.restorePointType = kApplicationInstall;
    request.sequenceNumber = 0;
    std::memset(request.description, 0, sizeof request.description);
    static_assert(sizeof kRestorePointDescription <= kRestorePointDescriptionBytes);
    std::memcpy(request.description, kRestorePointDescription, sizeof kRestorePointDescription - 1);
    return request;
}

int SystemPointBarStep(int position) {
    if (position <= 30) return 10;
    if (position <= 50) return 5;
    if (position <= 60) return 3;
    if (position <= 80) return 2;
    if (position <= 99) return 1;
    return 0;
}

const ui::FormDef& SystemPointForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmSystemPoint",
        .caption = "Create System Point",
        .clientWidth = 400,
        .clientHeight = 150,
        .style = ui::kNoCaptionButtons,
        .controls =
            {
                {.name = "lScanTask", .kind = ControlKind::Label, .caption = "Creating Restore Point",
                 .at = {16, 12, 368, 16}},
                {.name = "Label1", .kind = ControlKind::Label,
                 .caption = "Quarlo Keyscrub is creating a restore point which will", .at = {16, 40, 368, 16}},
                {.name = "Label3", .kind = ControlKind::Label,
                 .caption = "enable you to safely return your system back to its former state.",
                 .at = {16, 58, 368, 16}},
                {.name = "Label2", .kind = ControlKind::Label, .caption = "Please wait...", .at = {16, 84, 368, 16}},
                {.name = "ProgressBar1", .kind = ControlKind::ProgressBar, .at = {16, 110, 368, 18}, .range = 100},
                {.name = "Timer1", .kind = ControlKind::Timer, .interval = 1000},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerSystemPoint{&SystemPointForm};
}  // namespace

}  // namespace ks
