// The main window's "&Backup Full Registry...": the registry editor exports
// the whole registry to a file the user names. The export goes to a
// temporary file in the same folder and takes the chosen name only when the
// editor ended by itself and the file proves whole, so a stopped export or
// one cut short (a full disk) never replaces an earlier backup.
#pragma once

#include <windows.h>

#include <string>

namespace ks {

enum class FullBackupOutcome {
    Cancelled,  // no file chosen
    Declined,   // the file exists and the user kept it
    Stopped,    // the editor could not be started or was stopped; nothing left behind
    Failed,     // the editor ended without writing a whole file; the user is told, the old file kept
    Written,
};

FullBackupOutcome miBackupFullRegistryClick(HWND mainWindow);
// The same with another program in the editor's place (tests).
FullBackupOutcome BackupFullRegistry(HWND mainWindow, const std::string& editorPath);

}  // namespace ks
