// Backup folders and shortcut copies through the Win32 file functions.
#include "restore/win/restore_files_win.h"

#include <windows.h>

#include "base/text.h"
#include "scan/win/handles.h"

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

std::optional<std::vector<FolderFileInfo>> ListFolderFiles(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = WithTrailingBackslash(folder) + "*";
    UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return std::nullopt;
    std::vector<FolderFileInfo> entries;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                           LocalTimeOf(found.ftLastWriteTime)});
    } while (FindNextFileA(search.get(), &found));
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
