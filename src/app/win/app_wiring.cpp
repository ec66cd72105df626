// Binding of the main window's commands to the parts that carry them out.
#include "app/win/app_wiring.h"

#include <memory>

#include "app/win/main_window.h"
#include "repair/win/reg_add_registry_dialog.h"
#include "repair/win/repair_command.h"
#include "restore/win/full_backup.h"
#include "restore/win/restore_dialog.h"
#include "scan/finding_sink.h"
#include "scan/win/progress_dialog.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/win/options_dialog.h"
#include "startup/win/startup_manager_dialog.h"

namespace ks {

namespace {

// Findings of a scan become rows of the main window's problem list; the list
// and the counts show them a few times a second, not at every delivery.
class ProblemListSink final : public FindingSink {
public:
    explicit ProblemListSink(TfrmRegCleaner& window) : window_(window) {}
    void AddFinding(const Finding& finding) override { window_.Problems().Append(finding); }
    void FindingsDelivered() override { window_.ShowDeliveredRows(); }

private:
    TfrmRegCleaner& window_;
};

int RunScanDialog(TfrmRegCleaner& window, const std::vector<std::string>& taskIds) {
    ProblemListSink sink(window);
    TfrmRegProgressHint::Machine machine{std::shared_ptr<Registry>(MakeWin32Registry()),
                                         std::shared_ptr<FileSystem>(MakeWin32FileSystem())};
    TfrmRegProgressHint dialog(taskIds, sink, std::move(machine), window.Handle(), window.CleanOnceMode);
    return dialog.ShowModal(window.Handle());
}

void RunRepair(TfrmRegCleaner& window) {
    RunRepairCommand(window.Handle(), window.Problems(), window.Unrepaired, window.CurrentBackupFile,
                     [&window] { window.UpdateProblemCounts(); });
}

}  // namespace

void WireMainWindow(TfrmRegCleaner& window) {
    window.SetScanRunner(&RunScanDialog);
    window.SetRepairRunner(&RunRepair);
    window.SetRegistry(std::shared_ptr<Registry>(MakeWin32Registry()));
    window.BindCommand("aRestoreRegistry", [&window] { bRestoreRegistryClick(window.Handle()); });
    window.BindCommand("aBackupFullRegistry", [&window] { miBackupFullRegistryClick(window.Handle()); });
    window.BindCommand("aOptions", [&window] { ShowOptions(window.Handle(), &EditIgnoreEntry); });
    window.BindCommand("aStartupManager", [&window] { ShowStartupManager(window.Handle()); });
}

}  // namespace ks
