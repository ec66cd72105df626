// Test helpers for backups against the real registry: a scratch key, a scratch
// folder whose path holds blanks, planting and dumping through the "W"
// functions (the registry's own form of names and data), and running the
// registry editor's import as a separate process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"
#include "restore/win/registry_editor_path.h"
#include "test_files.h"

namespace ks::test {

using Bytes = std::vector<BYTE>;

// A string value's bytes as the registry stores it: UTF-16 with the NUL.
inline Bytes Utf16(const std::wstring& text, bool terminated = true) {
    const size_t units = text.size() + (terminated ? 1 : 0);
    Bytes bytes(units * 2);
    if (!text.empty()) CopyMemory(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}

inline Bytes Pattern(size_t n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<BYTE>((7 * i + 1) & 0xFF);
    return bytes;
}

struct StoredValue {
    DWORD type = 0;
    Bytes data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// A key as the "W" functions show it, names exact.
struct StoredKey {
    std::map<std::wstring, StoredValue> values;
    std::map<std::wstring, StoredKey> subkeys;
    friend bool operator==(const StoredKey&, const StoredKey&) = default;
};

inline std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char code[12];
            wsprintfA(code, "\\u%04X", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

inline void PrintTo(const StoredValue& value, std::ostream* os) {
    *os << "type " << value.type << ", " << value.data.size() << " bytes:";
    for (size_t i = 0; i < value.data.size() && i < 64; ++i) *os << ' ' << std::hex << int{value.data[i]} << std::dec;
}

inline void PrintKey(const StoredKey& key, std::ostream* os, const std::string& indent) {
    for (const auto& [name, value] : key.values) {
        *os << indent << '"' << Narrow(name) << "\" ";
        PrintTo(value, os);
        *os << '\n';
    }
    for (const auto& [name, sub] : key.subkeys) {
        *os << indent << '[' << Narrow(name) << "]\n";
        PrintKey(sub, os, indent + "  ");
    }
}

inline void PrintTo(const StoredKey& key, std::ostream* os) {
    *os << '\n';
    PrintKey(key, os, "  ");
}

inline StoredKey Dump(HKEY key) {
    StoredKey result;
    std::vector<wchar_t> name(32768);
    Bytes data(1 << 20);
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG status = RegEnumValueW(key, i, name.data(), &chars, nullptr, &type, data.data(), &size);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        result.values[std::wstring(name.data(), chars)] = {type, Bytes(data.begin(), data.begin() + size)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size());
        const LONG status = RegEnumKeyExW(key, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        const std::wstring subName(name.data(), chars);
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, subName.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            result.subkeys[subName] = Dump(sub);
            RegCloseKey(sub);
        } else {
            ADD_FAILURE() << "cannot open " << Narrow(subName);
        }
    }
    return result;
}

inline StoredKey Dump(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    StoredKey result = Dump(key);
    RegCloseKey(key);
    return result;
}

inline void Plant(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const Bytes& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << Narrow(path);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << Narrow(path) << " " << Narrow(name);
    RegCloseKey(key);
}

inline void PlantKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

inline std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// HKEY_CURRENT_USER\Software\KeyscrubTest\<area>-<pid>, created empty and
// removed with everything below it.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& area)
        : path_("Software\\KeyscrubTest\\" + area + "-" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        PlantKey(HKEY_CURRENT_USER, Wide(path_));
    }
    ~ScratchKey() {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        HKEY parent = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KeyscrubTest", 0, KEY_READ, &parent) == ERROR_SUCCESS) {
            DWORD subkeys = 1;
            RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
            RegCloseKey(parent);
            if (subkeys == 0) RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KeyscrubTest");
        }
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    // Relative to HKEY_CURRENT_USER.
    const std::string& path() const { return path_; }
    std::wstring wpath() const { return Wide(path_); }
    // As a finding names it.
    std::string full() const { return "HKEY_CURRENT_USER\\" + path_; }

private:
    std::string path_;
};

// A folder under the temporary folder whose name holds blanks, so that a
// command line that forgets its quotes shows.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& area) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "Keyscrub " + area + " " + std::to_string(GetCurrentProcessId());
        RemoveFolderTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveFolderTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Runs the registry editor as the restore does: the editor of this program's
// registry view, "/s" and the quoted file name, hidden, waiting for it to end.
// The exit code tells nothing (it is always 0), so only the start is checked here.
inline void ImportWithRegistryEditor(const std::string& file) {
    ChildProcess regedit(nullptr, "\"" + RegistryEditorPath() + "\" /s \"" + file + "\"", SW_HIDE);
    ASSERT_TRUE(regedit.started()) << regedit.failure();
    EXPECT_TRUE(regedit.Ended(180000));
}

}  // namespace ks::test
