// The texts the scan engine shows or puts into findings, by language key with
// the English wording. Every run-time text of the engine is looked up here.
#pragma once

#include <string>

namespace ks {

struct TextKey {
    const char* key;
    const char* english;
};

namespace scan_text {
inline constexpr TextKey kScanningLocalMachine{"RES_Scanning_Files_And_Folders_HKEY_LOCAL_MACHINE",
                                               "Scanning Files and Folders - HKEY_LOCAL_MACHINE..."};
inline constexpr TextKey kScanningCurrentUser{"RES_Scanning_Files_And_Folders_HKEY_CURRENT_USER",
                                              "Scanning Files and Folders - HKEY_CURRENT_USER..."};
inline constexpr TextKey kScanningUsers{"RES_Scanning_Files_And_Folders_HKEY_USERS",
                                        "Scanning Files and Folders - HKEY_USERS..."};
inline constexpr TextKey kProblemLocalMachine{"RES_Problem_Files_And_Folders_HKEY_LOCAL_MACHINE",
                                              "Invalid File or Folder"};
inline constexpr TextKey kProblemCurrentUser{"RES_Problem_Files_And_Folders_HKEY_CURRENT_USER",
                                             "Invalid File or Folder"};
inline constexpr TextKey kProblemUsers{"RES_Problem_Files_And_Folders_HKEY_USERS", "Invalid File or Folder"};
inline constexpr TextKey kScanningFileExtensions{"RES_Scanning_File_Extensions", "Scanning File Extensions..."};
inline constexpr TextKey kProblemFileExtension{"RES_Problem_FileExtension", "Unused File Extension"};
inline constexpr TextKey kScanningCustomControls{"RES_Scanning_Custom_Controls", "Scanning Custom Controls..."};
inline constexpr TextKey kProblemCustomControls{"RES_Problem_Custom_Controls", "Custom Controls Issue"};
inline constexpr TextKey kScanningActiveX{"RES_Scanning_Invalid_ActiveX", "Scanning Invalid ActiveX..."};
inline constexpr TextKey kProblemActiveX{"RES_Problem_ActiveX", "ActiveX Issue"};
}  // namespace scan_text

// The text of a key in the active language.
std::string ScanText(const TextKey& text);

}  // namespace ks
