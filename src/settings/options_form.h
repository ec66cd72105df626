// The table of the options dialog, TfrmOptions.
#pragma once

#include "ui/form_table.h"

namespace ks {

const ui::FormDef& OptionsForm();

}  // namespace ks
