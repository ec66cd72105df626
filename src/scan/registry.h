// What the checks and the repair may ask of the registry. Nothing else in the
// scan and repair logic touches it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// "HKEY_CLASSES_ROOT" … "HKEY_CURRENT_CONFIG", matched ignoring case; any other
// text names no root.
std::optional<RootKey> RootByName(std::string_view name);
const char* RootName(RootKey root);

// Rights asked for when a key is opened.
enum class Access : std::uint32_t {
    Read = 0x20019,            // KEY_READ
    Full = 0xF003F,            // KEY_ALL_ACCESS
    QueryEnumerate = 0x20009,  // KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | READ_CONTROL
};

// Registry value types, numbered as Windows stores them.
namespace RegType {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t String = 1;
constexpr std::uint32_t ExpandString = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t DwordBigEndian = 5;
constexpr std::uint32_t Link = 6;
constexpr std::uint32_t MultiString = 7;
constexpr std::uint32_t Qword = 11;
}  // namespace RegType

// The value types the checks distinguish; every other type reads as None.
enum class ValueKind { None, String, ExpandString, Integer, Bytes };

// Win32 status codes as the registry functions return them.
using RegStatus = long;
namespace Status {
constexpr RegStatus Ok = 0;
constexpr RegStatus FileNotFound = 2;
constexpr RegStatus AccessDenied = 5;
constexpr RegStatus InvalidHandle = 6;
constexpr RegStatus InvalidParameter = 87;
constexpr RegStatus BadPathname = 161;  // a key path that begins with a backslash
constexpr RegStatus MoreData = 234;
constexpr RegStatus NoMoreItems = 259;
constexpr RegStatus KeyDeleted = 1018;  // the open key was deleted meanwhile
}  // namespace Status

// The right a handle needs to set or delete values (KEY_SET_VALUE): full
// access has it, read and query-enumerate access do not.
constexpr std::uint32_t kSetValueRight = 0x0002;

// One value exactly as stored: the data is the raw bytes, terminators and all.
struct RegValue {
    std::string name;
    std::uint32_t type = RegType::None;
    std::string data;

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

// The text of a registry string as stored: up to its first NUL, or all of it
// when it was stored without one.
inline std::string_view StringData(const std::string& data) {
    const std::string_view view(data);
    return view.substr(0, view.find('\0'));
}

// The first four bytes of a value's data, little-endian; 0 when shorter.
std::uint32_t IntegerData(std::string_view data);

struct KeyInfo {
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
};

// What a value is without its data.
struct ValueInfo {
    std::uint32_t type = RegType::None;
    std::uint32_t sizeBytes = 0;

    friend bool operator==(const ValueInfo&, const ValueInfo&) = default;
};

// An open key. Closing happens when the object goes.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // Names in enumeration order. An enumeration ends at the first error other
    // than "more data", so a key that answers every index with an error still ends.
    virtual std::vector<std::string> SubkeyNames() const = 0;
    // Every subkey name, or nothing when the enumeration ended on an error
    // other than "no more items": for lists that are only worth something
    // whole, where a name left out would be taken for one that is not there.
    // A key that cannot tell answers nothing.
    virtual std::optional<std::vector<std::string>> AllSubkeyNames() const { return std::nullopt; }
    virtual std::vector<std::string> ValueNames() const = 0;
    // Every value with its type and data, one enumeration call per value.
    virtual std::vector<RegValue> Values() const = 0;

    // One value by name ("" is the default value); nullopt when it is absent or
    // cannot be read. The result carries the name as asked, not as stored.
    virtual std::optional<RegValue> ReadValue(std::string_view name) const = 0;
    // Type and size of one value without reading its data; nullopt as ReadValue.
    // The default reads the whole value; implementations may ask for less.
    virtual std::optional<ValueInfo> QueryValueInfo(std::string_view name) const;
    virtual std::optional<KeyInfo> Info() const = 0;

    // A key below this one; never creates. Null when missing or refused.
    virtual std::unique_ptr<RegistryKey> OpenSubkey(std::string_view path, Access access) const = 0;

    // Needs a key opened with kSetValueRight; names holding a NUL are refused.
    [[nodiscard]] virtual RegStatus DeleteValue(std::string_view name) = 0;
    // Writing is for restoring and for tests that plant data; scans never write.
    [[nodiscard]] virtual RegStatus SetValue(const RegValue& value) = 0;

    // Convenience reads over ReadValue.
    ValueKind ValueType(std::string_view name) const;
    bool ValueExists(std::string_view name) const;
    // The text up to its first NUL, unexpanded; "" when absent or empty.
    std::string ReadString(std::string_view name) const;
    // The first four bytes, little-endian; 0 when absent or shorter.
    std::uint32_t ReadInteger(std::string_view name) const;
    std::optional<std::uint32_t> DataSize(std::string_view name) const;
    std::string ReadBytes(std::string_view name) const;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Never creates. Null when the key is missing or the rights are refused.
    virtual std::unique_ptr<RegistryKey> OpenKey(RootKey root, std::string_view path, Access access) = 0;
    // Removes the key with its whole subtree. A root itself (empty path) is
    // never deleted, and a path holding a NUL is refused rather than cut short.
    [[nodiscard]] virtual RegStatus DeleteKey(RootKey root, std::string_view path) = 0;
    // Opens the key, creating it and its parents when missing: for restoring and
    // for tests that plant data.
    virtual std::unique_ptr<RegistryKey> CreateKey(RootKey root, std::string_view path) = 0;

    // Which hive holds the key that HKEY_CLASSES_ROOT\path opens: the current
    // user's or the machine's, each below "Software\Classes". Nothing when that
    // cannot be told (a missing key, or a registry that will not say).
    virtual std::optional<RootKey> ClassesRootHome(std::string_view path);
    // The name of the HKEY_USERS subkey that HKEY_CURRENT_USER opens (the
    // current user's SID). Nothing when that cannot be told.
    virtual std::optional<std::string> CurrentUserHive();

    bool KeyExists(RootKey root, std::string_view path) {
        return OpenKey(root, path, Access::QueryEnumerate) != nullptr;
    }
};

// Splits "HKEY_CURRENT_USER\Software\X" into its root and the path below it.
// False when the text before the first backslash names no root. A text with
// no backslash is a bare root with an empty path.
bool SplitKeyPath(std::string_view keyPath, RootKey& root, std::string& path);

}  // namespace ks
