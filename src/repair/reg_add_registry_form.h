// The small entry dialog of the ignore lists, TfrmRegAddRegistry: its table
// and the rule that enables its OK button.
#pragma once

#include <string_view>

#include "ui/form_table.h"

namespace ks {

const ui::FormDef& RegAddRegistryForm();

// OK is offered only while the text, upper-cased, holds "HKEY_" somewhere.
bool AcceptsIgnoreEntry(std::string_view text);

}  // namespace ks
