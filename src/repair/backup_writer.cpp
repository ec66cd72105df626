// The backup writer: read the item, write its block, prove the block restores it.
#include "repair/backup_writer.h"

#include <algorithm>
#include <iterator>

#include "repair/backup_parser.h"
#include "base/text.h"

namespace ks {

namespace {

std::string FullPath(RootKey root, std::string_view path) {
    std::string full = RootName(root);
    if (!path.empty()) {
        full.push_back('\\');
        full += path;
    }
    return full;
}

// False when two names are equal ignoring case: the registry cannot hold
// both, so the 8-bit functions have made two different names look alike.
bool NamesDistinct(std::vector<std::string> names) {
    for (auto& name : names) name = UpperAnsi(name);
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) == names.end();
}

std::string CacheKey(RootKey root, std::string_view path) {
    return std::to_string(static_cast<int>(root)) + "\\" + UpperAnsi(path);
}

KeyNameCache::Names GroupNames(std::vector<std::string> names) {
    KeyNameCache::Names grouped;
    for (auto& name : names) {
        auto& group = grouped[UpperAnsi(name)];
        group.push_back(std::move(name));
    }
    return grouped;
}

// Reads a key and its whole subtree, depth first. Every part must read
// completely: the counts the key reports must match what its enumerations
// gave, every subkey must open.
bool ReadTree(const RegistryKey& key, const std::string& fullPath, std::vector<RegBlock>& blocks,
              const LeadBytes& leadBytes) {
    const auto info = key.Info();
    if (!info) return false;
    RegBlock block{fullPath, key.Values()};
    if (block.values.size() != info->values) return false;
    std::vector<std::string> valueNames;
    valueNames.reserve(block.values.size());
    for (const auto& value : block.values) {
        if (!IsWritableName(value.name, leadBytes)) return false;
        valueNames.push_back(value.name);
    }
    if (!NamesDistinct(valueNames)) return false;
    const auto subkeys = key.SubkeyNames();
    if (subkeys.size() != info->subkeys || !NamesDistinct(subkeys)) return false;
    for (const auto& name : subkeys)
        if (!IsWritableName(name, leadBytes)) return false;
    blocks.push_back(std::move(block));
    for (const auto& name : subkeys) {
        const auto child = key.OpenSubkey(name, Access::Read);
        if (!child || !ReadTree(*child, fullPath + "\\" + name, blocks, leadBytes)) return false;
    }
    return true;
}

// The names of a key's values or subkeys, from the cache when there is one.
std::optional<KeyNameCache::Names> FreshNames(Registry& registry, RootKey root, std::string_view path, bool values) {
    const auto key = registry.OpenKey(root, path, Access::Read);
    if (!key) return std::nullopt;
    return GroupNames(values ? key->ValueNames() : key->SubkeyNames());
}

// The stored spellings of one name (more than one when the 8-bit view has
// made different names alike); empty when the key or the name is missing.
std::vector<std::string> StoredNames(Registry& registry, KeyNameCache* cache, RootKey root, std::string_view path,
                                     std::string_view name, bool values) {
    std::optional<KeyNameCache::Names> fresh;
    const KeyNameCache::Names* names = nullptr;
    if (cache) {
        names = values ? cache->ValueNames(registry, root, path) : cache->SubkeyNames(registry, root, path);
    } else {
        fresh = FreshNames(registry, root, path, values);
        if (fresh) names = &*fresh;
    }
    if (!names) return {};
    const auto found = names->find(UpperAnsi(name));
    return found == names->end() ? std::vector<std::string>() : found->second;
}

// The key path with the last part in the case the registry stores it: the
// import creates that part again, and should give it back its own name.
std::string StoredCasePath(Registry& registry, KeyNameCache* cache, RootKey root, std::string_view path,
                           const LeadBytes& leadBytes) {
    const size_t slash = LastBackslash(path, leadBytes);
    const std::string_view parent = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string result(path);
    const auto stored = StoredNames(registry, cache, root, parent, last, false);
    if (stored.size() == 1) result.replace(result.size() - last.size(), last.size(), stored.front());
    return result;
}

BackupSnapshot Absent(Registry& registry, RootKey root, std::string_view path) {
    return {registry.KeyExists(root, path) ? BackupResult::Refused : BackupResult::Missing, {}};
}

// The file must be empty or end cleanly: our header first, and a complete
// last line that does not continue (a continuation would swallow the next
// block's first lines on import).
bool EndsCleanly(BackupFile& file, std::uint64_t size) {
    const size_t headerSize = kRegHeaderLine.size() + kLineEnd.size();
    if (size < headerSize) return false;
    const auto head = file.ReadAt(0, headerSize);
    const auto tail = file.ReadAt(size - 3, 3);
    if (!head || !tail) return false;
    if (*head != std::string(kRegHeaderLine) + std::string(kLineEnd)) return false;
    return (*tail)[1] == '\r' && (*tail)[2] == '\n' && (*tail)[0] != '\\';
}

}  // namespace

const KeyNameCache::Names* KeyNameCache::Lookup(std::map<std::string, std::optional<Names>>& cache,
                                                Registry& registry, RootKey root, std::string_view path,
                                                bool values) {
    const std::string key = CacheKey(root, path);
    auto found = cache.find(key);
    if (found == cache.end()) found = cache.emplace(key, FreshNames(registry, root, path, values)).first;
    return found->second ? &*found->second : nullptr;
}

const KeyNameCache::Names* KeyNameCache::ValueNames(Registry& registry, RootKey root, std::string_view path) {
    return Lookup(values_, registry, root, path, true);
}

const KeyNameCache::Names* KeyNameCache::SubkeyNames(Registry& registry, RootKey root, std::string_view path) {
    return Lookup(subkeys_, registry, root, path, false);
}

void KeyNameCache::Forget(std::map<std::string, std::optional<Names>>& cache, RootKey root, std::string_view path,
                          std::string_view name) {
    const auto found = cache.find(CacheKey(root, path));
    if (found == cache.end() || !found->second) return;
    const auto group = found->second->find(UpperAnsi(name));
    if (group == found->second->end()) return;
    auto& spellings = group->second;
    for (auto it = spellings.begin(); it != spellings.end(); ++it)
        if (EqualsNoCase(*it, name)) {
            spellings.erase(it);
            break;
        }
    if (spellings.empty()) found->second->erase(group);
}

void KeyNameCache::ValueDeleted(RootKey root, std::string_view path, std::string_view name) {
    Forget(values_, root, path, name);
}

void KeyNameCache::SubkeyDeleted(RootKey root, std::string_view parentPath, std::string_view name) {
    Forget(subkeys_, root, parentPath, name);
    // Whatever was cached below the deleted key is gone with it.
    TreeChanged(root, parentPath.empty() ? std::string(name) : std::string(parentPath) + "\\" + std::string(name));
}

void KeyNameCache::TreeChanged(RootKey root, std::string_view path) {
    const std::string prefix = CacheKey(root, path);
    for (auto* cache : {&values_, &subkeys_})
        for (auto it = cache->lower_bound(prefix); it != cache->end() && it->first.starts_with(prefix);) {
            const bool below = it->first.size() == prefix.size() || it->first[prefix.size()] == '\\';
            it = below ? cache->erase(it) : std::next(it);
        }
}

BackupSnapshot ReadBackupSnapshot(Registry& registry, RootKey root, bool wholeKey, std::string_view valueName,
                                  std::string_view keyPath, const LeadBytes& leadBytes, KeyNameCache* names) {
    const std::string_view path = WithoutTrailingBackslash(keyPath, leadBytes);
    BackupSnapshot snapshot;
    if (wholeKey) {
        // A root cannot be deleted, and a backup of all of it is no backup of a finding.
        if (path.empty()) return snapshot;
        const auto key = registry.OpenKey(root, path, Access::Read);
        if (!key) return Absent(registry, root, path);
        if (!ReadTree(*key, FullPath(root, StoredCasePath(registry, names, root, path, leadBytes)), snapshot.blocks,
                      leadBytes)) {
            snapshot.blocks.clear();
            return snapshot;
        }
    } else {
        const auto key = registry.OpenKey(root, path, Access::Read);
        if (!key) return Absent(registry, root, path);
        const auto matches = StoredNames(registry, names, root, path, valueName, true);
        if (matches.empty()) return {BackupResult::Missing, {}};
        if (matches.size() > 1 || !IsWritableName(matches.front(), leadBytes)) return snapshot;
        auto value = key->ReadValue(matches.front());
        if (!value) return snapshot;
        // The name as stored, so that the import does not recreate it in another case.
        value->name = matches.front();
        snapshot.blocks.push_back(RegBlock{FullPath(root, path), {std::move(*value)}});
    }
    std::string probe;
    for (const auto& block : snapshot.blocks)
        if (!AppendBlock(probe, block, leadBytes)) {
            snapshot.blocks.clear();
            return snapshot;
        }
    snapshot.result = BackupResult::Written;
    return snapshot;
}

BackupResult WriteRegBackup(BackupContext& context, std::string_view filePath, RootKey root, bool wholeKey,
                            std::string_view valueName, std::string_view keyPath, std::size_t* keysWritten) {
    const auto snapshot =
        ReadBackupSnapshot(context.registry, root, wholeKey, valueName, keyPath, context.leadBytes, context.names);
    if (snapshot.result != BackupResult::Written) return snapshot.result;
    if (context.fidelity) {
        const std::string_view path = WithoutTrailingBackslash(keyPath, context.leadBytes);
        const bool exact = wholeKey ? context.fidelity->KeyTreeIsExact(root, path)
                                    : context.fidelity->ValueIsExact(root, path, snapshot.blocks[0].values[0].name);
        if (!exact) return BackupResult::Refused;
    }

    std::string text;
    for (const auto& block : snapshot.blocks) AppendBlock(text, block, context.leadBytes);

    auto file = context.store.OpenForAppend(filePath);
    if (!file) return BackupResult::FileFailed;
    const auto size = file->Size();
    if (!size || (*size != 0 && !EndsCleanly(*file, *size))) return BackupResult::FileFailed;
    // The header goes into any empty file, also one left empty by an earlier
    // failure: without it the importer takes nothing from the file.
    if (*size == 0) text.insert(0, std::string(kRegHeaderLine) + std::string(kLineEnd));

    // A block that did not go in whole, or does not prove, is cut off again;
    // a file that held nothing before goes altogether, so that a repair that
    // backed nothing up leaves no file. When the cut fails the file is no
    // longer sound and the repair must stop.
    const auto undo = [&](BackupResult result) {
        if (!file->Truncate(*size) || !file->Flush()) return BackupResult::FileFailed;
        if (*size == 0) {
            file.reset();
            (void)context.store.Remove(filePath);
        }
        return result;
    };
    if (!file->Append(text) || !file->Flush()) {
        (void)undo(BackupResult::FileFailed);
        return BackupResult::FileFailed;
    }
    const auto stored = file->ReadAt(*size, text.size());
    if (!stored) {
        (void)undo(BackupResult::FileFailed);
        return BackupResult::FileFailed;
    }
    const auto parsed = ParseRegText(*stored, *size == 0, context.leadBytes);
    const auto fresh =
        ReadBackupSnapshot(context.registry, root, wholeKey, valueName, keyPath, context.leadBytes, context.names);
    if (parsed.ok && fresh.result == BackupResult::Written && parsed.blocks == fresh.blocks) {
        if (keysWritten) *keysWritten = parsed.blocks.size();
        return BackupResult::Written;
    }
    return undo(BackupResult::NotVerified);
}

}  // namespace ks
