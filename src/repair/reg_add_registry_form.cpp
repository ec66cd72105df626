// The entry dialog for an ignore-list key or value.
#include "repair/reg_add_registry_form.h"

#include "base/text.h"

namespace ks {

const ui::FormDef& RegAddRegistryForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmRegAddRegistry",
        .caption = "Add to Ignore List",
        .clientWidth = 390,
        .clientHeight = 165,
        .controls =
            {
                {.name = "Label1", .kind = ControlKind::Label, .caption = "Registry Key", .at = {12, 20, 180, 16}},
                {.name = "bLaunchRegedit", .kind = ControlKind::Button, .caption = "&Launch Registry Editor",
                 .at = {208, 12, 170, 26}},
                {.name = "eRegistryKey", .kind = ControlKind::Edit, .at = {12, 48, 366, 22}},
                {.name = "Label2", .kind = ControlKind::Label,
                 .caption = "Enter the value or key like: HKEY_CURRENT_USER\\Software\\Microsoft",
                 .at = {12, 80, 366, 32}},
                {.name = "bOK", .kind = ControlKind::Button, .caption = "&OK", .at = {212, 126, 80, 26},
                 .flags = ui::kDefaultButton, .action = "aOK"},
                {.name = "bCancel", .kind = ControlKind::Button, .caption = "&Cancel", .at = {298, 126, 80, 26},
                 .flags = ui::kCancelButton},
            },
        .actions = {{.name = "aOK", .caption = "&OK"}},
    };
    return form;
}

bool AcceptsIgnoreEntry(std::string_view text) { return UpperAnsi(text).find("HKEY_") != std::string::npos; }

namespace {
const ui::FormRegistration registerRegAddRegistry{&RegAddRegistryForm};
}  // namespace

}  // namespace ks
