// Whether a key subtree holds anything: the emptiness test that the file
// extension, obsolete-software and empty-key checks share.
#pragma once

#include <string_view>

#include "scan/registry.h"

namespace ks {

// 0 when the subtree holds nothing. A key's values count first (the default
// value counts once set, even empty); a key with two or more subkeys counts
// their number however empty they are; a single subkey is followed down. Keys
// are opened for reading only, so a key that refuses writing is counted like
// any other. A key that cannot be opened at all (refused, or gone since it was
// listed) may hold anything: it counts 1. Callers only compare the result with 1.
int CountKeyContent(Registry& registry, RootKey root, std::string_view keyPath);

}  // namespace ks
