// The emptiness test of a key subtree.
#include "scan/key_content.h"

#include <string>

namespace ks {

int CountKeyContent(Registry& registry, RootKey root, std::string_view keyPath) {
    // A chain of single subkeys is followed without recursion, so a hostile
    // registry thousands of levels deep cannot exhaust the worker's stack.
    std::string path(keyPath);
    int total = 0;
    for (;;) {
        const auto key = registry.OpenKey(root, path, Access::Full);
        if (!key) return total;
        // The counts come from one query; the names are listed only to follow
        // a single subkey. A key whose counts cannot be asked is listed.
        const auto info = key->Info();
        const auto values = info ? info->values : static_cast<std::uint32_t>(key->ValueNames().size());
        if (values >= 1) return total + static_cast<int>(values);
        if (info && info->subkeys >= 2) return total + static_cast<int>(info->subkeys);
        if (info && info->subkeys == 0) return total;
        const auto subkeys = key->SubkeyNames();
        if (subkeys.size() >= 2) return total + static_cast<int>(subkeys.size());
        if (subkeys.empty()) return total;
        path += '\\';
        path += subkeys.front();
    }
}

}  // namespace ks
