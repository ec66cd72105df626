// A second look at the registry through the "W" functions: every name and
// every text value must come through the ANSI code page unchanged, or the
// backup written from the "A" view would restore something else.
#include <windows.h>

#include <string>
#include <vector>

#include "repair/win/backup_system.h"
#include "scan/win/handles.h"
#include "scan/win/win32_registry.h"

namespace ks {

namespace {

// The ANSI text as UTF-16; false when it is not valid in the code page.
bool ToWide(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<size_t>(needed));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), needed) == needed;
}

// Whether the UTF-16 text survives the trip to the code page and back: a
// character the code page lacks comes back as "?" or as a look-alike.
bool SurvivesCodePage(const wchar_t* text, size_t length) {
    if (length == 0) return true;
    const int wideLength = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, wideLength, ansi.data(), bytes, nullptr, nullptr) != bytes) return false;
    std::wstring back;
    return ToWide(ansi, back) && back.size() == length && back.compare(0, length, text, length) == 0;
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

bool TextDataSurvives(DWORD type, const std::vector<BYTE>& data, DWORD size) {
    if (!IsTextType(type)) return true;
    // Half a UTF-16 unit has no ANSI form that reads back the same.
    if (size % 2 != 0) return false;
    std::wstring text(size / 2, L'\0');
    if (size != 0) CopyMemory(text.data(), data.data(), size);
    return SurvivesCodePage(text.data(), text.size());
}

// Every value, then every subkey, recursively. Any error other than the end
// of an enumeration fails the check: what cannot be looked at cannot be
// vouched for.
bool TreeSurvives(HKEY key, bool recurse) {
    DWORD subkeys = 0, maxSubkeyChars = 0, values = 0, maxValueChars = 0, maxDataBytes = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkeyChars, nullptr, &values, &maxValueChars,
                         &maxDataBytes, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(maxValueChars + 2);
    std::vector<BYTE> data(maxDataBytes + 2);
    for (DWORD index = 0;; ++index) {
        DWORD nameChars = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG status = RegEnumValueW(key, index, name.data(), &nameChars, nullptr, &type, data.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {
            // The value grew since the key was asked; ask again with room.
            if (name.size() < 32768) name.resize(32768);
            if (size + 2 > data.size()) data.resize(size + 2);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) return false;
        if (!SurvivesCodePage(name.data(), nameChars) || !TextDataSurvives(type, data, size)) return false;
    }
    if (!recurse) return true;
    std::vector<wchar_t> subkey(maxSubkeyChars + 2 < 256 ? 256 : maxSubkeyChars + 2);
    for (DWORD index = 0;; ++index) {
        DWORD chars = static_cast<DWORD>(subkey.size());
        const LONG status = RegEnumKeyExW(key, index, subkey.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {
            subkey.resize(subkey.size() * 2);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS || !SurvivesCodePage(subkey.data(), chars)) return false;
        UniqueKey child;
        if (RegOpenKeyExW(key, std::wstring(subkey.data(), chars).c_str(), 0, KEY_READ, child.put()) != ERROR_SUCCESS)
            return false;
        if (!TreeSurvives(child.get(), true)) return false;
    }
    return true;
}

bool OpenWide(RootKey root, std::string_view path, UniqueKey& key) {
    std::wstring widePath;
    if (!ToWide(path, widePath)) return false;
    return RegOpenKeyExW(RootHandle(root), widePath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

class Win32TextFidelity : public TextFidelity {
public:
    bool KeyTreeIsExact(RootKey root, std::string_view path) const override {
        UniqueKey key;
        return OpenWide(root, path, key) && TreeSurvives(key.get(), true);
    }

    bool ValueIsExact(RootKey root, std::string_view path, std::string_view name) const override {
        UniqueKey key;
        std::wstring wideName;
        if (!OpenWide(root, path, key) || !ToWide(name, wideName)) return false;
        // The name as the "A" functions gave it must be the stored name: look
        // the value up under it, then check its text.
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        std::vector<BYTE> data(size + 2);
        DWORD got = size;
        if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(), &got) != ERROR_SUCCESS ||
            got != size)
            return false;
        return SurvivesCodePage(wideName.data(), wideName.size()) && TextDataSurvives(type, data, got);
    }
};

}  // namespace

std::unique_ptr<TextFidelity> MakeWin32TextFidelity() { return std::make_unique<Win32TextFidelity>(); }

}  // namespace ks
