// The several names of one registry key. HKEY_CURRENT_USER is the current
// user's hive below HKEY_USERS; a user's classes hive (HKEY_USERS\<SID>_Classes)
// is the same key as that user's Software\Classes; and HKEY_CLASSES_ROOT shows
// each key from the user's or the machine's Software\Classes. Two walks of the
// registry may meet one item under two names, and an ignore entry written
// under one name must cover the item under the other.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/registry.h"

namespace ks {

class KeyAliases {
public:
    // Knows no current user's hive and cannot tell where a key of
    // HKEY_CLASSES_ROOT lives: only the classes hives are known aliases.
    KeyAliases() = default;
    // Asks the registry which hive HKEY_CURRENT_USER opens, and, once per
    // key, which hive a key of HKEY_CLASSES_ROOT comes from. The registry
    // must outlive this object.
    explicit KeyAliases(Registry& registry);

    // The name of the HKEY_USERS subkey that HKEY_CURRENT_USER opens, upper
    // case; empty when it is not known.
    const std::string& CurrentUserHive() const { return currentUser_; }

    // The one name of the key, upper case: HKEY_CURRENT_USER and a classes
    // hive named below HKEY_USERS, a key of HKEY_CLASSES_ROOT by the hive it
    // comes from. A key of HKEY_CLASSES_ROOT whose hive cannot be told keeps
    // its own name, as does a text that names no root.
    std::string Canonical(std::string_view keyPath);

    // The names to compare key paths by across their names: the canonical
    // one; for a key of HKEY_CLASSES_ROOT its own and the path below the
    // hive it comes from, or below both hives' Software\Classes when that is
    // not told. With `askRegistry` false a key of HKEY_CLASSES_ROOT always
    // gets both: an ignore entry covers the key whichever hive holds it now.
    std::vector<std::string> Names(std::string_view keyPath, bool askRegistry);

private:
    // Which hive holds HKEY_CLASSES_ROOT\`path`; asked once per path.
    std::optional<RootKey> ClassesHome(const std::string& upperPath);
    // The canonical name of a key path whose root is not HKEY_CLASSES_ROOT.
    std::string CanonicalOfHive(std::string upper) const;

    Registry* registry_ = nullptr;
    std::string currentUser_;
    std::map<std::string, std::optional<RootKey>> classesHomes_;
};

}  // namespace ks
