// The restore dialog: a thin window over the listing and restore logic.
#include "restore/win/restore_dialog.h"

#include <shellapi.h>

#include "base/text.h"
#include "repair/win/backup_system.h"
#include "repair/win/repair_lock.h"
#include "restore/backup_listing.h"
#include "restore/restore_backup.h"
#include "restore/restore_form.h"
#include "restore/win/registry_editor.h"
#include "restore/win/restore_files_win.h"
#include "scan/win/win32_registry.h"
#include "settings/localisation.h"
#include "settings/settings.h"
#include "settings/win/shell_helpers.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr char kList[] = "ListView1";

}  // namespace

TfrmRestore::TfrmRestore() : Dialog(RestoreForm()) {
    OnClick("bBrowseFolder", [this] { bBrowseFolderClick(); });
    OnClick("bOpenDirectory", [this] { bOpenDirectoryClick(); });
    OnClick("bClose", [this] { SetModalResult(ui::kModalCancel); });
    OnAction("aRestore", [this] { aRestoreExecute(); }, [this] { return aRestoreUpdate(); });
    OnAction("aDelete", [this] { aDeleteExecute(); }, [this] { return aRestoreUpdate(); });
    OnDoubleClick(kList, [this] { ListView1DblClick(); });
}

void TfrmRestore::FormCreate() { SetCaption(ui::kProgramTitle); }

void TfrmRestore::FormShow() {
    SetText("eFolder", Settings.OutputDirectory);
    ListBackupFiles(Text("eFolder"));
    ApplyActiveLanguage();
    LayOutButtons();
    UpdateActions();
}

void TfrmRestore::LayOutButtons() {
    const RECT restore = Bounds("bRestore");
    const RECT open = Bounds("bOpenDirectory");
    const RECT remove = Bounds("bDelete");
    RestoreButtonsIn in;
    in.restoreLeft = restore.left;
    in.restoreWidth = restore.right - restore.left;
    in.openWidth = open.right - open.left;
    in.openCaptionWidth = TextWidth(Text("bOpenDirectory"));
    in.deleteWidth = remove.right - remove.left;
    in.closeLeft = Bounds("bClose").left;
    const RestoreButtonsOut out = LayOutRestoreButtons(in);
    SetBounds("bOpenDirectory", out.openLeft, open.top, out.openWidth, open.bottom - open.top);
    SetBounds("bDelete", out.deleteLeft, remove.top, in.deleteWidth, remove.bottom - remove.top);
}

void TfrmRestore::ListBackupFiles(const std::string& folder) {
    HWND list = Control(kList);
    ui::DeleteAllRows(list);
    if (!FolderExists(folder)) {
        ui::CurrentPrompts().ShowMessage(
            Handle(), LookupText("RES_Directory_Not_Exist", "The backup directory does not exist."),
            MB_OK | MB_ICONINFORMATION);
        UpdateActions();
        return;
    }
    const auto entries = ListFolderFiles(folder);
    if (entries)
        for (const BackupRow& row : MakeBackupRows(*entries, &ShortDateText, &LongTimeText))
            ui::AddRow(list, {row.name, row.date, row.size});
    UpdateActions();
}

void TfrmRestore::bBrowseFolderClick() {
    const std::optional<std::string> folder = ui::CurrentPrompts().PickFolder(
        Handle(), LookupText("RES_Select_Directory", "Please select the directory to add"), std::wstring());
    if (!folder) return;
    SetText("eFolder", *folder);
    ListBackupFiles(*folder);
}

void TfrmRestore::bOpenDirectoryClick() {
    ShellExecuteA(Handle(), "Open", Text("eFolder").c_str(), nullptr, nullptr, SW_SHOW);
}

bool TfrmRestore::aRestoreUpdate() const { return ui::SelectedRow(Control(kList)) >= 0; }

std::string TfrmRestore::FileOfRow(int row) const {
    return WithTrailingBackslash(Text("eFolder")) + ui::RowText(Control(kList), row);
}

void TfrmRestore::aRestoreExecute() {
    const int row = ui::SelectedRow(Control(kList));
    if (row < 0) return;
    const RepairLock lock;
    if (!lock.held()) {
        ShowRepairBusy(Handle());
        return;
    }
    const std::string file = FileOfRow(row);
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32RestoreFiles();
    const auto wide = MakeWideRegistryProbe();
    RestoreContext context{*registry, *files, SystemLeadBytes(),
                           [this](std::string_view path) {
                               return RunRegistryEditor(
                                   Handle(), RegistryEditorArguments("/s", std::string(path)),
                                   LookupText("RES_Restory_Registry", "Restore registry..."));
                           },
                           wide.get()};
    const RestoreResult result = RestoreBackupFile(context, file);
    const std::string message = RestoreMessage(result, ui::RowText(Control(kList), row), &LookupText);
    if (!message.empty()) ui::CurrentPrompts().ShowMessage(Handle(), message, MB_OK | MB_ICONWARNING);
    if (result.kind == RestoreResult::Kind::Restored && Settings.DeleteBackupFile) DeleteRowAndFile(row);
}

void TfrmRestore::aDeleteExecute() {
    const int row = ui::SelectedRow(Control(kList));
    if (row >= 0) DeleteRowAndFile(row);
}

void TfrmRestore::DeleteRowAndFile(int row) {
    const auto files = MakeWin32RestoreFiles();
    // A file that cannot be deleted loses its row all the same; it is listed
    // again next time.
    DeleteBackupWithCopies(*files, FileOfRow(row), &DeleteFileSilently);
    HWND list = Control(kList);
    ui::DeleteRow(list, row);
    const int rows = ui::RowCount(list);
    if (rows > 0) ui::SelectRow(list, row < rows ? row : rows - 1);
    UpdateActions();
}

void bRestoreRegistryClick(HWND mainWindow) {
    TfrmRestore dialog;
    dialog.ShowModal(mainWindow);
}

}  // namespace ks
