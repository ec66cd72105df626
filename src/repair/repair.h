// The repair command: every ticked finding is backed up, the backup is proved
// by reading it back, and only then is the key, value or file deleted. Rows
// that could not be removed are remembered for the rest of the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_file.h"
#include "repair/backup_format.h"
#include "repair/backup_writer.h"
#include "repair/problem_list.h"
#include "scan/file_system.h"
#include "scan/registry.h"

namespace ks {

// The windows a repair shows, and the user's answers.
class RepairUi {
public:
    virtual ~RepairUi() = default;
    // A Yes/No message box with the information icon; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Shows the restore-point dialog modally and answers its modal result
    // (1 go on, 2 abandon the repair).
    virtual int RunRestorePointDialog() = 0;
    virtual void UpdateProblemCounts() = 0;
    // Shows the after-repair hint modally with the number of handled rows.
    virtual void ShowHint(std::size_t count) = 0;
    // 2047 Hz for 500 ms.
    virtual void Beep() = 0;
};

// A repair nobody watches (the console program, tests): yes to every
// question, so a missing backup folder is created; on past the restore point;
// nothing shown or sounded.
class UnattendedRepairUi : public RepairUi {
public:
    bool AskYesNo(const std::string&) override { return true; }
    int RunRestorePointDialog() override { return 1; }
    void UpdateProblemCounts() override {}
    void ShowHint(std::size_t) override {}
    void Beep() override {}
};

// The run-time text of a RES_ key in the active language, given its English
// wording (LookupText of the language files). Null gives the English text.
using TextLookup = std::string (*)(const std::string& key, const std::string& englishDefault);

enum class RemoveResult;
struct ReferenceRecheck;

// Everything a repair reaches outside itself.
struct RepairContext {
    Registry& registry;
    FileSystem& files;
    BackupStore& store;
    RepairUi& ui;
    // The local time now; asked once per repair, for the backup file's name.
    std::function<BackupTime()> clock;
    LeadBytes leadBytes{};
    const TextFidelity* fidelity = nullptr;
    TextLookup lookupText = nullptr;
    // Names of keys visited before; RepairFindings keeps one for its run.
    KeyNameCache* names = nullptr;
    // Told of every ticked row RepairFindings visits and what became of it.
    std::function<void(const Finding&, RemoveResult)> rowDone;
    // Tests each reference row again just before it goes; null: no second test.
    ReferenceRecheck* recheck = nullptr;
};

// The settings a repair reads, taken when the command starts.
struct RepairOptions {
    std::string OutputDirectory;
    bool RestorePoint = false;
    bool ShowHint = false;
    bool Beep = false;
    std::uint8_t WindowsVersion = 0;
    // The drives a scan tests, for the second test of reference rows.
    bool IncludeRemoveMedia = false;
    bool IncludeCDdrive = false;
};

enum class RemoveResult {
    Removed,
    NotRemoved,     // missing, unknown root, refused, or its backup did not prove sound
    PartlyRemoved,  // a key whose deletion stopped part-way: keys below it are gone, it stays; the backup holds all
    BackupFailed,   // the backup file could not be written: the whole command ends
    FoundAgain,     // tested again, the reference is there now: the row stays, unticked, untouched
};

// Backs the key with its whole subtree up to `backupFile`, then deletes it.
RemoveResult DeleteKeyWithBackup(RepairContext& context, const std::string& backupFile, std::string_view rootName,
                                 std::string_view keyPath);
// Backs one value up (the empty name is the default value), then deletes it.
RemoveResult DeleteValueWithBackup(RepairContext& context, const std::string& backupFile,
                                   std::string_view rootName, std::string_view keyPath, std::string_view valueName);

// Where a finding's removal acts: a key with its subtree, one value of a key,
// or a file; nothing for a row repair cannot act on.
struct RemovalTarget {
    enum class Kind { None, Key, Value, File };
    Kind kind = Kind::None;
    std::string rootName;
    std::string keyPath;    // below the root (Key, Value)
    std::string valueName;  // Value: the name as stored, "" for the default value
    std::string filePath;   // File
};
RemovalTarget TargetOf(const Finding& finding, const LeadBytes& leadBytes);

// A key below HKEY_CLASSES_ROOT is backed up and deleted under the name of
// the hive that holds it: `root` becomes that hive, and the path it answers
// is the key's path there. Any other key stays as it is.
std::string WhereKeyLives(Registry& registry, RootKey& root, std::string_view path);

// What one finding asks repair to do, and whether it was done.
RemoveResult RemoveFinding(RepairContext& context, const std::string& backupFile, const Finding& finding);

struct RepairOutcome {
    // False when the command ended before visiting any row: the backup folder
    // was refused or could not be made, the list was empty, or the restore
    // point was abandoned.
    bool started = false;
    // False when a backup could not be written and the command ended there.
    bool finished = false;
    std::size_t count = 0;  // ticked rows visited
    std::size_t removed = 0;
    std::size_t unrepaired = 0;
    std::size_t foundAgain = 0;  // rows left in the list because their reference is back
    // Rows of keys removed only in part: they stay in the list, unticked.
    std::size_t partlyRemoved = 0;
    // The command ended because a backup could not be written.
    bool backupFailed = false;
};

// The repair command, start to end. `currentBackupFile` is set to this
// repair's backup file name before anything is deleted. Every error ends the
// command: rows already handled stay handled, the rest stays as it is.
RepairOutcome RepairFindings(ProblemList& list, UnrepairedFindings& unrepaired, RepairContext& context,
                             const RepairOptions& options, std::string& currentBackupFile);

// The Yes/No question asked when the backup folder is missing.
std::string MissingFolderQuestion(std::string_view folder, TextLookup lookupText = nullptr);
// The first line of the after-repair hint: "There are total 3 problems to be repaired."
std::string RepairHintText(std::size_t count, TextLookup lookupText = nullptr);

// What the window tells after a repair that a backup failure stopped, or
// that removed keys only in part (`partlyRemoved`: their findings, in the
// order visited); "" when there is nothing to tell.
std::string RepairEndMessage(const RepairOutcome& outcome, std::string_view backupFile,
                             const std::vector<Finding>& partlyRemoved, TextLookup lookupText = nullptr);

}  // namespace ks
