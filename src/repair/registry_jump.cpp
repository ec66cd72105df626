// Paths for the registry editor.
#include "repair/registry_jump.h"

#include <array>
#include <optional>
#include <utility>

#include "scan/registry.h"
#include "base/text.h"

namespace ks {

namespace {

constexpr std::array<std::pair<const char*, const char*>, 5> kAbbreviations = {{
    {"HKLM", "HKEY_LOCAL_MACHINE"},
    {"HKCU", "HKEY_CURRENT_USER"},
    {"HKU", "HKEY_USERS"},
    {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKCC", "HKEY_CURRENT_CONFIG"},
}};

// Only the exact spelling counts: "hkey_current_user" names no root here.
std::optional<RootKey> RootSpelledExactly(std::string_view root) {
    for (RootKey key : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                        RootKey::CurrentConfig})
        if (root == RootName(key)) return key;
    return std::nullopt;
}

bool KeyExists(const std::optional<RootKey>& root, std::string_view path, Registry& registry) {
    return root && registry.KeyExists(*root, path);
}

}  // namespace

std::string RegistryJumpPath(const Finding& row) {
    switch (row.RemovalKind) {
    case RemovalKind::DeleteValueInPath: {
        const std::size_t last = row.KeyPath.rfind('\\');
        return last == std::string::npos ? std::string() : row.KeyPath.substr(0, last);
    }
    case RemovalKind::DeleteSubkey:
        return row.KeyPath + "\\" + row.Value;
    case RemovalKind::DeleteFile:
        return {};
    default:
        return row.KeyPath;
    }
}

std::string ExpandRootAbbreviation(std::string_view root) {
    const std::string upper = UpperAnsi(root);
    for (const auto& [abbreviation, full] : kAbbreviations)
        if (upper == abbreviation) return full;
    return std::string(root);
}

RegistryJump OpenInRegistryEditor(std::string_view path, Registry& registry) {
    const RegistryJump message{RegistryJump::Action::Message};
    if (UpperAnsi(path).find("HK") == std::string::npos) return message;
    const std::size_t slash = path.find('\\');
    if (slash == std::string_view::npos) return {};
    RegistryJump jump;
    jump.Root = ExpandRootAbbreviation(path.substr(0, slash));
    const std::string_view rest = path.substr(slash + 1);
    const std::optional<RootKey> root = RootSpelledExactly(jump.Root);
    if (KeyExists(root, rest, registry)) {
        jump.What = RegistryJump::Action::Drive;
        jump.Key = rest;
        return jump;
    }
    const std::size_t last = rest.rfind('\\');
    const std::string_view key = last == std::string_view::npos ? std::string_view() : rest.substr(0, last);
    const std::string_view name = last == std::string_view::npos ? rest : rest.substr(last + 1);
    if (!KeyExists(root, key, registry)) return message;
    // A key that exists but refuses full access may still hold the value;
    // the editor is left to show what it can.
    const std::unique_ptr<RegistryKey> opened = registry.OpenKey(*root, key, Access::Full);
    if (opened && !opened->ValueExists(name)) return message;
    jump.What = RegistryJump::Action::Drive;
    jump.Key = key;
    jump.Name = name;
    return jump;
}

std::string RegistryEditorTreePath(std::string_view root, std::string_view keyPath) {
    std::string full(root);
    if (keyPath.empty() || keyPath.front() != '\\') full += '\\';
    full += keyPath;
    return full;
}

std::optional<std::string> KeyPathFromKernelName(std::string_view kernelName) {
    static constexpr std::pair<const char*, const char*> kHives[] = {
        {"\\REGISTRY\\MACHINE", "HKEY_LOCAL_MACHINE"},
        {"\\REGISTRY\\USER", "HKEY_USERS"},
    };
    for (const auto& [prefix, root] : kHives) {
        const std::string_view start(prefix);
        if (kernelName.size() < start.size() || !EqualsNoCase(kernelName.substr(0, start.size()), start)) continue;
        const std::string_view rest = kernelName.substr(start.size());
        if (!rest.empty() && rest.front() != '\\') continue;
        return std::string(root) + std::string(rest);
    }
    return std::nullopt;
}

}  // namespace ks
