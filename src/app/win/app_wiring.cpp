// Binding of the main window's commands to the parts that carry them out.
#include "app/win/app_wiring.h"

#include "app/win/main_window.h"
#include "repair/win/repair_command.h"

namespace ks {

namespace {

void RunRepair(TfrmRegCleaner& window) {
    RunRepairCommand(window.Handle(), window.Problems(), window.Unrepaired, window.CurrentBackupFile,
                     [&window] { window.UpdateProblemCounts(); });
}

}  // namespace

void WireMainWindow(TfrmRegCleaner& window) { window.SetRepairRunner(&RunRepair); }

}  // namespace ks
