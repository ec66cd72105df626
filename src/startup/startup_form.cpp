// The startup manager: one checked row per startup entry and four buttons.
#include "startup/startup_form.h"

namespace ks {

const ui::FormDef& StartupManagerForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmStartupManager",
        .caption = "Startup Manager",
        .clientWidth = 560,
        .clientHeight = 340,
        .controls =
            {
                {.name = "lvStartup", .kind = ControlKind::ListView, .at = {8, 8, 544, 284},
                 .flags = ui::kCheckBoxes | ui::kRowSelect,
                 .items = {{"Startup Program", 90}, {"File", 160}, {"Location", 200}}},
                {.name = "bSelectAll", .kind = ControlKind::Button, .caption = "Select &All", .at = {8, 304, 96, 26}},
                {.name = "bSelectNone", .kind = ControlKind::Button, .caption = "Select &None",
                 .at = {110, 304, 96, 26}},
                {.name = "bDeleteEntry", .kind = ControlKind::Button, .caption = "&Delete Entry",
                 .at = {212, 304, 110, 26}},
                {.name = "bClose", .kind = ControlKind::Button, .caption = "&Close", .at = {456, 304, 96, 26},
                 .flags = ui::kCancelButton},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerStartupManager{&StartupManagerForm};
}  // namespace

}  // namespace ks
