// The full registry backup through the registry editor's export.
#include "restore/win/full_backup.h"

#include <vector>

#include "repair/win/backup_system.h"
#include "restore/backup_listing.h"
#include "restore/restore_backup.h"
#include "restore/win/registry_editor.h"
#include "restore/win/registry_editor_path.h"
#include "restore/win/restore_files_win.h"
#include "scan/win/win32_registry.h"
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

// Why the export in `path` cannot replace the chosen file; "" when it can:
// it reads through the restore's own reader as a complete file that ends
// cleanly and holds the keys of every root exported.
std::string WhyIncomplete(const std::string& path) {
    const auto files = MakeWin32RestoreFiles();
    const std::optional<std::string> bytes = files->ReadFile(path);
    if (!bytes || bytes->empty())
        return LookupText("RES_FullBackup_Failed", "The registry editor did not write the backup file.");
    const BackupFileCheck file = CheckBackupText(*bytes, SystemLeadBytes());
    const auto registry = MakeWin32Registry();
    const auto wide = MakeWideRegistryProbe();
    const auto ansi = ProbeThrough(*registry);
    const FullBackupCheck check = CheckFullBackup(file, file.form == RegTextForm::Unicode ? *wide : *ansi);
    if (check.Complete()) return {};
    std::string text =
        LookupText("RES_FullBackup_Incomplete",
                   "The registry editor did not export the whole registry, so the file was not written; an earlier "
                   "file of that name is kept.") +
        "\n\n";
    if (!check.missingKey.empty())
        return text + LookupText("RES_FullBackup_Lacks", "It lacks this key:") + ' ' + check.missingKey;
    return text + BackupFaultText(check.fault, check.line, &LookupText);
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
    const auto failed = [&](const std::string& why) {
        prompts.ShowMessage(mainWindow, why, MB_OK | MB_ICONWARNING);
        return FullBackupOutcome::Failed;
    };
    // A new, unique name beside the chosen one, so that the rename at the end
    // stays on one volume.
    char temporary[MAX_PATH] = {};
    if (!GetTempFileNameA(FolderOf(file).c_str(), "ksb", 0, temporary))
        return failed(LookupText("RES_FullBackup_Failed", "The registry editor did not write the backup file."));
    const bool ended = RunRegistryEditor(mainWindow, editorPath, RegistryEditorArguments("/e", temporary),
                                         LookupText("RES_Backup_Registry", "Backup registry..."));
    if (!ended) {
        DeleteFileA(temporary);
        return FullBackupOutcome::Stopped;
    }
    // The earlier file stays until the new one has proved whole.
    std::string why = WhyIncomplete(temporary);
    if (why.empty() && !MoveFileExA(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        why = LookupText("RES_FullBackup_Failed", "The registry editor did not write the backup file.");
    if (!why.empty()) {
        DeleteFileA(temporary);
        return failed(why);
    }
    return FullBackupOutcome::Written;
}

}  // namespace ks
