// The worker's life: creation, the task loop, and what every check calls.
#include "scan/scan_task_thread.h"

#include "base/detached_thread.h"
#include "base/text.h"
#include "scan/task_ids.h"

namespace ks {

std::string BuildScanDrives(FileSystem& files, bool includeRemoveMedia, bool includeCdDrive) {
    std::string drives = includeRemoveMedia ? "ab" : "";
    for (char letter = 'c'; letter <= 'z'; ++letter) {
        const std::uint32_t type = files.DriveType(letter);
        if (type == DriveTypeCode::CdRom) {
            if (!includeCdDrive) continue;
            drives.push_back(letter);
        }
        // With removable media every letter counts, present or not, so a
        // CD-ROM letter may appear twice.
        if (includeRemoveMedia || type == DriveTypeCode::Fixed) drives.push_back(letter);
    }
    return drives;
}

TScanTaskThread::TScanTaskThread(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                                 const SettingsRecord& settings, std::vector<std::string> taskIds,
                                 std::shared_ptr<ScanHandOver> handOver)
    : registry_(std::move(registry)),
      files_(std::move(files)),
      handOver_(std::move(handOver)),
      taskIds_(std::move(taskIds)),
      includeRemoveMedia_(settings.IncludeRemoveMedia) {
    ScanDrives = BuildScanDrives(*files_, settings.IncludeRemoveMedia, settings.IncludeCDdrive);
    IsWow64 = files_->IsWow64();
    const auto version = files_->WindowsVersionCode();
    IsWindows61 = version == 12;
    IsWindows6x = version == 11;
}

void TScanTaskThread::Start(std::unique_ptr<TScanTaskThread> worker) {
    StartDetachedThread([owned = std::move(worker)] { owned->Execute(); });
}

void TScanTaskThread::Execute() {
    try {
        // A file test on a removable or CD drive must not stop the scan with a
        // box asking for a disk: such a question fails for the whole scan.
        const auto silenced = files_->SilenceCriticalErrors();
        for (const auto& text : taskIds_) {
            if (handOver_->StopRequested()) return;
            const int id = ParseTaskId(text);
            if (!handOver_->RunTaskStep(ScanHandOver::TaskStep::Begin)) return;
            RunCheck(id);
            if (!handOver_->RunTaskStep(ScanHandOver::TaskStep::End)) return;
        }
        handOver_->ReportFinished();
    } catch (const ScanStopped&) {
        // Stopped at a key: the dialog is already gone.
    } catch (...) {
        // An unexpected failure ends the loop; the findings delivered so far stay.
        try {
            handOver_->ReportFailed();
        } catch (...) {
        }
    }
}

void TScanTaskThread::RunCheck(int taskId) {
    currentTaskId_ = taskId;
    switch (taskId) {
    case 3: ScanFilesAndFoldersLocalMachine(); break;
    case 4: ScanFilesAndFoldersCurrentUser(); break;
    case 5: ScanFilesAndFoldersUsers(); break;
    case 6: ScanSoftwareLocations(); break;
    case 7: ScanWindowsFonts(); break;
    case 8: ScanHelpFiles(); break;
    case 9: ScanSharedDlls(); break;
    case 10: ScanStartupPrograms(); break;
    case 11: ScanAddRemovePrograms(); break;
    case 12: ScanFileExtensions(); break;
    case 13: ScanCustomControls(); break;
    case 14: ScanObsoleteSoftware(); break;
    case 15: ScanWindowsServices(); break;
    case 16: ScanStartMenu(); break;
    case 17: ScanShortcuts(); break;
    case 18: ScanSoundEvents(); break;
    case 19: ScanActiveX(); break;
    case 20: ScanRecentLists(); break;
    case 21: ScanInstaller(); break;
    case 22: ScanApplications(); break;
    case 23: ScanEmptyKeys(); break;
    default: break;
    }
}

void TScanTaskThread::ShowTaskCaption(std::string text) { handOver_->ShowTaskCaption(std::move(text)); }

void TScanTaskThread::ShowCurrentKey(std::string_view keyPath) {
    if (!handOver_->ShowCurrentKey(keyPath)) throw ScanStopped();
}

void TScanTaskThread::AddFinding(std::string problem, std::string keyPath, std::string value, RemovalKind kind,
                                 FindingReason reason) {
    handOver_->AddFinding(Finding{std::move(problem), std::move(keyPath), std::move(value), kind, std::move(reason)});
}

FindingReason TScanTaskThread::MissingReason(std::string_view path, ReferenceTest test) {
    const ReasonKind kind = test.AllowFolder && test.NameHint == ReferenceTest::Hint::None
                                ? ReasonKind::MissingFileOrFolder
                                : ReasonKind::MissingFile;
    return FindingReason{kind, std::string(path), test};
}

ReferenceTest::Hint TScanTaskThread::HintOf(std::string_view nameHint) {
    if (nameHint.empty()) return ReferenceTest::Hint::None;
    if (EqualsNoCase(nameHint, ".exe")) return ReferenceTest::Hint::Exe;
    if (EqualsNoCase(nameHint, ".dll")) return ReferenceTest::Hint::Dll;
    // Any other hint is a key's own name.
    return ReferenceTest::Hint::KeyName;
}

FileReferenceTest& TScanTaskThread::PathTest() {
    if (!pathTest_) {
        FileReferenceOptions options;
        options.isWow64 = IsWow64;
        options.includeRemoveMedia = includeRemoveMedia_;
        options.driveAReady = DriveAReady;
        options.driveBReady = DriveBReady;
        pathTest_.emplace(*files_, options);
    }
    return *pathTest_;
}

bool TScanTaskThread::IsMissingFileReference(std::string_view path, std::string_view nameHint,
                                             std::string_view scanDrives, bool allowFolder) {
    return PathTest().IsMissingFileReference(path, nameHint, scanDrives, allowFolder, &testedPath_);
}

std::string TScanTaskThread::ExpandFolderVariable(std::string_view var) {
    return PathTest().ExpandFolderVariable(var);
}

}  // namespace ks
