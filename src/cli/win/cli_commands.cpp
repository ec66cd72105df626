// keyscrub-cli's commands: scan, repair, backups, restore.
#include "cli/win/cli_commands.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/product.h"
#include "app/scan_tree.h"
#include "base/text.h"
#include "cli/cli_output.h"
#include "cli/cli_results.h"
#include "cli/win/headless_scan.h"
#include "repair/filter.h"
#include "repair/problem_list.h"
#include "repair/win/backup_system.h"
#include "repair/win/repair_command.h"
#include "repair/win/removal_preview_win.h"
#include "repair/win/repair_lock.h"
#include "restore/backup_listing.h"
#include "restore/restore_backup.h"
#include "restore/win/registry_editor.h"
#include "restore/win/restore_files_win.h"
#include "scan/task_ids.h"
#include "scan/win/handles.h"
#include "scan/win/win32_registry.h"
#include "settings/localisation.h"
#include "settings/settings.h"
#include "settings/win/localisation_win.h"
#include "settings/win/profile_file.h"
#include "settings/win/settings_file.h"
#include "settings/win/shell_helpers.h"
#include "settings/win/system_info.h"

namespace ks::cli {

namespace {

// An import of a whole backup should take seconds; a registry editor still
// running after this long is stopped and the restore counts as failed.
constexpr DWORD kEditorTimeoutMs = 10 * 60 * 1000;

// "\n" as the program's line end.
std::string WithLineEnds(std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, kLineEnd);
    return text;
}

void Write(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}
void Line(const std::string& text) { Write(stdout, text + kLineEnd); }
void Message(const std::string& text) { Write(stderr, "keyscrub-cli: " + text + kLineEnd); }

// The settings a run without a window reads: options.ini for this user, or
// the defaults. Nothing is written back.
class NoWindow final : public MainWindowPlacement {
public:
    int Width() const override { return 0; }
    int Height() const override { return 0; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    WindowBounds Bounds() const override { return {}; }
    WindowBounds RestoredBounds() const override { return {}; }
    std::optional<int> GetPlacementShowCommand() const override { return std::nullopt; }
    int ScreenWidth() const override { return 0; }
    int ScreenHeight() const override { return 0; }
    void CopyTreeCheckStates(std::array<bool, 25>&) override {}
};

void LoadCliSettings(bool useFile) {
    NoWindow window;
    if (useFile) {
        const ProfileFile profile(SettingsFilePath());
        LoadSettings(Settings, profile, window, ProgramFolder());
    } else {
        const MemoryProfile defaults;
        LoadSettings(Settings, defaults, window, ProgramFolder());
    }
    InstallLanguageFiles();
}

// The sections named, or those ticked in the settings, in tree order.
std::vector<int> SectionsToRun(const CliCommand& command) {
    if (command.sections) return *command.sections;
    ScanTree tree;
    tree.WalkTree(0, WalkMode::Load, nullptr, &Settings.NodeChecked);
    std::vector<std::string> collected;
    tree.WalkTree(0, WalkMode::Collect, &collected, nullptr);
    std::vector<int> sections;
    for (const std::string& id : collected) {
        const int number = std::stoi(id);
        if (number >= kFirstTaskId && number <= kLastTaskId) sections.push_back(number);
    }
    return sections;
}

// A scan as the main window runs it: findings in the list, the post-scan
// filter, then every row that stayed ticked.
struct FilteredScan {
    HeadlessScan scan;
    ProblemListModel list;
    std::vector<SectionFinding> kept;
    bool filtered = false;  // false: the filter failed, nothing may be listed or repaired
};

void ScanAndFilter(const std::vector<int>& sections, FilteredScan& out) {
    out.scan = RunHeadlessScan(sections, Settings);
    for (const SectionFinding& row : out.scan.findings) out.list.Append(row.finding);
    out.filtered = FilterThenTick(out.list, [&out] {
        const auto registry = MakeWin32Registry();
        KeyAliases aliases(*registry);
        const UnrepairedFindings none;
        RemoveFilteredFindings(out.list, FilterInputs{Settings.IgnoreValues, Settings.IgnoreKeys, none,
                                                      GetWindowsVersion(), &aliases});
    });
    if (!out.filtered) return;
    std::vector<Finding> kept;
    for (std::size_t i = 0; i < out.list.Count(); ++i) kept.push_back(out.list.Row(i));
    out.kept = WithSections(out.scan.findings, kept);
}

std::string AnsiToUtf8(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int length = static_cast<int>(ansi.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, text.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

bool WriteOutput(const std::string& file, const std::string& text) {
    if (file.empty()) {
        Write(stdout, text);
        return std::fflush(stdout) == 0;
    }
    const UniqueFileHandle handle(
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    DWORD written = 0;
    return WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// What --details adds to each kept finding, read from the registry and the disk now.
std::vector<FindingDetails> DetailsOfAll(const std::vector<SectionFinding>& findings) {
    std::vector<FindingDetails> details;
    details.reserve(findings.size());
    for (const SectionFinding& row : findings)
        details.push_back(DetailsOf(row.finding, PreviewOnThisMachine(row.finding), &LookupText));
    return details;
}

// The findings could not be held against the exclusions and ignore lists:
// none of them is shown or touched.
int FilterFailed(const std::string& consequence) {
    Message("the findings could not be filtered; " + consequence);
    return kExitFailure;
}

void ReportScanEnd(const HeadlessScan& scan) {
    if (scan.stopped) Message("scan stopped");
    else if (!scan.finished) Message("the scan ended in an unexpected failure; findings so far are shown");
}

int Scan(const CliCommand& command) {
    LoadCliSettings(!command.noSettings);
    const std::vector<int> sections = SectionsToRun(command);
    FilteredScan result;
    ScanAndFilter(sections, result);
    ReportScanEnd(result.scan);
    if (!result.filtered) return FilterFailed("nothing is listed");
    const bool completed = result.scan.finished;
    std::vector<FindingDetails> details;
    if (command.details) details = DetailsOfAll(result.kept);
    const std::vector<FindingDetails>* detailed = command.details ? &details : nullptr;
    std::string text;
    switch (command.format) {
    case OutputFormat::Text:
        for (std::size_t i = 0; i < result.kept.size(); ++i)
            text += TextLine(result.kept[i].finding) + (detailed ? DetailsSuffix(details[i]) : "") + kLineEnd;
        break;
    case OutputFormat::Csv: text = FindingsCsv(result.kept, detailed); break;
    case OutputFormat::Json:
        text = FindingsJson(ScanSummary{product::kVersion, sections, completed, result.scan.findings.size()},
                            result.kept, &AnsiToUtf8, detailed);
        break;
    }
    if (!WriteOutput(command.outputFile, text)) {
        Message("cannot write " + (command.outputFile.empty() ? std::string("the output") : command.outputFile));
        return kExitFailure;
    }
    return ScanExitCode(completed, result.kept.size());
}

// Ctrl+C in the middle of a repair or a restore would end the process
// between two items; the break waits until the command is done.
BOOL WINAPI HoldBreak(DWORD type) { return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT; }

class BreakHeld {
public:
    BreakHeld() { SetConsoleCtrlHandler(&HoldBreak, TRUE); }
    ~BreakHeld() { SetConsoleCtrlHandler(&HoldBreak, FALSE); }
    BreakHeld(const BreakHeld&) = delete;
    BreakHeld& operator=(const BreakHeld&) = delete;
};

int BusyRefusal() {
    Message("another copy of " + std::string(product::kName) +
            " is repairing or restoring the registry; try again when it has finished");
    return kExitFailure;
}

int Repair(const CliCommand& command) {
    LoadCliSettings(!command.noSettings);
    if (!command.backupDir.empty()) Settings.OutputDirectory = command.backupDir;
    // Taken before the scan: what it finds stays true until the repair.
    std::optional<RepairLock> lock;
    if (!command.dryRun) {
        lock.emplace();
        if (!lock->held()) return BusyRefusal();
    }

    FilteredScan result;
    ScanAndFilter(SectionsToRun(command), result);
    ReportScanEnd(result.scan);
    if (!result.filtered) return FilterFailed("nothing was repaired");
    RepairRun run;
    run.scanCompleted = result.scan.finished;
    run.findings = result.list.Count();
    run.dryRun = command.dryRun;
    if (!run.scanCompleted) return RepairExitCode(run);
    if (command.dryRun) {
        std::vector<FindingDetails> details;
        if (command.details) details = DetailsOfAll(result.kept);
        for (std::size_t i = 0; i < result.kept.size(); ++i)
            Line("would remove: " + TextLine(result.kept[i].finding) +
                 (command.details ? DetailsSuffix(details[i]) : ""));
        Line(std::to_string(run.findings) + " would be removed");
        return RepairExitCode(run);
    }
    if (run.findings == 0) {
        Line("nothing to repair");
        return RepairExitCode(run);
    }

    RepairOptions options = RepairOptionsFromSettings(Settings);
    options.RestorePoint = false;
    options.ShowHint = false;
    options.Beep = false;
    // The backup folder, named by the user or by options.ini, is created
    // without asking; nothing is shown or sounded.
    UnattendedRepairUi ui;
    const BreakHeld holdBreak;
    UnrepairedFindings unrepaired;
    std::string backupFile;
    run.outcome = RepairOnThisMachine(result.list, unrepaired, ui, options, backupFile,
                                      [&](const Finding& finding, RemoveResult removed) {
                                          std::string line = RepairedLine(finding, removed);
                                          // What was removed can no longer be read: only why it went.
                                          const std::string reason = ReasonText(finding.Reason, &LookupText);
                                          if (command.details && !reason.empty()) line += "  [" + reason + "]";
                                          Line(line);
                                      });
    if (!run.outcome.started) {
        Message("the backup folder " + options.OutputDirectory + " cannot be created; nothing was repaired");
        return RepairExitCode(run);
    }
    if (!run.outcome.finished) {
        // What the repair did not reach is still in the list, ticked.
        for (std::size_t i = 0; i < result.list.Count(); ++i)
            if (result.list.IsChecked(i)) Line(NotVisitedLine(result.list.Row(i)));
        Message("the backup file " + backupFile + " could not be written; the repair stopped");
    }
    if (GetFileAttributesA(backupFile.c_str()) != INVALID_FILE_ATTRIBUTES) Line("backup file: " + backupFile);
    Line(std::to_string(run.outcome.removed) + " removed, " + std::to_string(run.findings - run.outcome.removed) +
         " left");
    return RepairExitCode(run);
}

int Backups(const CliCommand& command) {
    LoadCliSettings(true);
    const std::string folder = command.listDir.empty() ? Settings.OutputDirectory : command.listDir;
    const auto entries = FolderExists(folder) ? ListFolderFiles(folder) : std::nullopt;
    if (!entries) {
        Message("the backup folder " + folder + " does not exist or cannot be listed");
        return kExitFailure;
    }
    const auto files = MakeWin32RestoreFiles();
    const LeadBytes leadBytes = SystemLeadBytes();
    Line("name\ttime\tsize\titems");
    for (const BackupRow& row : MakeBackupRows(*entries, &ShortDateText, &LongTimeText)) {
        std::optional<std::size_t> items;
        if (const auto text = files->ReadFile(WithTrailingBackslash(folder) + row.name)) {
            // A torn end holds nothing that was deleted: the complete part counts.
            const BackupFileCheck check = CheckBackupText(*text, leadBytes);
            if (check.fault == BackupFault::None) items = BackupItemCount(check.blocks, check.form, leadBytes);
        }
        Line(BackupListLine(row, items));
    }
    return kExitClean;
}

// A bare file name that is not in the current folder is looked for in the
// backup folder.
std::string BackupFilePath(const std::string& given) {
    std::string path = given;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && given.find_first_of("\\/:") == std::string::npos)
        path = WithTrailingBackslash(Settings.OutputDirectory) + given;
    char full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

int Restore(const CliCommand& command) {
    LoadCliSettings(true);
    const RepairLock lock;
    if (!lock.held()) return BusyRefusal();
    const std::string file = BackupFilePath(command.restoreFile);
    const auto registry = MakeWin32Registry();
    const auto files = MakeWin32RestoreFiles();
    const auto wide = MakeWideRegistryProbe();
    bool editorStarted = true;
    RestoreContext context{*registry, *files, SystemLeadBytes(),
                           [&](std::string_view path) {
                               const auto run = RunRegistryEditorWithoutWindow(
                                   RegistryEditorArguments("/s", std::string(path)), kEditorTimeoutMs);
                               editorStarted = run != RegistryEditorRun::NotStarted;
                               return run == RegistryEditorRun::Ended;
                           },
                           wide.get()};
    const BreakHeld holdBreak;
    const RestoreResult result = RestoreBackupFile(context, file);
    const std::string message = RestoreMessage(result, file, &LookupText);
    if (!message.empty()) Write(stderr, WithLineEnds(message) + kLineEnd);
    switch (result.kind) {
    case RestoreResult::Kind::NotRun:
        Message(editorStarted ? "the registry editor did not finish; the file is kept"
                              : LookupText("RES_Regedit_Not_Exist", "Please check if Regedit.exe exists."));
        break;
    case RestoreResult::Kind::Restored:
        Line("restored: " + file + " (" + std::to_string(result.check.items) + " items)");
        if (Settings.DeleteBackupFile) {
            if (DeleteBackupWithCopies(*files, file, &DeleteFileSilently)) Line("deleted: " + file);
        }
        break;
    case RestoreResult::Kind::Refused:
    case RestoreResult::Kind::Incomplete: break;
    }
    return RestoreExitCode(result);
}

}  // namespace

int RunCliCommand(const CliCommand& command) {
    switch (command.kind) {
    case CommandKind::Help: Write(stdout, WithLineEnds(UsageText())); return kExitClean;
    case CommandKind::Version:
        Line("keyscrub-cli " KS_VERSION_TEXT " (build " KS_BUILD_TEXT ")");
        return kExitClean;
    case CommandKind::Scan: return Scan(command);
    case CommandKind::Repair: return Repair(command);
    case CommandKind::Backups: return Backups(command);
    case CommandKind::Restore: return Restore(command);
    }
    return kExitUsage;
}

}  // namespace ks::cli
