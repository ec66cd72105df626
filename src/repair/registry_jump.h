// "Open in RegEdit": which key of which root the registry editor is taken
// to for a finding, and whether there is anything to show there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scan/finding.h"

namespace ks {

class Registry;

// Shown when there is nothing to open; kept in English in every language.
inline constexpr char kKeyOrValueMissing[] = "Please check whether the registry key or value exist.";

// The path the editor is taken to for a row: the value's key for
// DeleteValueInPath, the subkey for DeleteSubkey, nothing for a file, the
// KeyPath otherwise. No value name comes from the row.
std::string RegistryJumpPath(const Finding& row);

// "HKLM", "HKCU", "HKU", "HKCR" and "HKCC" (any case) as full root names;
// any other text unchanged.
std::string ExpandRootAbbreviation(std::string_view root);

// What the command does with a path.
struct RegistryJump {
    enum class Action { None, Message, Drive };
    Action What = Action::None;
    std::string Root;  // the full root name, as the path (or its abbreviation) gave it
    std::string Key;   // below the root
    std::string Name;  // a value to select in the key, or empty
    friend bool operator==(const RegistryJump&, const RegistryJump&) = default;
};

// Checks `path` against `registry` and splits it into root, key and value
// name. The root must be one of the five full names exactly, case and all;
// when the whole path is no key, its last part is taken for a value of the
// key before it.
RegistryJump OpenInRegistryEditor(std::string_view path, Registry& registry);

// The text typed into the editor's tree: root, a backslash unless the key path
// starts with one, and the key path.
std::string RegistryEditorTreePath(std::string_view root, std::string_view keyPath);

// The root-named path of a key from the name the kernel gives it:
// "\REGISTRY\MACHINE\SOFTWARE\Wow6432Node\X" is
// "HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\X", "\REGISTRY\USER\S-1-5-18" is
// "HKEY_USERS\S-1-5-18". Nothing for a name under neither.
std::optional<std::string> KeyPathFromKernelName(std::string_view kernelName);

}  // namespace ks
