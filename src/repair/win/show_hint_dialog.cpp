// The after-repair hint dialog.
#include "repair/win/show_hint_dialog.h"

#include "repair/repair.h"
#include "repair/show_hint_form.h"
#include "settings/localisation.h"
#include "settings/settings.h"

namespace ks {

TfrmShowHint::TfrmShowHint(std::size_t count) : Dialog(ShowHintForm()), count_(count) {
    OnClick("cbNotShowHint", [this] { Settings.ShowHint = !Checked("cbNotShowHint"); });
    OnClick("bClose", [this] { SetModalResult(ui::kModalOK); });
}

void TfrmShowHint::FormShow() {
    // The language first: its text for Label1 is the design caption, which
    // would otherwise replace the count in every language but English.
    ApplyActiveLanguage();
    SetText("Label1", RepairHintText(count_, &LookupText));
}

}  // namespace ks
