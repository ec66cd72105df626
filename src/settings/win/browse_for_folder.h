// The shell's folder picker, centred on the screen, with the rest of the
// program held still while it is open.
#pragma once

#include <windows.h>

#include <string>

namespace ks {

// Shows the folder picker with `title` above the tree; only file-system
// folders can be chosen. A non-empty `root` (a folder path) roots the tree
// there; a root the shell cannot parse shows the whole namespace. While the
// picker is open every other window of this thread is disabled and the error
// mode is SEM_FAILCRITICALERRORS; both are put back afterwards.
//
// `path` is cleared first unless it names an existing folder. Returns true
// with the chosen folder in `path` (no trailing backslash added) when the
// user confirms; false, leaving `path` as it then is, on cancel or when the
// choice has no file-system path.
bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& path, HWND owner);

// The same, owned by this thread's active window.
bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& path);

}  // namespace ks
