// What both programs do first and last: the DLL search kept to the system
// folder, and a failure that nothing else caught told before the process
// ends with a failure code, never by the runtime's abort.
#pragma once

#include <string>

namespace ks {

// The programs run elevated, often from a Downloads folder full of files that
// came with other downloads: a DLL placed beside them must never be loaded in
// place of the system's. LoadLibrary is kept to the system folder where the
// system has SetDefaultDllDirectories (looked up at run time: Windows 7 and
// Vista have it only with the 2011 update, XP not at all); elsewhere the
// current folder at least leaves the search. What the executables import is
// either a known DLL, which the loader takes from the system folder anyway,
// or the common controls, bound to the side-by-side store by the manifest of
// each. Returns whether the search is kept to the system folder.
bool LoadLibrariesFromSystemFolderOnly();

// The text of the exception being handled, for a report; something general
// when it is no standard exception or there is none.
std::string CurrentFailureText();

// The window program's last word: a message box (where one can be shown) that
// says what failed; returns the exit code the program then ends with.
inline constexpr int kExitFatal = 1;
int ReportFatalFailure(const std::string& what);

// Calls `report` with the failure's text and ends the process with `exitCode`
// should an exception ever reach std::terminate (one thrown from a destructor,
// or one that escapes a thread), instead of the runtime's abort.
void EndOnTerminate(void (*report)(const std::string& what), int exitCode);

}  // namespace ks
