// The RES_ keys and their English wording. The key names are part of the
// language-file format and are kept exactly, misspellings included
// (RES_Problem_AddRomve, RES_Restory_Registry, "has existed,overite it?").
#include "settings/resource_strings.h"

#include "settings/localisation.h"

namespace ks {

const std::array<ResourceString, kResourceStringCount> kResourceStrings = {{
    {"RES_Backup_Bad_Line", "This line cannot be read back exactly:"},
    {"RES_Backup_Continued", "Its last line goes on in a line that is missing."},
    {"RES_Backup_Cut_Off", "Its last line is cut off."},
    {"RES_Backup_Never_Written", "It ends in bytes that were never written."},
    {"RES_Backup_No_Copy", "Its complete part could not be copied for the registry editor."},
    {"RES_Backup_No_Header", "It does not begin with the line REGEDIT4 or Windows Registry Editor Version 5.00."},
    {"RES_Backup_Not_Complete", "is not a complete backup file. Nothing was restored, and the file is kept."},
    {"RES_Backup_Registry", "Backup registry..."},
    {"RES_Backup_Torn_End",
     "ends inside a block, as a repair leaves it when it is interrupted while writing. Nothing was deleted after "
     "that block was begun, so the complete blocks before it were imported and the incomplete end was left out."},
    {"RES_Backup_Unreadable", "The file cannot be read."},
    {"RES_CheckedProblems", "problems selected for repairing"},
    {"RES_Common_Startup", "Common Startup"},
    {"RES_CreatePoint_Fail", "Restore Point creation Failed! Contiue to repair?"},
    {"RES_Create_Directory", "creates a new directory?"},
    {"RES_Delete_Default_Value", "the default value"},
    {"RES_Delete_File", "the file %1 (a copy is kept beside the backup)"},
    {"RES_Delete_Key", "the key and everything below it: %1 keys, %2 values"},
    {"RES_Delete_Key_More", "the key and everything below it: more than %1 keys and values"},
    {"RES_Delete_Nothing", "nothing: it is no longer there"},
    {"RES_Delete_Value", "the value %1 (%2, %3 bytes)"},
    {"RES_Directory_Not_Exist", "The backup directory does not exist."},
    {"RES_File_Exist", "has existed,overite it?"},
    {"RES_FindProblems", "problems found"},
    {"RES_FullBackup_Failed", "The registry editor did not write the backup file."},
    {"RES_FullBackup_Incomplete",
     "The registry editor did not export the whole registry, so the file was not written; an earlier file of that "
     "name is kept."},
    {"RES_FullBackup_Lacks", "It lacks this key:"},
    {"RES_Problem_ActiveX", "ActiveX Issue"},
    {"RES_Problem_AddRomve", "Add/Remove Programs Issue"},
    {"RES_Problem_Applications", "Open with Application Issue"},
    {"RES_Problem_Applications_Path", "Software Locations Issue"},
    {"RES_Problem_Custom_Controls", "Custom Controls Issue"},
    {"RES_Problem_Empty_Key_HKEY_USERS", "Empty Registry Keys"},
    {"RES_Problem_FileExtension", "Unused File Extension"},
    {"RES_Problem_Files_And_Folders_HKEY_CURRENT_USER", "Invalid File or Folder"},
    {"RES_Problem_Files_And_Folders_HKEY_LOCAL_MACHINE", "Invalid File or Folder"},
    {"RES_Problem_Files_And_Folders_HKEY_USERS", "Invalid File or Folder"},
    {"RES_Problem_Fonts", "Fonts Issue"},
    {"RES_Problem_Help", "Invalid Help Files"},
    {"RES_Problem_Installer", "Installer Reference Issue"},
    {"RES_Problem_MRU", "Missing MRU and History Lists file"},
    {"RES_Problem_Obsolete_Software", "Obsolete Software Key"},
    {"RES_Problem_SharedDll", "Missing Shared Dlls"},
    {"RES_Problem_ShortCuts", "Missing ShortCut reference"},
    {"RES_Problem_Sound", "Missing Sound File"},
    {"RES_Problem_Start_Menu", "Old Start Menu Key"},
    {"RES_Problem_Startup_Run", "Missing Startup Programs"},
    {"RES_Problem_Windows_Service", "Windows Service Issue"},
    {"RES_Program_Failed", "Quarlo Keyscrub cannot go on and ends here. What failed:"},
    {"RES_Reason_AppId", "The application ID %1 is not registered."},
    {"RES_Reason_Empty_Class", "The key holds no subkeys and no value but an empty default."},
    {"RES_Reason_Empty_Command", "The command is empty."},
    {"RES_Reason_Empty_Key", "Neither the key nor any key below it holds a value."},
    {"RES_Reason_Found_Again", "Found again at repair: %1 is there now, so the row was left in place."},
    {"RES_Reason_Missing_File", "The file %1 was not found."},
    {"RES_Reason_Missing_Path", "Neither a file nor a folder %1 was found."},
    {"RES_Reason_Missing_Recent", "No file %1 was found with any of the extensions remembered beside it."},
    {"RES_Reason_Missing_Target", "The shortcut's target %1 was not found."},
    {"RES_Reason_Never_Run", "The program was never run: its run count is zero."},
    {"RES_Reason_No_Folder", "The Start menu has no folder %1."},
    {"RES_Reason_No_TypeLib", "The interface names no type library."},
    {"RES_Reason_No_Uninstall", "The entry holds no uninstall command."},
    {"RES_Reason_No_Uninstall_Entry", "No uninstall entry %1 is left."},
    {"RES_Reason_TypeLib", "The type library %1 is not registered."},
    {"RES_Reason_Zero_Count", "Its use count is zero: no program uses it any more."},
    {"RES_Regedit_Not_Exist", "Please check if Regedit.exe exists."},
    {"RES_Repair_Backup_Failed",
     "problems were repaired. The others were not, because their backup could not be written to this file:"},
    {"RES_Repair_Busy",
     "Another copy of Quarlo Keyscrub is repairing or restoring the registry. Try again when it has finished."},
    {"RES_Repair_Partly_Removed",
     "keys were removed only in part, as a key below each could not be deleted. The backup holds all of each, and "
     "their rows stay in the list, unticked:"},
    {"RES_RepairProblems", "problems to be repaired."},
    {"RES_Restore_Not_Back", "items of the backup did not come back, so the file is kept:"},
    {"RES_Restore_Still_There", "still there, though the file deletes it"},
    {"RES_Restory_Registry", "Restore registry..."},
    {"RES_SaveDialog_BackupFullRegistry", "Save full registry"},
    {"RES_SaveText_Fail", "The report could not be written to this file:"},
    {"RES_Scanning_Add_Remove_Programs", "Scanning Add/Remove Programs..."},
    {"RES_Scanning_Custom_Controls", "Scanning Custom Controls..."},
    {"RES_Scanning_Empty_Key_HKEY_USERS", "Scanning Empty Registry Keys..."},
    {"RES_Scanning_File_Extensions", "Scanning File Extensions..."},
    {"RES_Scanning_Files_And_Folders_HKEY_CURRENT_USER", "Scanning Files and Folders - HKEY_CURRENT_USER..."},
    {"RES_Scanning_Files_And_Folders_HKEY_LOCAL_MACHINE", "Scanning Files and Folders - HKEY_LOCAL_MACHINE..."},
    {"RES_Scanning_Files_And_Folders_HKEY_USERS", "Scanning Files and Folders - HKEY_USERS..."},
    {"RES_Scanning_Installer", "Scanning Installer..."},
    {"RES_Scanning_Invalid_ActiveX", "Scanning Invalid ActiveX..."},
    {"RES_Scanning_Invalid_Help_Files", "Scanning Invalid Help Files..."},
    {"RES_Scanning_MRU_And_History_Lists", "Scanning MRU and History Lists..."},
    {"RES_Scanning_Shared_Dlls", "Scanning Shared DLLs..."},
    {"RES_Scanning_Shortcuts", "Scanning Shortcuts..."},
    {"RES_Scanning_Software_Locations", "Scanning Software Locations..."},
    {"RES_Scanning_Sound_And_Appevents", "Scanning Sound and Appevents..."},
    {"RES_Scanning_Start_Menu", "Scanning Start Menu..."},
    {"RES_Scanning_Startup_Programs", "Scanning Startup Programs..."},
    {"RES_Scanning_Windows_Fonts", "Scanning Windows Fonts..."},
    // The services check shows the obsolete-software text while it runs.
    {"RES_Scanning_Windows_Services", "Obsolete Software Key"},
    {"RES_Select_Directory", "Please select the directory to add"},
    {"RES_Shortcut_Failed", "the copy could not be put back"},
    {"RES_Shortcut_Taken", "another file is already there"},
    {"RES_Startup", "Startup"},
    {"RES_Startup_Not_Removed", "startup entries could not be removed."},
    {"RES_ThereTotal", "There are total"},
    {"RES_Tip_Deletes", "Repair deletes:"},
    {"RES_Tip_File", "File:"},
    {"RES_Tip_Key", "Registry key:"},
    {"RES_Tip_Reason", "Reason:"},
    {"RES_Tip_Value", "Value:"},
}};

const char* EnglishResourceText(std::string_view key) {
    for (const ResourceString& entry : kResourceStrings)
        if (key == entry.key) return entry.english;
    return nullptr;
}

std::string LookupResource(std::string_view key) {
    const char* english = EnglishResourceText(key);
    return LookupText(std::string(key), english ? english : "");
}

}  // namespace ks
