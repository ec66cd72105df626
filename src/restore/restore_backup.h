// Restoring a backup file and proving that it took. The registry editor's
// exit code says nothing (it is 0 whatever happens), so a file is checked
// before the editor sees it, and every key and value it names is looked up
// afterwards; only a backup that came back whole counts as restored. Any
// file the editor itself reads and writes is taken, the editor's own UTF-16
// exports included.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_format.h"
#include "repair/backup_parser.h"
#include "restore/shortcut_copies.h"
#include "scan/registry.h"

namespace ks {

// Why a file is not handed to the editor at all, or why its end is left out.
enum class BackupFault {
    None,
    Unreadable,          // the file cannot be read
    NoHeader,            // it does not begin with a header line the editor takes
    CutOff,              // its last line has no line end
    Continued,           // its last line continues a byte list on a line that is missing
    BadLine,             // a line the strict reader cannot take (the editor would skip or misread it)
    NeverWritten,        // it ends in zero bytes: room for a write that never came
    NoCopy,              // its complete part could not be copied for the editor
};

struct BackupFileCheck {
    BackupFault fault = BackupFault::None;
    std::size_t line = 0;  // for BadLine, 1-based
    std::vector<RegBlock> blocks;
    RegTextForm form = RegTextForm::Ansi;
    // A torn end (CutOff, Continued or NeverWritten): the file stops inside a
    // block, as a repair interrupted while writing leaves it. The blocks
    // before it are complete, and only complete blocks were ever followed by
    // a deletion; `completePart` is the file's bytes up to them, for the
    // editor to import in its place.
    BackupFault tornEnd = BackupFault::None;
    std::string completePart;
};

// The checks before an import: a header line, then the strict reader over
// the whole text (UTF-16 files included). A file that stops inside its last
// block keeps everything before that block; damage anywhere before it, or a
// torn end with no complete block before it, refuses the file.
BackupFileCheck CheckBackupText(std::string_view bytes, const LeadBytes& leadBytes = {});

// An item of a backup that is not as the file says after a restore: a key or
// value not there (or not with its data), a key or value the file deletes
// still there, a shortcut copy not back on the disk.
struct MissingItem {
    enum class Kind { Key, Value, ShortcutTaken, ShortcutFailed, KeyNotGone, ValueNotGone };
    Kind kind = Kind::Key;
    std::string name;  // key path; key path and value name; file path

    friend bool operator==(const MissingItem&, const MissingItem&) = default;
};

struct ImportCheck {
    std::size_t items = 0;    // keys, values and deletions the file names, shortcut copies
    std::size_t missing = 0;  // of those, how many did not take
    // The first few that did not, in file order; and whether there are more.
    std::vector<MissingItem> firstMissing;
    bool moreMissing = false;
};

inline constexpr std::size_t kMissingItemsNamed = 5;

// What the registry holds once the blocks are imported, in file order: every
// key that must be there with the values it must hold and the values it must
// not, and the keys that must not be there. A later line for the same value
// replaces the earlier one; a key deletion takes everything below the key; a
// key made again after its deletion (or below it) is there again with its
// parents.
struct ImportPlan {
    struct Key {
        std::string path;
        std::vector<RegValue> values;
        std::vector<std::string> goneValues;
    };
    std::vector<Key> keys;
    std::vector<std::string> goneKeys;

    // Keys, values and deletions, each once.
    std::size_t Items() const;
};
ImportPlan PlanImport(const std::vector<RegBlock>& blocks, RegTextForm form = RegTextForm::Ansi,
                      const LeadBytes& leadBytes = {});

// The registry as the check after an import reads it, in the form of the
// file's names: ANSI through the 8-bit functions, UTF-8 through the UTF-16
// ones (with data as stored, texts in UTF-16).
class RegistryProbe {
public:
    class Key {
    public:
        virtual ~Key() = default;
        virtual std::optional<RegValue> ReadValue(std::string_view name) const = 0;
        virtual std::vector<std::string> SubkeyNames() const = 0;
    };
    virtual ~RegistryProbe() = default;
    // The key at a full path with its root name, for reading; null when it
    // is not there.
    virtual std::unique_ptr<Key> Open(std::string_view fullPath) = 0;
};

// The probe through the 8-bit registry functions of `registry`.
std::unique_ptr<RegistryProbe> ProbeThrough(Registry& registry);

// Every key and value the plan names, looked up: a key must exist, a value
// must have the same type and bytes, and what the file deletes must be gone.
// A missing key counts with all its values but is named once.
ImportCheck CheckImport(RegistryProbe& registry, const ImportPlan& plan);
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
    // Why the end of the file was left out; None when all of it was imported.
    BackupFault tornEnd = BackupFault::None;
    ImportCheck check;
};

struct RestoreContext {
    Registry& registry;
    RestoreFiles& files;
    LeadBytes leadBytes;
    // Runs the editor's import of the file; true when it ended by itself.
    std::function<bool(std::string_view file)> runEditor;
    // The registry as a UTF-16 file's check reads it. Without it such a file
    // cannot be checked and is refused as unreadable.
    RegistryProbe* unicodeRegistry = nullptr;
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

// The sentence that says what is wrong with a file ("Its last line is cut off.").
std::string BackupFaultText(BackupFault fault, std::size_t line, const RestoreTextLookup& lookup);

// Whether a full backup's export can replace an earlier file: it must read
// as a complete file that ends cleanly, and hold the keys directly below
// every root it exports (the machine's and the users' at least, where every
// other root lives), as the registry shows them now.
struct FullBackupCheck {
    BackupFault fault = BackupFault::None;  // also a torn end
    std::size_t line = 0;
    std::string missingKey;                 // a key the export lacks
    bool Complete() const { return fault == BackupFault::None && missingKey.empty(); }
};
FullBackupCheck CheckFullBackup(const BackupFileCheck& file, RegistryProbe& registry);

}  // namespace ks
