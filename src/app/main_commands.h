// The main window's simple commands, as far as they are decisions rather than
// calls into Windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ks {

class FileSystem;

// The "&Windows Backup..." entry is hidden on the Windows 95/98/Me family
// (version codes 1, 3, 8) and on codes 2 and 4.
bool ShowsWindowsBackup(std::uint8_t windowsVersion);

// %SystemRoot% expanded (the text itself when that fails or names no folder),
// then "\system32\ntbackup.exe".
std::string WindowsBackupProgram(FileSystem& files);

// The online help: the Italian document for exactly "Italian", the Portuguese
// file for exactly "PortuguesePT", otherwise the help page. Case matters.
const char* HelpAddress(std::string_view lan);

// "Quarlo Keyscrub 3.3".
std::string MainWindowCaption();

// The width of a task button: its caption's width in the window's font plus 17.
int TaskButtonWidth(int captionWidth);

}  // namespace ks
