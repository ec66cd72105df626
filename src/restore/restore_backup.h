// Restoring a backup file and proving that it took. The registry editor's
// exit code says nothing (it is 0 whatever happens), so a file is checked
// before the editor sees it, and every key and value it names is looked up
// afterwards; only a backup that came back whole counts as restored.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_format.h"
#include "repair/backup_parser.h"
#include "restore/shortcut_copies.h"
#include "scan/registry.h"

namespace ks {

// Why a file is not handed to the editor at all.
enum class BackupFault {
    None,
    Unreadable,          // the file cannot be read
    NoHeader,            // it does not begin with the REGEDIT4 line
    CutOff,              // its last line has no CR LF
    Continued,           // its last line continues a byte list on a line that is missing
    BadLine,             // a line the strict reader cannot take (the editor would skip or misread it)
};

struct BackupFileCheck {
    BackupFault fault = BackupFault::None;
    std::size_t line = 0;  // for BadLine, 1-based
    std::vector<RegBlock> blocks;
};

// The checks before an import: header, final CR LF, no dangling continuation,
// then the strict reader over the whole text.
BackupFileCheck CheckBackupText(std::string_view text, const LeadBytes& leadBytes = {});

// An item of a backup that is not in the registry (or on the disk) after a
// restore.
struct MissingItem {
    enum class Kind { Key, Value, ShortcutTaken, ShortcutFailed };
    Kind kind = Kind::Key;
    std::string name;  // key path; key path and value name; file path

    friend bool operator==(const MissingItem&, const MissingItem&) = default;
};

struct ImportCheck {
    std::size_t items = 0;    // keys and values named, shortcut copies
    std::size_t missing = 0;  // of those, how many did not come back
    // The first few that did not, in file order; and whether there are more.
    std::vector<MissingItem> firstMissing;
    bool moreMissing = false;
};

inline constexpr std::size_t kMissingItemsNamed = 5;

// Every key and value the blocks name, looked up in the registry: a key must
// exist, a value must have the same type and bytes. Where the file names a
// value twice the later one counts, as in the import. A missing key counts
// with all its values but is named once.
ImportCheck CheckImport(Registry& registry, const std::vector<RegBlock>& blocks);

// Adds what the shortcut restore could not bring back.
void AddShortcutProblems(ImportCheck& check, const ShortcutRestore& restore);

struct RestoreResult {
    enum class Kind {
        Refused,     // not a complete backup file: the editor was not run
        NotRun,      // the editor could not be started, or it was stopped
        Restored,    // everything came back
        Incomplete,  // the editor ended, but some items did not come back
    };
    Kind kind = Kind::NotRun;
    BackupFault fault = BackupFault::None;
    std::size_t faultLine = 0;
    ImportCheck check;
};

struct RestoreContext {
    Registry& registry;
    RestoreFiles& files;
    LeadBytes leadBytes;
    // Runs the editor's import of the file; true when it ended by itself.
    std::function<bool(std::string_view file)> runEditor;
};

// Checks the file, has the editor import it, puts the shortcut copies back,
// and checks that all of it came back.
RestoreResult RestoreBackupFile(RestoreContext& context, std::string_view file);

// Deletes a backup file with its shortcut copies. True when the file is gone.
bool DeleteBackupWithCopies(RestoreFiles& files, std::string_view file,
                            const std::function<bool(const std::string&)>& deleteFile);

// What the user is told after a restore; "" when there is nothing to say.
using RestoreTextLookup = std::function<std::string(const std::string& key, const std::string& english)>;
std::string RestoreMessage(const RestoreResult& result, std::string_view fileName, const RestoreTextLookup& lookup);

}  // namespace ks
