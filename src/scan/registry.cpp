// Root names, key-path splitting and the convenience reads shared by every
// registry implementation.
#include "scan/registry.h"

#include "base/text.h"

namespace ks {

namespace {
struct RootEntry {
    const char* name;
    RootKey root;
};
constexpr RootEntry kRoots[] = {
    {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},   {"HKEY_CURRENT_USER", RootKey::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine}, {"HKEY_USERS", RootKey::Users},
    {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
};
}  // namespace

std::optional<RootKey> RootByName(std::string_view name) {
    for (const auto& entry : kRoots)
        if (EqualsNoCase(name, entry.name)) return entry.root;
    return std::nullopt;
}

const char* RootName(RootKey root) {
    for (const auto& entry : kRoots)
        if (entry.root == root) return entry.name;
    return "";
}

bool SplitKeyPath(std::string_view keyPath, RootKey& root, std::string& path) {
    const size_t slash = keyPath.find('\\');
    const auto found = RootByName(keyPath.substr(0, slash));
    if (!found) return false;
    root = *found;
    path = slash == std::string_view::npos ? std::string() : std::string(keyPath.substr(slash + 1));
    return true;
}

std::optional<RootKey> Registry::ClassesRootHome(std::string_view) { return std::nullopt; }

std::optional<std::string> Registry::CurrentUserHive() { return std::nullopt; }

std::optional<ValueInfo> RegistryKey::QueryValueInfo(std::string_view name) const {
    const auto value = ReadValue(name);
    if (!value) return std::nullopt;
    return ValueInfo{value->type, static_cast<std::uint32_t>(value->data.size())};
}

ValueKind RegistryKey::ValueType(std::string_view name) const {
    const auto value = QueryValueInfo(name);
    if (!value) return ValueKind::None;
    switch (value->type) {
    case RegType::String: return ValueKind::String;
    case RegType::ExpandString: return ValueKind::ExpandString;
    case RegType::Dword: return ValueKind::Integer;
    case RegType::Binary: return ValueKind::Bytes;
    default: return ValueKind::None;
    }
}

bool RegistryKey::ValueExists(std::string_view name) const { return QueryValueInfo(name).has_value(); }

std::string RegistryKey::ReadString(std::string_view name) const {
    const auto value = ReadValue(name);
    if (!value) return {};
    const size_t nul = value->data.find('\0');
    return nul == std::string::npos ? value->data : value->data.substr(0, nul);
}

std::uint32_t IntegerData(std::string_view data) {
    if (data.size() < 4) return 0;
    std::uint32_t result = 0;
    for (int i = 3; i >= 0; --i) result = (result << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return result;
}

std::uint32_t RegistryKey::ReadInteger(std::string_view name) const {
    const auto value = ReadValue(name);
    return value ? IntegerData(value->data) : 0;
}

std::optional<std::uint32_t> RegistryKey::DataSize(std::string_view name) const {
    const auto value = QueryValueInfo(name);
    if (!value) return std::nullopt;
    return value->sizeBytes;
}

std::string RegistryKey::ReadBytes(std::string_view name) const {
    const auto value = ReadValue(name);
    return value ? value->data : std::string();
}

}  // namespace ks
