// The names under which one registry key is reached.
#include "repair/key_aliases.h"

#include "base/text.h"

namespace ks {

namespace {

constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kUsers = "HKEY_USERS";
constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
constexpr std::string_view kMachineClasses = "HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES";
constexpr std::string_view kUserClasses = "HKEY_CURRENT_USER\\SOFTWARE\\CLASSES";
// A user's classes hive is loaded below HKEY_USERS as the user's SID and this.
constexpr std::string_view kClassesHiveSuffix = "_CLASSES";

std::string Joined(std::string_view parent, std::string_view rest) {
    std::string path(parent);
    if (!rest.empty()) path.append(1, '\\').append(rest);
    return path;
}

// The root name and the path below it; root names hold no two-byte characters.
struct RootAndRest {
    std::string_view root;
    std::string_view rest;
};

RootAndRest SplitRoot(std::string_view path) {
    const size_t slash = path.find('\\');
    if (slash == std::string_view::npos) return {path, {}};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

KeyAliases::KeyAliases(Registry& registry) : registry_(&registry) {
    if (const auto hive = registry.CurrentUserHive()) currentUser_ = UpperAnsi(*hive);
}

std::optional<RootKey> KeyAliases::ClassesHome(const std::string& upperPath) {
    if (!registry_) return std::nullopt;
    const auto known = classesHomes_.find(upperPath);
    if (known != classesHomes_.end()) return known->second;
    const auto home = registry_->ClassesRootHome(upperPath);
    classesHomes_.emplace(upperPath, home);
    return home;
}

std::string KeyAliases::CanonicalOfHive(std::string upper) const {
    const RootAndRest split = SplitRoot(upper);
    if (split.root == kCurrentUser) {
        if (currentUser_.empty()) return upper;
        return Joined(Joined(kUsers, currentUser_), split.rest);
    }
    if (split.root == kUsers) {
        const size_t end = FirstBackslash(split.rest);
        const std::string_view hive = split.rest.substr(0, end);
        if (hive.size() > kClassesHiveSuffix.size() && hive.ends_with(kClassesHiveSuffix)) {
            const std::string_view user = hive.substr(0, hive.size() - kClassesHiveSuffix.size());
            const std::string_view below = end == std::string_view::npos ? std::string_view() : split.rest.substr(end + 1);
            return Joined(Joined(kUsers, user) + "\\SOFTWARE\\CLASSES", below);
        }
    }
    return upper;
}

std::string KeyAliases::Canonical(std::string_view keyPath) {
    std::string upper = UpperAnsi(keyPath);
    const RootAndRest split = SplitRoot(upper);
    if (split.root != kClassesRoot || split.rest.empty()) return CanonicalOfHive(std::move(upper));
    const std::string rest(split.rest);
    const auto home = ClassesHome(rest);
    if (!home) return upper;
    if (*home == RootKey::CurrentUser) return CanonicalOfHive(Joined(kUserClasses, rest));
    return Joined(kMachineClasses, rest);
}

std::vector<std::string> KeyAliases::Names(std::string_view keyPath, bool askRegistry) {
    std::string upper = UpperAnsi(keyPath);
    const RootAndRest split = SplitRoot(upper);
    std::vector<std::string> names;
    if (split.root != kClassesRoot || split.rest.empty()) {
        names.push_back(CanonicalOfHive(std::move(upper)));
        return names;
    }
    const std::string rest(split.rest);
    std::optional<RootKey> home;
    if (askRegistry) home = ClassesHome(rest);
    // Its own name too: a text that ends in a value's name is no key path
    // of either hive, and matches only as written.
    names.push_back(std::move(upper));
    if (!home || *home == RootKey::CurrentUser) names.push_back(CanonicalOfHive(Joined(kUserClasses, rest)));
    if (!home || *home == RootKey::LocalMachine) names.push_back(Joined(kMachineClasses, rest));
    return names;
}

}  // namespace ks
