// Registry access through the Win32 "A" functions: move-only key owners,
// buffers sized from what the API reports, and enumerations that end at the
// first error other than "more data".
#include "scan/win/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan/win/handles.h"

namespace ks {

namespace {

// Growing a buffer on ERROR_MORE_DATA is retried this often before the value
// is given up; a value that keeps outgrowing every buffer is not worth a hang.
constexpr int kMaxGrowAttempts = 16;
constexpr DWORD kMinNameChars = 256;


// The API takes NUL-terminated names, so a name with a NUL inside would be cut
// short there and name a different key or value. Such names are refused.
bool HasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

struct Limits {
    DWORD maxSubkeyChars = 0;
    DWORD maxValueNameChars = 0;
    DWORD maxValueBytes = 0;
};

// The longest names and data as the key reports them; zeros when it will not say.
Limits QueryLimits(HKEY key) {
    Limits limits;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &limits.maxSubkeyChars, nullptr, nullptr,
                         &limits.maxValueNameChars, &limits.maxValueBytes, nullptr, nullptr) != ERROR_SUCCESS)
        return Limits{};
    return limits;
}

DWORD ToDword(size_t n) { return static_cast<DWORD>(std::min<size_t>(n, MAXDWORD)); }

// One subkey name by index, growing the buffer while the API asks for more.
// The status is that of the last call.
LSTATUS EnumSubkey(HKEY key, DWORD index, std::string& buffer, std::string& name) {
    for (int attempt = 0; attempt < kMaxGrowAttempts; ++attempt) {
        DWORD chars = ToDword(buffer.size());
        const LSTATUS status =
            RegEnumKeyExA(key, index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            name.assign(buffer.data(), std::min<size_t>(chars, buffer.size()));
            return status;
        }
        if (status != ERROR_MORE_DATA) return status;
        buffer.resize(buffer.size() * 2);
    }
    return ERROR_MORE_DATA;
}

class Win32Key : public RegistryKey {
public:
    explicit Win32Key(UniqueKey key) : key_(std::move(key)) {}

    std::vector<std::string> SubkeyNames() const override {
        std::vector<std::string> names;
        (void)ListSubkeys(names);
        return names;
    }

    std::optional<std::vector<std::string>> AllSubkeyNames() const override {
        std::vector<std::string> names;
        if (ListSubkeys(names) != ERROR_NO_MORE_ITEMS) return std::nullopt;
        return names;
    }

    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        std::string buffer(std::max(QueryLimits(key_.get()).maxValueNameChars + 1, kMinNameChars), '\0');
        for (DWORD index = 0;; ++index) {
            LSTATUS status = ERROR_MORE_DATA;
            DWORD chars = 0;
            for (int attempt = 0; attempt < kMaxGrowAttempts && status == ERROR_MORE_DATA; ++attempt) {
                chars = ToDword(buffer.size());
                status = RegEnumValueA(key_.get(), index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
                if (status == ERROR_MORE_DATA) buffer.resize(buffer.size() * 2);
            }
            if (status != ERROR_SUCCESS) break;
            names.emplace_back(buffer.data(), std::min<size_t>(chars, buffer.size()));
        }
        return names;
    }

    // Name, type and data of every value, one RegEnumValueA call per value as
    // long as the buffers are large enough, which the key's own limits make
    // them unless a value grows meanwhile.
    std::vector<RegValue> Values() const override {
        std::vector<RegValue> values;
        const Limits limits = QueryLimits(key_.get());
        std::string name(std::max(limits.maxValueNameChars + 1, kMinNameChars), '\0');
        // Never an empty data buffer: with no buffer the call reports success
        // and a size but no data.
        std::string data(std::max<DWORD>(limits.maxValueBytes, 1), '\0');
        for (DWORD index = 0;; ++index) {
            LSTATUS status = ERROR_MORE_DATA;
            DWORD nameChars = 0, type = 0, dataBytes = 0;
            for (int attempt = 0; attempt < kMaxGrowAttempts && status == ERROR_MORE_DATA; ++attempt) {
                nameChars = ToDword(name.size());
                dataBytes = ToDword(data.size());
                status = RegEnumValueA(key_.get(), index, name.data(), &nameChars, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &dataBytes);
                if (status != ERROR_MORE_DATA) break;
                // The data size is reported even when the name did not fit;
                // the name length is not, so a data buffer that was large
                // enough means the name buffer was not.
                if (dataBytes > data.size()) data.resize(dataBytes);
                else name.resize(name.size() * 2);
            }
            if (status != ERROR_SUCCESS) break;
            values.push_back(RegValue{std::string(name.data(), std::min<size_t>(nameChars, name.size())), type,
                                      std::string(data.data(), std::min<size_t>(dataBytes, data.size()))});
        }
        return values;
    }

    std::optional<RegValue> ReadValue(std::string_view name) const override {
        if (HasNul(name)) return std::nullopt;
        const std::string valueName(name);
        char small[512];
        DWORD type = 0;
        DWORD bytes = sizeof(small);
        LSTATUS status = RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(small), &bytes);
        if (status == ERROR_SUCCESS) return RegValue{valueName, type, std::string(small, std::min<size_t>(bytes, sizeof(small)))};
        std::string data;
        for (int attempt = 0; attempt < kMaxGrowAttempts && status == ERROR_MORE_DATA; ++attempt) {
            // The value may have grown since the size was reported: ask again.
            data.resize(std::max<size_t>({bytes, data.size() * 2, sizeof(small) * 2}));
            bytes = ToDword(data.size());
            status = RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &bytes);
        }
        if (status != ERROR_SUCCESS) return std::nullopt;
        data.resize(std::min<size_t>(bytes, data.size()));
        return RegValue{valueName, type, std::move(data)};
    }

    std::optional<ValueInfo> QueryValueInfo(std::string_view name) const override {
        if (HasNul(name)) return std::nullopt;
        const std::string valueName(name);
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        // Without a buffer the size of a text value may be that of its stored
        // (wide) form, not of the text this program receives: read those.
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            const auto value = ReadValue(name);
            if (!value) return std::nullopt;
            return ValueInfo{value->type, static_cast<std::uint32_t>(value->data.size())};
        }
        return ValueInfo{type, bytes};
    }

    std::optional<KeyInfo> Info() const override {
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        return KeyInfo{subkeys, values};
    }

    std::unique_ptr<RegistryKey> OpenSubkey(std::string_view path, Access access) const override {
        if (HasNul(path)) return nullptr;
        UniqueKey key;
        if (RegOpenKeyExA(key_.get(), std::string(path).c_str(), 0, static_cast<REGSAM>(access), key.put()) !=
            ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32Key>(std::move(key));
    }

    RegStatus DeleteValue(std::string_view name) override {
        if (HasNul(name)) return Status::InvalidParameter;
        return RegDeleteValueA(key_.get(), std::string(name).c_str());
    }

    RegStatus SetValue(const RegValue& value) override {
        if (HasNul(value.name)) return Status::InvalidParameter;
        if (value.data.size() > MAXDWORD) return Status::InvalidParameter;
        return RegSetValueExA(key_.get(), value.name.c_str(), 0, value.type,
                              reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
    }

private:
    // The names up to the first index that fails; that index's status.
    LSTATUS ListSubkeys(std::vector<std::string>& names) const {
        std::string buffer(std::max(QueryLimits(key_.get()).maxSubkeyChars + 1, kMinNameChars), '\0');
        std::string name;
        for (DWORD index = 0;; ++index) {
            const LSTATUS status = EnumSubkey(key_.get(), index, buffer, name);
            if (status != ERROR_SUCCESS) return status;
            names.push_back(name);
        }
    }

    UniqueKey key_;
};

// RegDeleteKeyA refuses a key that still has subkeys, so the subkeys go first,
// depth first. The first failure ends the walk: the key and whatever was not
// reached stay in place. Enumeration always starts again at index 0 because
// each deletion shifts the remaining names down.
LSTATUS DeleteTree(HKEY parent, const std::string& path) {
    {
        UniqueKey key;
        LSTATUS status = RegOpenKeyExA(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key.put());
        if (status != ERROR_SUCCESS) return status;
        std::string buffer(std::max(QueryLimits(key.get()).maxSubkeyChars + 1, kMinNameChars), '\0');
        std::string child;
        for (;;) {
            status = EnumSubkey(key.get(), 0, buffer, child);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS) return status;
            // An empty name would make RegDeleteKeyA delete the key it is
            // given; that cannot be a subkey's name.
            if (child.empty()) return ERROR_INVALID_PARAMETER;
            status = DeleteTree(key.get(), child);
            if (status != ERROR_SUCCESS) return status;
        }
    }
    return RegDeleteKeyA(parent, path.c_str());
}

// The name under which the kernel knows an open key ("\REGISTRY\MACHINE\...",
// "\REGISTRY\USER\<sid>_Classes\..."), or "" when the system will not say.
// It tells which hive a key opened below HKEY_CLASSES_ROOT lives in, WOW64
// redirection included; Wine answers the same way.
std::wstring KernelKeyName(HKEY root, const std::string& path) {
    using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    constexpr int kKeyNameInformation = 3;
    static const auto query = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        const auto proc = ntdll ? reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQueryKey")) : nullptr;
        return reinterpret_cast<NtQueryKeyFn>(proc);
    }();
    if (!query) return {};
    UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    // A ULONG byte count followed by that many bytes of UTF-16.
    std::vector<ULONG> buffer(1024);
    for (int attempt = 0; attempt < kMaxGrowAttempts; ++attempt) {
        ULONG needed = 0;
        const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
        const LONG status = query(key.get(), kKeyNameInformation, buffer.data(), bytes, &needed);
        if (status == 0) {
            const size_t nameBytes = std::min<size_t>(buffer[0], bytes - sizeof(ULONG));
            return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1), nameBytes / sizeof(wchar_t));
        }
        if (needed <= bytes) return {};
        buffer.resize(needed / sizeof(ULONG) + 1);
    }
    return {};
}

class Win32Registry : public Registry {
public:
    // Compares the kernel's name of the key HKEY_CLASSES_ROOT opens with the
    // names of the same path below each hive's "Software\Classes".
    std::optional<RootKey> ClassesRootHome(std::string_view path) override {
        if (path.empty() || HasNul(path)) return std::nullopt;
        const std::wstring merged = KernelKeyName(HKEY_CLASSES_ROOT, std::string(path));
        if (merged.empty()) return std::nullopt;
        const std::string below = "Software\\Classes\\" + std::string(path);
        for (const RootKey home : {RootKey::CurrentUser, RootKey::LocalMachine}) {
            const std::wstring name = KernelKeyName(RootHandle(home), below);
            if (!name.empty() && lstrcmpiW(name.c_str(), merged.c_str()) == 0) return home;
        }
        return std::nullopt;
    }

    // The same comparison for the current user's hive. HKEY_CURRENT_USER
    // itself is a predefined handle the kernel has no name for (measured
    // under Wine: NtQueryKey answers STATUS_INVALID_HANDLE), so its Software
    // key is named instead, and the hive found is checked from HKEY_USERS.
    std::optional<std::string> CurrentUserHive() override {
        const std::wstring software = KernelKeyName(HKEY_CURRENT_USER, "Software");
        static constexpr wchar_t kUsersPrefix[] = L"\\REGISTRY\\USER\\";
        constexpr size_t prefixLength = sizeof kUsersPrefix / sizeof kUsersPrefix[0] - 1;
        if (software.size() <= prefixLength || lstrcmpiW(software.substr(0, prefixLength).c_str(), kUsersPrefix) != 0)
            return std::nullopt;
        const size_t end = software.find(L'\\', prefixLength);
        if (end == std::wstring::npos || end == prefixLength) return std::nullopt;
        std::string hive;
        for (size_t i = prefixLength; i < end; ++i) {
            // A SID or another plain name; anything else is not ours to guess.
            if (software[i] < 0x20 || software[i] > 0x7E) return std::nullopt;
            hive.push_back(static_cast<char>(software[i]));
        }
        const std::wstring again = KernelKeyName(HKEY_USERS, hive + "\\Software");
        if (again.empty() || lstrcmpiW(again.c_str(), software.c_str()) != 0) return std::nullopt;
        return hive;
    }

    std::unique_ptr<RegistryKey> OpenKey(RootKey root, std::string_view path, Access access) override {
        if (HasNul(path)) return nullptr;
        UniqueKey key;
        if (RegOpenKeyExA(RootHandle(root), std::string(path).c_str(), 0, static_cast<REGSAM>(access), key.put()) !=
            ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32Key>(std::move(key));
    }

    RegStatus DeleteKey(RootKey root, std::string_view path) override {
        if (HasNul(path)) return Status::InvalidParameter;
        // With an empty path RegDeleteKeyA deletes the key it is handed, and
        // the tree walk would first empty it: a whole root. Never.
        if (path.find_first_not_of('\\') == std::string_view::npos) return Status::AccessDenied;
        return DeleteTree(RootHandle(root), std::string(path));
    }

    std::unique_ptr<RegistryKey> CreateKey(RootKey root, std::string_view path) override {
        if (HasNul(path)) return nullptr;
        UniqueKey key;
        if (RegCreateKeyExA(RootHandle(root), std::string(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32Key>(std::move(key));
    }
};

}  // namespace

HKEY RootHandle(RootKey root) {
    switch (root) {
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::Users: return HKEY_USERS;
    case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

std::unique_ptr<Registry> MakeWin32Registry() { return std::make_unique<Win32Registry>(); }

}  // namespace ks
