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
inline constexpr TextKey kScanningObsoleteSoftware{"RES_Scanning_Software_Locations", "Scanning Software Locations..."};
inline constexpr TextKey kProblemObsoleteSoftware{"RES_Problem_Obsolete_Software", "Obsolete Software Key"};
inline constexpr TextKey kScanningStartMenu{"RES_Scanning_Start_Menu", "Scanning Start Menu..."};
inline constexpr TextKey kProblemStartMenu{"RES_Problem_Start_Menu", "Old Start Menu Key"};
inline constexpr TextKey kScanningShortcuts{"RES_Scanning_Shortcuts", "Scanning Shortcuts..."};
inline constexpr TextKey kProblemShortcuts{"RES_Problem_ShortCuts", "Missing ShortCut reference"};
inline constexpr TextKey kScanningSounds{"RES_Scanning_Sound_And_Appevents", "Scanning Sound and Appevents..."};
inline constexpr TextKey kProblemSound{"RES_Problem_Sound", "Missing Sound File"};
inline constexpr TextKey kScanningRecentLists{"RES_Scanning_MRU_And_History_Lists", "Scanning MRU and History Lists..."};
inline constexpr TextKey kProblemRecentLists{"RES_Problem_MRU", "Missing MRU and History Lists file"};
inline constexpr TextKey kScanningEmptyKeys{"RES_Scanning_Empty_Key_HKEY_USERS", "Scanning Empty Registry Keys..."};
inline constexpr TextKey kProblemEmptyKeys{"RES_Problem_Empty_Key_HKEY_USERS", "Empty Registry Keys"};
}  // namespace scan_text

// The text of a key in the active language.
std::string ScanText(const TextKey& text);

}  // namespace ks
