// One problem a check found: the row the problem list shows and repair acts on.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace ks {

// What repair removes for a finding. The numbers are stored and compared as
// integers elsewhere (ignore lists, reports), so they never change.
enum class RemovalKind : int {
    DeleteKey = 0,           // KeyPath is the key; repair removes it with its subkeys
    DeleteValueInPath = 1,   // KeyPath is key + "\" + value name, split at the last backslash
    DeleteNamedValue = 2,    // KeyPath is the key, Value the value name
    DeleteSubkey = 3,        // KeyPath is the parent, Value the subkey name
    DeleteFile = 4,          // KeyPath is a file path, not a registry location
    DeleteDefaultValue = 5,  // KeyPath is the key; its unnamed value goes
    DeleteEncodedValue = 6,  // Value is the readable name; the stored name is its ROT13
};

constexpr int ToInt(RemovalKind kind) { return static_cast<int>(kind); }

// The kind with this number, or nothing for a number outside 0..6.
constexpr std::optional<RemovalKind> RemovalKindFromInt(int number) {
    if (number < 0 || number > 6) return std::nullopt;
    return static_cast<RemovalKind>(number);
}

struct Finding {
    std::string Problem;  // localized problem text
    std::string KeyPath;  // full root name, "\", key path (or a file path for DeleteFile)
    std::string Value;    // meaning depends on the removal kind; may be empty
    ks::RemovalKind RemovalKind = ks::RemovalKind::DeleteKey;

    friend bool operator==(const Finding&, const Finding&) = default;
};

// A check that reports a value by name uses DeleteValueInPath when the name
// holds no backslash, since that kind is split at the last backslash, and
// DeleteNamedValue when it does.
inline Finding ValueFinding(std::string problem, const std::string& keyPath, const std::string& valueName,
                            std::string data) {
    if (valueName.find('\\') == std::string::npos)
        return Finding{std::move(problem), keyPath + "\\" + valueName, std::move(data),
                       ks::RemovalKind::DeleteValueInPath};
    return Finding{std::move(problem), keyPath, valueName, ks::RemovalKind::DeleteNamedValue};
}

}  // namespace ks
