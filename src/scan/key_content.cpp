// The emptiness test of a key subtree.
#include "scan/key_content.h"

#include <string>

namespace ks {

int CountKeyContent(Registry& registry, RootKey root, std::string_view keyPath) {
    // A chain of single subkeys is followed without recursion, so a hostile
    // registry thousands of levels deep cannot exhaust the worker's stack, and
    // each level is opened below the one before rather than from the root, so
    // the walk down costs one open per level. Only a level without values is
    // ever left for the next, so the count is that of the last level reached.
    // Counting only reads, so read rights are all it asks for: a key that may
    // be read but not written still shows what it holds.
    // The callers pass keys they have just listed, so a key that will not open
    // is there but out of sight: refused, or too long a path for the 8-bit
    // functions (Wine's RegOpenKeyExA answers ERROR_MORE_DATA for any path
    // over 260 characters, where the wide function opens it). It may hold
    // anything and is not called empty.
    auto key = registry.OpenKey(root, keyPath, Access::Read);
    if (!key) return 1;
    while (true) {
        // The counts come from one query; the names are listed only to follow
        // a single subkey. A key whose counts cannot be asked is listed.
        const auto info = key->Info();
        const auto values = info ? info->values : static_cast<std::uint32_t>(key->ValueNames().size());
        if (values >= 1) return static_cast<int>(values);
        if (info && info->subkeys >= 2) return static_cast<int>(info->subkeys);
        if (info && info->subkeys == 0) return 0;
        const auto subkeys = key->SubkeyNames();
        if (subkeys.size() >= 2) return static_cast<int>(subkeys.size());
        if (subkeys.empty()) return 0;
        key = key->OpenSubkey(subkeys.front(), Access::Read);
        if (!key) return 1;
    }
}

}  // namespace ks
