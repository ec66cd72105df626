// Repair figures: backing up, proving and deleting 10,000 findings, in memory
// and (on Windows) in a scratch key of the real registry, and the size of the
// backup file against the registry editor's own export of the same keys.
#include <memory>
#include <string>
#include <vector>

#include "bench.h"
#include "logic/backup_memory_file.h"
#include "repair/reference_recheck.h"
#include "repair/repair.h"
#include "support/memory_registry.h"
#include "support/quiet_repair_ui.h"

#if defined(KS_WIN_BENCH)
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include "repair/win/backup_system.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "win_repair.h"
#endif

namespace ks::bench {
namespace {

constexpr int kFindings = 10000;

// Findings spread as a scan finds them: a hundred parents of a hundred keys.
std::string ItemPath(const std::string& base, int n) {
    return base + "\\Group" + std::to_string(n / 100) + "\\Item" + std::to_string(n);
}

// What a typical stale entry holds: a few strings, a number and some bytes.
void PlantFinding(Registry& registry, const std::string& path, int n) {
    auto key = registry.CreateKey(RootKey::CurrentUser, path);
    if (!key) return;
    const std::string text = "C:\\Program Files\\Vendor " + std::to_string(n % 97) + "\\App\\tool.exe";
    (void)key->SetValue({"", RegType::String, text + '\0'});
    (void)key->SetValue({"InstallPath", RegType::ExpandString, "%ProgramFiles%\\Vendor\\App" + std::string(1, '\0')});
    std::string number(4, '\0');
    number[0] = static_cast<char>(n & 0xFF);
    number[1] = static_cast<char>((n >> 8) & 0xFF);
    (void)key->SetValue({"Version", RegType::Dword, number});
    std::string bytes(40, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((n + i * 7) & 0xFF);
    (void)key->SetValue({"State", RegType::Binary, bytes});
    if (n % 4 == 0) {
        auto sub = registry.CreateKey(RootKey::CurrentUser, path + "\\Settings");
        if (sub) (void)sub->SetValue({"Window", RegType::String, std::string("0,0,640,480") + '\0'});
    }
}

// Half the findings are whole keys, half single values of a key that stays;
// each a stale reference as the scan reports it, so that a repair that tests
// references again tests every row.
void FillList(ProblemListModel& list, const std::string& base) {
    const FindingReason reason{ReasonKind::MissingFile, "", {ReferenceTest::Source::ValueData}};
    for (int n = 0; n < kFindings; ++n) {
        const std::string key = "HKEY_CURRENT_USER\\" + ItemPath(base, n);
        if (n % 2 == 0) list.Append({"p", key, "", RemovalKind::DeleteKey, reason});
        else list.Append({"p", key + "\\InstallPath", "", RemovalKind::DeleteValueInPath, reason});
        list.SetChecked(list.Count() - 1, true);
    }
}

struct MemoryRepair {
    RepairOutcome outcome;
    double seconds = 0;
    std::size_t backupBytes = 0;
};

MemoryRepair RepairInMemoryOnce(bool recheck) {
    test::MemoryRegistry registry;
    test::MemoryFileSystem files;
    test::MemoryBackupStore store;
    files.SetWow64(false);
    // The planted references name folders below this one that are not there.
    files.SetVariable("ProgramFiles", "C:\\Program Files");
    files.AddFolder("C:\\Program Files");
    files.AddFolder("C:\\Backup");
    (void)store.CreateFolderTree("C:\\Backup");
    const std::string base = "Software\\Bench";
    for (int n = 0; n < kFindings; ++n) PlantFinding(registry, ItemPath(base, n), n);
    ProblemListModel list;
    FillList(list, base);
    test::QuietRepairUi ui;
    RepairContext context{registry, files, store, ui, [] { return BackupTime{2024, 1, 2, 3, 4, 5}; }};
    FileReferenceTest test(files, {});
    ReferenceRecheck second{test, "c"};
    if (recheck) context.recheck = &second;
    RepairOptions options;
    options.OutputDirectory = "C:\\Backup";
    UnrepairedFindings unrepaired;
    std::string file;
    MemoryRepair run;
    const double start = Now();
    run.outcome = RepairFindings(list, unrepaired, context, options, file);
    run.seconds = Now() - start;
    run.backupBytes = store.Content(file).size();
    return run;
}

void RepairInMemory() {
    const MemoryRepair plain = RepairInMemoryOnce(false);
    const MemoryRepair checked = RepairInMemoryOnce(true);
    Figure("repair_memory_findings_removed", static_cast<std::uint64_t>(plain.outcome.removed));
    Figure("repair_memory_items_per_second", plain.outcome.count / plain.seconds);
    Figure("repair_memory_backup_bytes", static_cast<std::uint64_t>(plain.backupBytes));
    Figure("repair_memory_recheck_findings_removed", static_cast<std::uint64_t>(checked.outcome.removed));
    Figure("repair_memory_recheck_items_per_second", checked.outcome.count / checked.seconds);
    Figure("repair_memory_recheck_speed_ratio", plain.seconds / checked.seconds);
}

const BenchRegistration repairMemory{"repair_memory", &RepairInMemory};

#if defined(KS_WIN_BENCH)

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double RunRegistryEditor(const std::string& arguments) {
    std::string command = "regedit " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 600000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Now() - start;
}

void RepairWin32Registry() {
    const std::string base = "Software\\KeyscrubTest\\bench-repair-" + std::to_string(GetCurrentProcessId());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "keyscrub-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string exported = folder + "\\export.reg";

    auto registry = MakeWin32Registry();
    for (int n = 0; n < kFindings; ++n) PlantFinding(*registry, ItemPath(base, n), n);

    // The editor's own export of the same keys, for size.
    const double exportSeconds = RunRegistryEditor("/e \"" + exported + "\" \"HKEY_CURRENT_USER\\" + base + "\"");

    ProblemListModel list;
    FillList(list, base);
    const TimedRepair run = RepairWithoutWindow(list, folder);
    const auto& outcome = run.outcome;
    const double seconds = run.seconds;
    const std::string& file = run.backupFile;

    // The same repair once more, each row tested again before it goes.
    for (int n = 0; n < kFindings; ++n) PlantFinding(*registry, ItemPath(base, n), n);
    ProblemListModel again;
    FillList(again, base);
    const TimedRepair checked = RepairWithoutWindow(again, folder, true);

    Figure("repair_wine_findings_removed", static_cast<std::uint64_t>(outcome.removed));
    Figure("repair_wine_items_per_second", outcome.count / seconds);
    Figure("repair_wine_recheck_findings_removed", static_cast<std::uint64_t>(checked.outcome.removed));
    Figure("repair_wine_recheck_items_per_second", checked.outcome.count / checked.seconds);
    Figure("repair_wine_recheck_speed_ratio", seconds / checked.seconds);
    Figure("repair_wine_backup_bytes", FileSize(file));
    Figure("regedit_export_bytes", FileSize(exported));
    Figure("regedit_export_seconds", exportSeconds);
    if (FileSize(exported) != 0)
        Figure("backup_to_export_size_ratio", double(FileSize(file)) / double(FileSize(exported)));
    Figure("regedit_import_backup_seconds", RunRegistryEditor("/s \"" + file + "\""));

    RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
    DeleteFileA(file.c_str());
    DeleteFileA(checked.backupFile.c_str());
    DeleteFileA(exported.c_str());
    RemoveDirectoryA(folder.c_str());
}

const BenchRegistration repairWine{"repair_wine_registry", &RepairWin32Registry};

#endif

}  // namespace
}  // namespace ks::bench
