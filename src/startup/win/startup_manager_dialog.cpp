// The startup manager dialog over the real registry, Startup folders and
// backup folder.
#include "startup/win/startup_manager_dialog.h"

#include <commctrl.h>

#include "repair/win/backup_system.h"
#include "repair/win/repair_command.h"
#include "repair/win/repair_lock.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/localisation.h"
#include "settings/settings.h"
#include "settings/win/system_info.h"
#include "startup/startup_form.h"
#include "startup/win/shell_link_reader.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr char kList[] = "lvStartup";

}  // namespace

// The list view's check boxes with the entries kept beside it: a row's texts
// are only shown, the entry is what the deletion reads.
class TfrmStartupManager::Rows final : public StartupRows {
public:
    Rows(HWND list, std::vector<StartupEntry>& entries) : list_(list), entries_(entries) {}
    std::size_t Count() const override { return entries_.size(); }
    bool IsChecked(std::size_t row) const override { return ui::RowChecked(list_, static_cast<int>(row)); }
    StartupEntry Entry(std::size_t row) const override { return entries_.at(row); }
    void Remove(std::size_t row) override {
        ui::DeleteRow(list_, static_cast<int>(row));
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(row));
    }

private:
    HWND list_;
    std::vector<StartupEntry>& entries_;
};

TfrmStartupManager::TfrmStartupManager() : Dialog(StartupManagerForm()) {
    OnClick("bSelectAll", [this] { bSelectAllClick(); });
    OnClick("bSelectNone", [this] { bSelectNoneClick(); });
    OnClick("bDeleteEntry", [this] { bDeleteEntryClick(); });
    OnClick("bClose", [this] { SetModalResult(ui::kModalCancel); });
}

void TfrmStartupManager::FormShow() {
    const HWND list = Control(kList);
    ui::DeleteAllRows(list);
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32FileSystem();
    const auto shortcuts = MakeShellLinkReader();
    entries_ = ListStartupEntries(*registry, *files, *shortcuts, GetWindowsVersion(), &LookupText);
    for (const StartupEntry& entry : entries_) ui::AddRow(list, {entry.Caption, entry.File, entry.Location});
    if (entries_.empty()) return;
    for (int column = 0; column < ItemCount(kList); ++column)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE);
    ApplyActiveLanguage();
}

void TfrmStartupManager::bSelectAllClick() {
    const HWND list = Control(kList);
    for (int row = 0; row < ui::RowCount(list); ++row) ui::SetRowChecked(list, row, true);
}

void TfrmStartupManager::bSelectNoneClick() {
    const HWND list = Control(kList);
    for (int row = 0; row < ui::RowCount(list); ++row) ui::SetRowChecked(list, row, false);
}

void TfrmStartupManager::bDeleteEntryClick() {
    // Its deletions are a repair too: none while another copy repairs or restores.
    const RepairLock lock;
    if (!lock.held()) {
        ShowRepairBusy(Handle());
        return;
    }
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32FileSystem();
    const auto store = MakeWin32BackupStore();
    const auto fidelity = MakeWin32TextFidelity();
    Win32RepairUi windows(Handle(), {});
    RepairContext context{*registry, *files, *store, windows, &LocalBackupTime, SystemLeadBytes(), fidelity.get(),
                          &LookupText};
    Rows rows(Control(kList), entries_);
    lastDeletion_ = DeleteTickedStartupEntries(rows, context, Settings.OutputDirectory);
    if (lastDeletion_.notRemoved > 0)
        ui::CurrentPrompts().ShowMessage(Handle(), NotRemovedMessage(lastDeletion_.notRemoved, &LookupText),
                                         MB_OK | MB_ICONWARNING);
}

void ShowStartupManager(HWND owner) {
    TfrmStartupManager dialog;
    dialog.ShowModal(owner);
}

}  // namespace ks
