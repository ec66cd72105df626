// Where the registry editor is started from. The program runs elevated, so the
// editor is always named by its full path: a bare "regedit" could be answered
// by a planted copy in the program's or the current folder.
#pragma once

#include <string>

namespace ks {

// The editor that sees the registry as this program does. A 32-bit program
// under WOW64 gets the one in the 32-bit system folder (SysWOW64): the backups
// it writes name keys of the 32-bit view, and the 64-bit editor would import
// HKLM\Software into the other view. Otherwise the one in the Windows folder.
// "" when neither folder can be told.
std::string RegistryEditorPath();

}  // namespace ks
