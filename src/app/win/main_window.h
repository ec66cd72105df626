// TfrmRegCleaner, the main window: scan-section tree, problem list, task
// buttons, menus, the Language menu and the unattended clean.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/scan_tree.h"
#include "app/win/problem_list_view.h"
#include "repair/problem_list.h"
#include "scan/registry.h"
#include "ui/win/window.h"

namespace ks {

class Profile;

// What the window is started with. Empty texts mean the defaults: the
// options.ini of the user's settings folder and the process's own command line.
struct MainWindowOptions {
    std::string settingsFile;
    std::optional<std::string> commandLine;
};

class TfrmRegCleaner : public ui::Window {
public:
    explicit TfrmRegCleaner(MainWindowOptions options = {});
    ~TfrmRegCleaner() override;

    // The unattended clean runs: the progress dialog hides itself.
    bool CleanOnceMode = false;
    // Task ids of the latest scan (decimal image indexes of the checked nodes).
    std::optional<std::vector<std::string>> TaskIdList;
    // Findings that a repair of this run could not remove.
    UnrepairedFindings Unrepaired;
    // The backup file of the latest repair.
    std::string CurrentBackupFile;

    ProblemList& Problems() { return problems_; }
    // Rows a scan delivered are shown and counted a few times a second.
    void ShowDeliveredRows() { problems_.ShowSoon(); }
    ScanTree& Tree() { return tree_; }

    // The commands, as the buttons, menus and the clean-once mode run them.
    // The scan answers false when it failed: its rows, if any, are left
    // unticked and must not be repaired.
    bool bScanRegistryClick();
    void bRepairRegistryClick();
    void FilterFindings();
    void UpdateProblemCounts();
    void WalkTree(std::size_t start, int mode);
    // The problem list's edit commands: ignore lists, text report, registry editor.
    void aIgnoreListAddExecute();
    void aSaveTextExecute();
    bool aSaveTextUpdate() const;
    void aOpenRegeditExecute();
    bool aOpenRegeditUpdate() const;
    // A press in the tree at a client position: true when it hit a node's
    // box, which then toggles and carries its state on.
    bool tvRegistryMouseDown(POINT at);

    // Language menu.
    void miEnglishClick(std::size_t entry);
    void aLanguageUpdate();

    // Runs the scan of the given task ids under the progress dialog, modally;
    // findings arrive in Problems(). Answers the dialog's modal result.
    using ScanRunner = std::function<int(TfrmRegCleaner& window, const std::vector<std::string>& taskIds)>;
    void SetScanRunner(ScanRunner runner) { scanRunner_ = std::move(runner); }
    // The repair of the checked rows.
    using RepairRunner = std::function<void(TfrmRegCleaner& window)>;
    void SetRepairRunner(RepairRunner runner) { repairRunner_ = std::move(runner); }
    // The registry the filter asks under which names a key is reached (the
    // current user's hive, where a key of HKEY_CLASSES_ROOT lives). Without
    // one only the classes hives' names are known.
    void SetRegistry(std::shared_ptr<Registry> registry) { registry_ = std::move(registry); }

    // Commands that other parts of the program bring: the entries and buttons
    // bound to the action stay disabled until a command is bound.
    void BindCommand(std::string_view action, std::function<void()> execute);
    bool HasCommand(std::string_view action) const;

    // Lays the controls out for the current client area.
    void LayOut();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormActivate() override;
    void FormResize() override;
    void FormClose() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Placement;

    void WireHandlers();
    void SetUpTree();
    void SyncTreeView();
    void ResizeTaskButtons();
    void TickLanguage(std::size_t entry);
    void ComeForward();
    void RunCleanOnce();
    void LoadSaveSettings(bool load);
    void MendSavedPosition();
    void ShowAbout();
    void OpenWindowsBackup();
    void SelectRows(bool checked);
    bool SelectRowsOfType(bool checked);

    MainWindowOptions options_;
    ScanTree tree_;
    ListViewProblemList problems_;
    ScanRunner scanRunner_;
    RepairRunner repairRunner_;
    std::shared_ptr<Registry> registry_;
    std::vector<std::string> boundCommands_;
    HIMAGELIST stateImages_ = nullptr;
    HFONT titleFont_ = nullptr;
    bool cleanOncePosted_ = false;
    bool bulkChange_ = false;
};

// TfrmAbout: icon, product name, version line, home-page link, OK.
class TfrmAbout : public ui::Dialog {
public:
    TfrmAbout();

protected:
    void FormShow() override;
};

}  // namespace ks
