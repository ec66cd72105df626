// Backing up one key (with its whole subtree) or one value before the repair
// deletes it. A block is appended, flushed, read back, parsed and compared
// with a fresh read of the live item; only a block that matches counts as a
// backup.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "repair/backup_file.h"
#include "repair/backup_format.h"
#include "scan/registry.h"

namespace ks {

// A second look at names and text data that the 8-bit registry functions
// cannot show faithfully: characters outside the code page come back as "?"
// or as a look-alike. Where every text is exact (the in-memory registry) no
// such check is given.
class TextFidelity {
public:
    virtual ~TextFidelity() = default;
    // True when every key name, value name and text value in the subtree reads
    // exactly through the 8-bit functions.
    virtual bool KeyTreeIsExact(RootKey root, std::string_view path) const = 0;
    virtual bool ValueIsExact(RootKey root, std::string_view path, std::string_view name) const = 0;
};

// The names of keys a repair visits again and again (a key with thousands of
// stale values, a parent of thousands of stale keys), enumerated once per
// repair instead of once per finding. The repair tells it what it deleted.
class KeyNameCache {
public:
    // The names of the key's values, or of its subkeys, in stored case and
    // grouped by their upper-case form; null when the key cannot be opened.
    using Names = std::unordered_map<std::string, std::vector<std::string>>;
    const Names* ValueNames(Registry& registry, RootKey root, std::string_view path);
    const Names* SubkeyNames(Registry& registry, RootKey root, std::string_view path);
    void ValueDeleted(RootKey root, std::string_view path, std::string_view name);
    void SubkeyDeleted(RootKey root, std::string_view parentPath, std::string_view name);
    // Keys below this one were deleted, the key itself stays.
    void TreeChanged(RootKey root, std::string_view path);

private:
    const Names* Lookup(std::map<std::string, std::optional<Names>>& cache, Registry& registry, RootKey root,
                        std::string_view path, bool values);
    static void Forget(std::map<std::string, std::optional<Names>>& cache, RootKey root, std::string_view path,
                       std::string_view name);
    std::map<std::string, std::optional<Names>> values_;
    std::map<std::string, std::optional<Names>> subkeys_;
};

struct BackupContext {
    Registry& registry;
    BackupStore& store;
    LeadBytes leadBytes{};
    const TextFidelity* fidelity = nullptr;
    // Null: names are enumerated afresh for every item.
    KeyNameCache* names = nullptr;
};

enum class BackupResult {
    Written,      // appended, flushed, read back, and equal to the live item
    Missing,      // the key or the value is not there
    Refused,      // a backup cannot hold it exactly, or part of it cannot be read; nothing written
    NotVerified,  // the block read back differs from the live item; it was cut off again
    FileFailed,   // the file could not be created, written, flushed, read back or repaired
};

// What a backup of the item holds, read from the live registry: for a whole
// key its block and, depth first, the blocks of every subkey; for one value a
// single block with that value. Missing or Refused leave the blocks empty.
struct BackupSnapshot {
    BackupResult result = BackupResult::Refused;
    std::vector<RegBlock> blocks;
};
BackupSnapshot ReadBackupSnapshot(Registry& registry, RootKey root, bool wholeKey, std::string_view valueName,
                                  std::string_view keyPath, const LeadBytes& leadBytes = {},
                                  KeyNameCache* names = nullptr);

// Appends the key (wholeKey) or the one value (the empty name is the default
// value) to the backup file, creating it with its header line when it is
// missing or empty. One trailing backslash of the key path is ignored.
// `keysWritten`, when given, learns how many keys the written blocks hold.
BackupResult WriteRegBackup(BackupContext& context, std::string_view filePath, RootKey root, bool wholeKey,
                            std::string_view valueName, std::string_view keyPath,
                            std::size_t* keysWritten = nullptr);

}  // namespace ks
