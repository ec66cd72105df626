// Reasons and removal previews read from this machine: the problem list's
// tips and the command line's details.
#pragma once

#include <string>

#include "repair/finding_details.h"

namespace ks {

// What repair would delete for the finding, read from the registry and the disk now.
RemovalPreview PreviewOnThisMachine(const Finding& finding);

// The problem list's tip for a row, in the active language.
std::string RowTipOnThisMachine(const Finding& finding);

}  // namespace ks
