// Backup folders and shortcut copies through the Win32 file functions.
#include "restore/win/restore_files_win.h"

#include <windows.h>

#include "base/text.h"
#include "repair/reg_file_text.h"
#include "scan/win/handles.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"

namespace ks {

namespace {

class Win32RestoreFiles final : public RestoreFiles {
public:
    std::optional<std::string> ReadFile(std::string_view path) override {
        const std::string name(path);
        UniqueFileHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return std::nullopt;
        std::string bytes;
        char buffer[65536];
        for (;;) {
            DWORD read = 0;
            if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
            if (read == 0) return bytes;
            bytes.append(buffer, read);
        }
    }

    bool Exists(std::string_view path) override {
        return GetFileAttributesA(std::string(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool CopyNew(std::string_view from, std::string_view to) override {
        return CopyFileA(std::string(from).c_str(), std::string(to).c_str(), TRUE) != FALSE;
    }

    bool RemoveFile(std::string_view path) override { return DeleteFileA(std::string(path).c_str()) != FALSE; }

    bool RemoveEmptyFolder(std::string_view path) override {
        return RemoveDirectoryA(std::string(path).c_str()) != FALSE;
    }

    std::optional<std::string> WriteTemporary(std::string_view bytes) override {
        char folder[MAX_PATH] = {};
        char path[MAX_PATH] = {};
        const DWORD length = GetTempPathA(MAX_PATH, folder);
        if (length == 0 || length >= MAX_PATH || !GetTempFileNameA(folder, "ksr", 0, path)) return std::nullopt;
        bool whole = false;
        {
            UniqueFileHandle file(
                CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
            DWORD written = 0;
            whole = file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                        nullptr) && written == bytes.size();
        }
        if (whole) return std::string(path);
        DeleteFileA(path);
        return std::nullopt;
    }
};

// The registry through the UTF-16 functions, names given as UTF-8 and data
// as stored: what a UTF-16 file's check reads, whatever the code page.
class WideKey final : public RegistryProbe::Key {
public:
    explicit WideKey(UniqueKey key) : key_(std::move(key)) {}

    std::optional<RegValue> ReadValue(std::string_view name) const override {
        const std::string wide = Utf8ToUtf16Le(name) + std::string(2, '\0');
        const auto* wideName = reinterpret_cast<const wchar_t*>(wide.data());
        std::string data(256, '\0');
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(data.size());
            const LSTATUS status = RegQueryValueExW(key_.get(), wideName, nullptr, &type,
                                                    reinterpret_cast<BYTE*>(data.data()), &size);
            if (status == ERROR_SUCCESS) {
                data.resize(size);
                return RegValue{std::string(name), type, std::move(data)};
            }
            if (status != ERROR_MORE_DATA) return std::nullopt;
            data.assign(size, '\0');
        }
        return std::nullopt;
    }

    std::vector<std::string> SubkeyNames() const override {
        std::vector<std::string> names;
        std::vector<wchar_t> name(256);
        for (DWORD index = 0;; ++index) {
            DWORD chars = static_cast<DWORD>(name.size());
            const LSTATUS status =
                RegEnumKeyExW(key_.get(), index, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
            if (status != ERROR_SUCCESS) break;
            names.push_back(Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(name.data()),
                                                           chars * sizeof(wchar_t))));
        }
        return names;
    }

private:
    UniqueKey key_;
};

class WideProbe final : public RegistryProbe {
public:
    std::unique_ptr<Key> Open(std::string_view fullPath) override {
        const size_t slash = fullPath.find('\\');
        const auto root = RootByName(fullPath.substr(0, slash));
        if (!root) return nullptr;
        const std::string_view rest = slash == std::string_view::npos ? std::string_view() : fullPath.substr(slash + 1);
        const std::string path = Utf8ToUtf16Le(rest) + std::string(2, '\0');
        UniqueKey key;
        if (RegOpenKeyExW(RootHandle(*root), reinterpret_cast<const wchar_t*>(path.data()), 0, KEY_READ,
                          key.put()) != ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<WideKey>(std::move(key));
    }
};

BackupTime LocalTimeOf(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

SYSTEMTIME ToSystemTime(const BackupTime& time) {
    SYSTEMTIME out{};
    out.wYear = static_cast<WORD>(time.year);
    out.wMonth = static_cast<WORD>(time.month);
    out.wDay = static_cast<WORD>(time.day);
    out.wHour = static_cast<WORD>(time.hour);
    out.wMinute = static_cast<WORD>(time.minute);
    out.wSecond = static_cast<WORD>(time.second);
    return out;
}

}  // namespace

std::unique_ptr<RestoreFiles> MakeWin32RestoreFiles() { return std::make_unique<Win32RestoreFiles>(); }

std::unique_ptr<RegistryProbe> MakeWideRegistryProbe() { return std::make_unique<WideProbe>(); }

std::optional<std::vector<FolderFileInfo>> ListFolderFiles(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = WithTrailingBackslash(folder) + "*";
    UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return std::nullopt;
    std::vector<FolderFileInfo> entries;
    // A list cut short would hide the backups it never reached.
    const bool whole = ReadWholeFolderSearch(search.get(), found, [&](const WIN32_FIND_DATAA& entry) {
        entries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow,
                           LocalTimeOf(entry.ftLastWriteTime)});
    });
    if (!whole) return std::nullopt;
    return entries;
}

std::string ShortDateText(const BackupTime& time) {
    const SYSTEMTIME at = ToSystemTime(time);
    char text[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &at, nullptr, text, sizeof text)) return {};
    return text;
}

std::string LongTimeText(const BackupTime& time) {
    const SYSTEMTIME at = ToSystemTime(time);
    char text[128] = {};
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &at, nullptr, text, sizeof text)) return {};
    return text;
}

}  // namespace ks
