// The problem list at scale, with the real main window under Wine: a scan that
// finds 20,000 and 50,000 stale references, from the scan command to the list
// complete, against the engine alone on the same registry; the repair of
// 20,000 ticked rows from the window against the repair alone; the program's
// heap at its peak with 50,000 rows.
#if defined(KS_WIN_BENCH)
#include <windows.h>
#include <commctrl.h>
#undef DeleteFile

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/scan_tree.h"
#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "bench.h"
#include "logic/backup_memory_file.h"
#include "repair/filter.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/settings.h"
#include "settings/win/localisation_win.h"
#include "settings/win/system_info.h"
#include "support/scan_harness.h"
#include "ui/win/window.h"
#include "win_repair.h"
#include "win/control_probes.h"
#include "win/test_files.h"

namespace ks::bench {
namespace {

std::string Scratch() { return "Software\\KeyscrubTest\\bench-gui-" + std::to_string(GetCurrentProcessId()); }

std::string TempFolder(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + std::to_string(GetCurrentProcessId());
}

// Stale references, a hundred values a key, each naming a file that is not there.
void PlantStale(int count) {
    const std::string missing = "C:\\ks-bench-missing-" + std::to_string(GetCurrentProcessId()) + "\\tool";
    for (int group = 0; group * 100 < count; ++group) {
        HKEY key = nullptr;
        const std::string path = Scratch() + "\\G" + std::to_string(group);
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
            continue;
        for (int n = group * 100; n < count && n < (group + 1) * 100; ++n) {
            const std::string data = missing + std::to_string(n) + ".exe";
            RegSetValueExA(key, ("V" + std::to_string(n)).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
        }
        RegCloseKey(key);
    }
}

struct EngineRun {
    double seconds = 0;
    std::size_t findings = 0;  // before the filter
    std::size_t peakHeap = 0;
};

// The worker on its own thread, its findings taken by a view that only keeps
// them, then the post-scan filter over a list without a window: the scan as
// the program runs it, less the window.
EngineRun ScanWithEngine() {
    std::shared_ptr<Registry> registry = MakeWin32Registry();
    std::shared_ptr<FileSystem> files = MakeWin32FileSystem();
    test::WaitableWakeUp wakeUp;
    auto handOver = std::make_shared<ScanHandOver>(&wakeUp);
    test::RecordingView view;
    const std::size_t before = HeapInUse();
    ResetHeapPeak();
    const double start = Now();
    TScanTaskThread::Start(std::make_unique<TScanTaskThread>(registry, files, Settings, std::vector<std::string>{"4"},
                                                             handOver));
    test::PumpUntil(*handOver, view, wakeUp, [&] { return view.finished || view.failed; }, std::chrono::minutes(30));
    ProblemListModel list;
    const std::size_t found = view.findings.size();
    for (Finding& finding : view.findings) list.Append(std::move(finding));
    RemoveFilteredFindings(list, FilterInputs{Settings.IgnoreValues, Settings.IgnoreKeys, UnrepairedFindings{},
                                              GetWindowsVersion()});
    EngineRun run;
    run.seconds = Now() - start;
    run.peakHeap = HeapPeak() - before;
    run.findings = found;
    return run;
}

// Ticks the deep section of the current user alone, the way the mouse does.
void TickCurrentUserOnly(TfrmRegCleaner& window) {
    HWND tree = window.Control("tvRegistry");
    for (int image : {1, 4}) {
        POINT at{};
        const HTREEITEM item = window.TreeNodes("tvRegistry").at(ScanTree::NodeOfImage(image));
        if (test::TreeItemPartPoint(tree, item, TVHT_ONITEMSTATEICON, at)) test::PressAt(tree, at);
    }
}

struct WindowRun {
    double seconds = 0;
    std::size_t rows = 0;
    std::size_t peakHeap = 0;
};

WindowRun ScanWithWindow(TfrmRegCleaner& window) {
    const std::size_t before = HeapInUse();
    ResetHeapPeak();
    const double start = Now();
    window.Execute("aScanRegistry");
    UpdateWindow(window.Control("lvRegistryData"));
    WindowRun run;
    run.seconds = Now() - start;
    run.peakHeap = HeapPeak() - before;
    run.rows = window.Problems().Count();
    return run;
}

void CompareScans(TfrmRegCleaner& window, int planted) {
    const std::string tag = "gui_" + std::to_string(planted / 1000) + "k_";
    PlantStale(planted);
    // Twice each, taking turns; the faster run of each counts, since other
    // work on the machine only ever adds time. The heap is the first run's:
    // the second window run refills storage the first one left.
    EngineRun engine = ScanWithEngine();
    WindowRun shown = ScanWithWindow(window);
    const EngineRun engine2 = ScanWithEngine();
    const WindowRun shown2 = ScanWithWindow(window);
    engine.seconds = std::min(engine.seconds, engine2.seconds);
    shown.seconds = std::min(shown.seconds, shown2.seconds);
    Figure(tag + "engine_findings", static_cast<std::uint64_t>(engine.findings));
    Figure(tag + "window_rows", static_cast<std::uint64_t>(shown.rows));
    Figure(tag + "engine_scan_seconds", engine.seconds);
    Figure(tag + "window_scan_seconds", shown.seconds);
    Figure(tag + "scan_ratio_to_engine", shown.seconds / engine.seconds);
    Figure(tag + "engine_peak_heap_bytes", static_cast<std::uint64_t>(engine.peakHeap));
    Figure(tag + "window_peak_heap_bytes", static_cast<std::uint64_t>(shown.peakHeap));
    if (engine.peakHeap) Figure(tag + "heap_ratio_to_engine", double(shown.peakHeap) / double(engine.peakHeap));
}

// The rows the window holds, ticked, repaired with the window's command; then
// the same findings planted again and repaired without a window.
void CompareRepairs(TfrmRegCleaner& window, int planted, const std::string& backups) {
    Settings.OutputDirectory = backups;
    std::vector<Finding> findings;
    for (std::size_t i = 0; i < window.Problems().Count(); ++i) findings.push_back(window.Problems().Row(i));
    window.Execute("aSelectAll");
    const double start = Now();
    window.Execute("aRepairRegistry");
    UpdateWindow(window.Control("lvRegistryData"));
    const double shown = Now() - start;
    Figure("gui_repair_window_rows_left", static_cast<std::uint64_t>(window.Problems().Count()));

    RegDeleteTreeA(HKEY_CURRENT_USER, Scratch().c_str());
    PlantStale(planted);
    ProblemListModel list;
    for (auto& finding : findings) {
        list.Append(finding);
        list.SetChecked(list.Count() - 1, true);
    }
    const TimedRepair alone = RepairWithoutWindow(list, backups);
    const auto& outcome = alone.outcome;
    const double engine = alone.seconds;
    Figure("gui_repair_rows", static_cast<std::uint64_t>(findings.size()));
    Figure("gui_repair_engine_removed", static_cast<std::uint64_t>(outcome.removed));
    Figure("gui_repair_window_seconds", shown);
    Figure("gui_repair_engine_seconds", engine);
    Figure("gui_repair_ratio_to_engine", shown / engine);
}

void ProblemListAtScale() {
    InstallCodePage(SystemCodePage());
    LendWidgetServices();
    ui::InitializeUi();
    const std::string backups = TempFolder("ks-bench-gui-backups-");
    CreateDirectoryA(backups.c_str(), nullptr);
    const std::string settingsFile = TempFolder("ks-bench-gui-") + ".ini";
    {
        TfrmRegCleaner window(MainWindowOptions{settingsFile, "keyscrub.exe"});
        WireMainWindow(window);
        window.Show();
        TickCurrentUserOnly(window);
        Settings.RestorePoint = false;
        Settings.ShowHint = false;
        Settings.Beep = false;

        CompareScans(window, 20000);
        CompareRepairs(window, 20000, backups);
        RegDeleteTreeA(HKEY_CURRENT_USER, Scratch().c_str());
        CompareScans(window, 50000);
        window.Close();
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, Scratch().c_str());
    test::RemoveFolderTree(backups);
    DeleteFileA(settingsFile.c_str());
}

const BenchRegistration problemListAtScale{"problem_list_gui", &ProblemListAtScale};

}  // namespace
}  // namespace ks::bench
#endif
