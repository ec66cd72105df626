// The repair command wired to Windows.
#include "repair/win/repair_command.h"

#include "repair/reference_recheck.h"
#include "repair/win/backup_system.h"
#include "repair/win/repair_lock.h"
#include "repair/win/show_hint_dialog.h"
#include "restore/win/system_point_dialog.h"
#include "scan/scan_task_thread.h"
#include "scan/win/shell_shortcut_links.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/localisation.h"
#include "settings/settings.h"
#include "settings/win/system_info.h"
#include "ui/win/prompts.h"

namespace ks {

Win32RepairUi::Win32RepairUi(HWND owner, std::function<void()> updateProblemCounts)
    : owner_(owner), updateProblemCounts_(std::move(updateProblemCounts)) {}

bool Win32RepairUi::AskYesNo(const std::string& text) {
    return ui::CurrentPrompts().ShowMessage(owner_, text, MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

int Win32RepairUi::RunRestorePointDialog() {
    TfrmSystemPoint dialog;
    return dialog.ShowModal(owner_);
}

void Win32RepairUi::UpdateProblemCounts() {
    if (updateProblemCounts_) updateProblemCounts_();
}

void Win32RepairUi::ShowHint(std::size_t count) {
    TfrmShowHint hint(count);
    hint.ShowModal(owner_);
}

void Win32RepairUi::Beep() { ::Beep(2047, 500); }

RepairOptions RepairOptionsFromSettings(const SettingsRecord& settings) {
    RepairOptions options;
    options.OutputDirectory = settings.OutputDirectory;
    options.RestorePoint = settings.RestorePoint;
    options.ShowHint = settings.ShowHint;
    options.Beep = settings.Beep;
    options.WindowsVersion = GetWindowsVersion();
    options.IncludeRemoveMedia = settings.IncludeRemoveMedia;
    options.IncludeCDdrive = settings.IncludeCDdrive;
    return options;
}

RepairOutcome RepairOnThisMachine(ProblemList& list, UnrepairedFindings& unrepaired, RepairUi& ui,
                                  const RepairOptions& options, std::string& currentBackupFile,
                                  std::function<void(const Finding&, RemoveResult)> rowDone) {
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32FileSystem();
    const auto store = MakeWin32BackupStore();
    const auto fidelity = MakeWin32TextFidelity();
    RepairContext context{*registry, *files, *store, ui, &LocalBackupTime, SystemLeadBytes(), fidelity.get(),
                          &LookupText};
    context.rowDone = std::move(rowDone);
    // Each reference row is tested again just before it goes, as the scan
    // tested it: with fresh answers, the scan's drives, and the shell's link
    // object for shortcut targets (none when it cannot be made here).
    FileReferenceTest test(*files, RecheckOptions(*files, options.IncludeRemoveMedia));
    const auto shortcuts = MakeShellShortcutLinks()->OpenOnThisThread();
    ReferenceRecheck recheck{test, BuildScanDrives(*files, options.IncludeRemoveMedia, options.IncludeCDdrive),
                             shortcuts.get()};
    context.recheck = &recheck;
    return RepairFindings(list, unrepaired, context, options, currentBackupFile);
}

RepairOutcome RunRepairCommand(HWND owner, ProblemList& list, UnrepairedFindings& unrepaired,
                               std::string& currentBackupFile, const std::function<void()>& updateProblemCounts) {
    const RepairLock lock;
    if (!lock.held()) {
        ShowRepairBusy(owner);
        return {};
    }
    Win32RepairUi windows(owner, updateProblemCounts);
    std::vector<Finding> partly;
    const RepairOutcome outcome = RepairOnThisMachine(
        list, unrepaired, windows, RepairOptionsFromSettings(Settings), currentBackupFile,
        [&partly](const Finding& finding, RemoveResult result) {
            if (result == RemoveResult::PartlyRemoved) partly.push_back(finding);
        });
    const std::string message = RepairEndMessage(outcome, currentBackupFile, partly, &LookupText);
    if (!message.empty()) ui::CurrentPrompts().ShowMessage(owner, message, MB_OK | MB_ICONWARNING);
    return outcome;
}

}  // namespace ks
