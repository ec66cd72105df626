// Small shell and file helpers shared by the settings store, the restore
// dialog, the startup manager and the repair.
#pragma once

#include <string>

namespace ks {

// The current user's application-data folder (CSIDL_APPDATA) with a trailing
// backslash; "" when the shell cannot name it.
std::string GetAppDataFolder();

// The folder of the running executable, with a trailing backslash; "" when
// it cannot be found out.
std::string ProgramFolder();

bool FolderExists(const std::string& path);

// Makes sure `folder` exists, creating it and any missing parents. True when
// it exists afterwards.
bool CreateFolderTree(const std::string& folder);

// Deletes one file through the shell's file operation: no progress window,
// no confirmation, not to the Recycle Bin. True when the shell reports
// success. An empty path, a path with wildcards and a path naming a folder
// are refused: they would delete more than one file.
bool DeleteFileSilently(const std::string& path);

}  // namespace ks
