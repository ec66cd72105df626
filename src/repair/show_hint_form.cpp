// The after-repair hint: how many problems the repair handled, why a next scan
// may still find some, and the switch that stops it from being shown.
#include "repair/show_hint_form.h"

namespace ks {

const ui::FormDef& ShowHintForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmShowHint",
        .caption = "Quarlo Keyscrub",
        .clientWidth = 420,
        .clientHeight = 170,
        .controls =
            {
                {.name = "Label1", .kind = ControlKind::Label, .caption = "Repair OK!", .at = {16, 14, 388, 18}},
                {.name = "Label2", .kind = ControlKind::Label,
                 .caption = "Comments: Some registry keys or values will be created automatically",
                 .at = {16, 44, 388, 16}},
                {.name = "Label3", .kind = ControlKind::Label,
                 .caption = "or be locked by the system or some software. So if you have those keys",
                 .at = {16, 62, 388, 16}},
                {.name = "Label4", .kind = ControlKind::Label,
                 .caption = "or values, you can not get 0 problems in next scan.", .at = {16, 80, 388, 16}},
                {.name = "cbNotShowHint", .kind = ControlKind::CheckBox,
                 .caption = "Don't show this hint dialog next time", .at = {16, 132, 260, 20}},
                {.name = "bClose", .kind = ControlKind::Button, .caption = "&Close", .at = {318, 128, 86, 26},
                 .flags = ui::kDefaultButton | ui::kCancelButton},
            },
    };
    return form;
}

namespace {
const ui::FormRegistration registerShowHint{&ShowHintForm};
}  // namespace

}  // namespace ks
