// The table of the after-repair hint, TfrmShowHint.
#pragma once

#include "ui/form_spec.h"

namespace ks {

const ui::FormSpec& ShowHintForm();

}  // namespace ks
