// File-type filters of the save-file dialog, as the tables write them.
#pragma once

#include <string>
#include <string_view>

namespace ks::ui {

// "Registry backup files (*.reg)|*.REG" as the list the common dialogs take:
// every '|' becomes a NUL and the list ends with two NULs. An odd number of
// parts (a description without a pattern) gets the pattern "*.*".
std::string CommonDialogFilter(std::string_view filter);

}  // namespace ks::ui
