// The repair command as the main window runs it, from the "Repair registry
// issues" button, its menu entry and the unattended clean: the real registry,
// files and backup folder, the restore-point dialog, the hint and the beep.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "repair/problem_list.h"
#include "repair/repair.h"
#include "settings/settings.h"

namespace ks {

// Runs the whole command over the main window `owner`'s problem list; while
// another copy repairs or restores it says so and does nothing.
// `currentBackupFile` is the main window's CurrentBackupFile;
// `updateProblemCounts` recounts its status bar. A backup that could not be
// written, and keys removed only in part, are told in a message box; the
// outcome says how far it got.
RepairOutcome RunRepairCommand(HWND owner, ProblemList& list, UnrepairedFindings& unrepaired,
                               std::string& currentBackupFile, const std::function<void()>& updateProblemCounts);

// The options a repair takes from the settings record, with this system's
// version code.
RepairOptions RepairOptionsFromSettings(const SettingsRecord& settings);

// The repair over this machine's registry, files and backup folder, with the
// backup's exact-text check and this code page's lead bytes, talking to `ui`.
// `rowDone` hears of every row visited. The caller holds the repair lock.
RepairOutcome RepairOnThisMachine(ProblemList& list, UnrepairedFindings& unrepaired, RepairUi& ui,
                                  const RepairOptions& options, std::string& currentBackupFile,
                                  std::function<void(const Finding&, RemoveResult)> rowDone = {});

// The windows of a repair over `owner`: message boxes through the prompts in
// force, TfrmSystemPoint, TfrmShowHint, the beep.
class Win32RepairUi : public RepairUi {
public:
    Win32RepairUi(HWND owner, std::function<void()> updateProblemCounts);
    bool AskYesNo(const std::string& text) override;
    int RunRestorePointDialog() override;
    void UpdateProblemCounts() override;
    void ShowHint(std::size_t count) override;
    void Beep() override;

private:
    HWND owner_;
    std::function<void()> updateProblemCounts_;
};

}  // namespace ks
