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

inline constexpr TextKey kScanningSoftwareLocations{"RES_Scanning_Software_Locations",
                                                    "Scanning Software Locations..."};
inline constexpr TextKey kProblemSoftwareLocations{"RES_Problem_Applications_Path", "Software Locations Issue"};
inline constexpr TextKey kScanningFonts{"RES_Scanning_Windows_Fonts", "Scanning Windows Fonts..."};
inline constexpr TextKey kProblemFonts{"RES_Problem_Fonts", "Fonts Issue"};
inline constexpr TextKey kScanningHelpFiles{"RES_Scanning_Invalid_Help_Files", "Scanning Invalid Help Files..."};
inline constexpr TextKey kProblemHelpFiles{"RES_Problem_Help", "Invalid Help Files"};
inline constexpr TextKey kScanningSharedDlls{"RES_Scanning_Shared_Dlls", "Scanning Shared DLLs..."};
inline constexpr TextKey kProblemSharedDlls{"RES_Problem_SharedDll", "Missing Shared Dlls"};
inline constexpr TextKey kScanningStartup{"RES_Scanning_Startup_Programs", "Scanning Startup Programs..."};
inline constexpr TextKey kProblemStartup{"RES_Problem_Startup_Run", "Missing Startup Programs"};
inline constexpr TextKey kScanningAddRemove{"RES_Scanning_Add_Remove_Programs", "Scanning Add/Remove Programs..."};
inline constexpr TextKey kProblemAddRemove{"RES_Problem_AddRomve", "Add/Remove Programs Issue"};
// The services check shows the obsolete-software wording while it runs.
inline constexpr TextKey kScanningServices{"RES_Scanning_Windows_Services", "Obsolete Software Key"};
inline constexpr TextKey kProblemServices{"RES_Problem_Windows_Service", "Windows Service Issue"};
inline constexpr TextKey kScanningInstaller{"RES_Scanning_Installer", "Scanning Installer..."};
inline constexpr TextKey kProblemInstaller{"RES_Problem_Installer", "Installer Reference Issue"};
inline constexpr TextKey kProblemApplications{"RES_Problem_Applications", "Open with Application Issue"};
inline constexpr TextKey kScanningFileExtensions{"RES_Scanning_File_Extensions", "Scanning File Extensions..."};
inline constexpr TextKey kProblemFileExtension{"RES_Problem_FileExtension", "Unused File Extension"};
inline constexpr TextKey kScanningCustomControls{"RES_Scanning_Custom_Controls", "Scanning Custom Controls..."};
inline constexpr TextKey kProblemCustomControls{"RES_Problem_Custom_Controls", "Custom Controls Issue"};
inline constexpr TextKey kScanningActiveX{"RES_Scanning_Invalid_ActiveX", "Scanning Invalid ActiveX..."};
inline constexpr TextKey kProblemActiveX{"RES_Problem_ActiveX", "ActiveX Issue"};
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
