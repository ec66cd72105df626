// The scan worker: runs the ticked sections one after another on its own
// thread and hands everything it finds to the user-interface thread.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "scan/file_reference.h"
#include "scan/file_system.h"
#include "scan/finding.h"
#include "scan/registry.h"
#include "scan/scan_hand_over.h"
#include "scan/shortcut_links.h"
#include "settings/settings.h"

namespace ks {

// Thrown from ShowCurrentKey once a stop was requested: ends the running check
// and with it the task loop.
class ScanStopped : public std::exception {
public:
    const char* what() const noexcept override { return "scan stopped"; }
};

// The drive letters whose file references are tested at all, lower case.
std::string BuildScanDrives(FileSystem& files, bool includeRemoveMedia, bool includeCdDrive);

class TScanTaskThread {
public:
    // Sets the worker up (ScanDrives, the version and WOW64 flags) without
    // running anything. The registry and file system are shared because a
    // stopped worker may outlive the window that started it.
    TScanTaskThread(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                    const SettingsRecord& settings, std::vector<std::string> taskIds,
                    std::shared_ptr<ScanHandOver> handOver);

    // Runs Execute on a thread of its own; the worker frees itself when it ends.
    static void Start(std::unique_ptr<TScanTaskThread> worker);

    // The task loop.
    void Execute();

    // Runs the check for a task id (nothing for an id without one), with that
    // id as the running task.
    void RunCheck(int taskId);
    int CurrentTaskId() const { return currentTaskId_; }

    // What the checks call.
    void ShowTaskCaption(std::string text);
    void ShowCurrentKey(std::string_view keyPath);  // throws ScanStopped after a stop
    void AddFinding(std::string problem, std::string keyPath, std::string value, RemovalKind kind,
                    FindingReason reason = {});
    bool IsMissingFileReference(std::string_view path, std::string_view nameHint, std::string_view scanDrives,
                                bool allowFolder);
    // The path the last file-reference test looked for, once it got that far.
    const std::string& TestedPath() const { return testedPath_; }
    // The reason of a reference found missing at `path` by `test`: a file, or
    // a file or folder where the test let a folder count (never with a hint).
    static FindingReason MissingReason(std::string_view path, ReferenceTest test);
    // The hint a walk was given, as a finding records it.
    static ReferenceTest::Hint HintOf(std::string_view nameHint);
    std::string ExpandFolderVariable(std::string_view var);

    // The recursive walk that tests every string value below a key.
    void ScanKeyTree(std::string_view rootName, std::string_view keyPath, std::string_view scanDrives,
                     std::string_view nameHint, std::string_view problemText);

    // Tasks 3, 4 and 5.
    void ScanFilesAndFoldersLocalMachine();
    void ScanFilesAndFoldersCurrentUser();
    void ScanFilesAndFoldersUsers();

    // Tasks 6 to 11, 15, 21 and 22: the lists where Windows and installers
    // record program locations, fonts, help files, shared libraries, startup
    // commands, uninstall entries, services and open-with programs.
    void ScanSoftwareLocations();
    void ScanWindowsFonts();
    void ScanHelpFiles();
    void ScanSharedDlls();
    void ScanStartupPrograms();
    void ScanRunKey(std::string_view rootName, std::string_view keyPath);
    void ScanAddRemovePrograms();
    void ScanWindowsServices();
    void ScanInstaller();
    void ScanApplications();
    // Finds the next key at or below startPath, depth first, that has a
    // subkey `subkeyName` whose `valueName` value is a string or absent:
    // the one after foundKey, or the first when foundKey is empty. Leaves
    // value "Not Found" when there is none.
    void FindSubkeyValue(RootKey root, std::string& foundKey, const std::string& startPath,
                         std::string_view subkeyName, std::string_view valueName, std::string& value);
    // Tasks 12, 13 and 19: how file types and classes are registered.
    void ScanFileExtensions();
    void ScanCustomControls();
    void ScanActiveX();
    // Whether the deep walk of HKEY_LOCAL_MACHINE (task 3) is one of this
    // scan's tasks: it already tests what the class walks would.
    bool IsDeepScanQueued() const;
    // Tests the default value of the key Prefix + Name and of every key below it.
    void ScanClassDefaults(std::string_view rootName, std::string_view prefix, std::string_view name);
    void ScanInterfaceTypeLibs();
    void ScanClassAppIds();
    // Tasks 14, 16, 17, 18, 20 and 23.
    void ScanObsoleteSoftware();
    void ScanObsoleteSoftwareRoot(std::string_view rootName, std::string_view keyPath);
    void ScanStartMenu();
    void ScanShortcuts();
    // Walks the folder and every folder in it, but no junction or folder link
    // below it, and no folder already walked.
    void ScanShortcutFolder(std::string_view folder);
    // The shortcut's target; empty when it cannot be read. Throws when the
    // link object itself cannot be made.
    std::string ResolveShortcutTarget(std::string_view shortcutPath);
    void ScanSoundEvents();
    void ScanSoundSchemeKey(std::string_view rootName, std::string_view prefix, std::string_view name);
    void ScanRecentLists();
    void ScanEmptyKeys();
    void ScanEmptyKeysBelow(std::string_view rootName, std::string_view keyPath);
    bool MayReportEmptyKey(std::string_view keyPath) const;

    Registry& registry() { return *registry_; }
    FileSystem& files() { return *files_; }
    const std::vector<std::string>& taskIds() const { return taskIds_; }

    std::string ScanDrives;
    bool DriveAReady = false;  // set by the dialog before the start when removable media are scanned
    bool DriveBReady = false;
    bool IsWow64 = false;
    bool IsWindows61 = false;
    bool IsWindows6x = false;
    // Reads shortcut targets; without it no shortcut has a readable target.
    std::shared_ptr<ShortcutLinks> Shortcuts;

private:
    void ScanUserAssist(const std::string& problem);
    // The shortcut walk of one folder, `resolved` being where it really is.
    void WalkShortcutFolder(std::string_view folder, std::string_view resolved);

    FileReferenceTest& PathTest();
    // Whether the walk leaves this key (and all below it) out.
    bool SkipsKey(RootKey root, std::string_view keyPath) const;
    // The tests the location checks share: a path on a floppy drive that is
    // not ready (with removable media scanned), and the plain path test
    // without a name hint.
    bool FailsRemovableMediaTest(std::string_view text) const;
    bool IsMissing(std::string_view text, bool allowFolder = false);
    // The help-file steps for one of the two help keys.
    void ScanHelpKey(std::string_view keyPath, const std::string& problem);

    std::shared_ptr<Registry> registry_;
    std::shared_ptr<FileSystem> files_;
    std::shared_ptr<ScanHandOver> handOver_;
    std::vector<std::string> taskIds_;
    bool includeRemoveMedia_ = false;
    int currentTaskId_ = 0;
    std::optional<FileReferenceTest> pathTest_;
    std::string testedPath_;
    // Opened on first use, on the worker's thread, and kept until the worker goes.
    std::unique_ptr<ShortcutReader> shortcutReader_;
    bool shortcutReaderOpened_ = false;
    // Where the folders the shortcut check walked really are (upper case):
    // the special folders nest on newer systems, and a folder walked twice
    // would report twice.
    std::set<std::string> shortcutFoldersWalked_;
};

}  // namespace ks
