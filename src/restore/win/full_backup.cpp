// The full registry backup through the registry editor's export.
#include "restore/win/full_backup.h"

#include <vector>

#include "restore/backup_listing.h"
#include "restore/win/registry_editor.h"
#include "restore/win/registry_editor_path.h"
#include "settings/localisation.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

std::string FullPath(const std::string& path) {
    std::vector<char> full(MAX_PATH * 4, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return path;
    return std::string(full.data(), length);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool HoldsSomething(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0);
}

}  // namespace

FullBackupOutcome miBackupFullRegistryClick(HWND mainWindow) {
    return BackupFullRegistry(mainWindow, RegistryEditorPath());
}

FullBackupOutcome BackupFullRegistry(HWND mainWindow, const std::string& editorPath) {
    ui::Prompts& prompts = ui::CurrentPrompts();
    ui::SaveFileRequest request;
    request.title = LookupText("RES_SaveDialog_BackupFullRegistry", "Save full registry");
    request.filter = "Registry backup files (*.reg)|*.REG";
    const std::optional<std::string> chosen = prompts.SaveFile(mainWindow, request);
    if (!chosen) return FullBackupOutcome::Cancelled;
    const std::string file = FullPath(FullBackupFileName(*chosen));
    if (GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::string question = file + " " + LookupText("RES_File_Exist", "has existed,overite it?");
        if (prompts.ShowMessage(mainWindow, question, MB_YESNO | MB_DEFBUTTON2 | MB_ICONINFORMATION) != IDYES)
            return FullBackupOutcome::Declined;
    }
    const auto failed = [&] {
        prompts.ShowMessage(mainWindow,
                            LookupText("RES_FullBackup_Failed", "The registry editor did not write the backup file."),
                            MB_OK | MB_ICONWARNING);
        return FullBackupOutcome::Failed;
    };
    // A new, unique name beside the chosen one, so that the rename at the end
    // stays on one volume.
    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(FolderOf(file).c_str(), "ksb", 0, temporary)) return failed();
    const bool ended = RunRegistryEditor(mainWindow, editorPath, RegistryEditorArguments("/e", temporary),
                                         LookupText("RES_Backup_Registry", "Backup registry..."));
    if (!ended) {
        DeleteFileA(temporary);
        return FullBackupOutcome::Stopped;
    }
    if (!HoldsSomething(temporary) ||
        !MoveFileExA(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return failed();
    }
    return FullBackupOutcome::Written;
}

}  // namespace ks
