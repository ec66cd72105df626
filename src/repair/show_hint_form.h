// The table of the after-repair hint, TfrmShowHint.
#pragma once

#include "ui/form_table.h"

namespace ks {

const ui::FormDef& ShowHintForm();

}  // namespace ks
