// The table of the startup manager, TfrmStartupManager.
#pragma once

#include "ui/form_table.h"

namespace ks {

const ui::FormDef& StartupManagerForm();

}  // namespace ks
