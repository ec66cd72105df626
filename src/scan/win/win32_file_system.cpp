// The file-system and system questions of the checks, answered by Win32.
#include "scan/win/win32_file_system.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// The interface's DeleteFile, not the macro for DeleteFileA.
#undef DeleteFile

#include <memory>
#include <string>

#include "scan/win/handles.h"
#include "base/text.h"
#include "base/win/system_code_page.h"
#include "settings/win/system_info.h"

namespace ks {

namespace {

// ExpandEnvironmentStringsA writes into a buffer of this many characters; a
// longer result counts as a failed expansion.
constexpr DWORD kExpandBufferChars = 1024;

// A path with a NUL inside would be cut short by the API and name another file.
bool HasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

DWORD Attributes(std::string_view path) {
    if (path.empty() || HasNul(path)) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesA(std::string(path).c_str());
}

// Holds SEM_FAILCRITICALERRORS on top of the current error mode while it
// lives, so that touching an empty drive fails instead of asking for a disk.
class CriticalErrorsSilenced {
public:
    CriticalErrorsSilenced() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
        SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
    }
    ~CriticalErrorsSilenced() { SetErrorMode(previous_); }
    CriticalErrorsSilenced(const CriticalErrorsSilenced&) = delete;
    CriticalErrorsSilenced& operator=(const CriticalErrorsSilenced&) = delete;

private:
    UINT previous_;
};

// SEM_FAILCRITICALERRORS added to the calling thread's error mode, the
// earlier mode given back when it goes.
class ErrorModeHeld : public ThreadSetting {
public:
    ErrorModeHeld() {
        if (setThreadMode_) {
            setThreadMode_(SEM_FAILCRITICALERRORS, &previous_);
            setThreadMode_(previous_ | SEM_FAILCRITICALERRORS, nullptr);
        } else {
            previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
            SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
        }
    }
    ~ErrorModeHeld() override {
        if (setThreadMode_) setThreadMode_(previous_, nullptr);
        else SetErrorMode(previous_);
    }
    ErrorModeHeld(const ErrorModeHeld&) = delete;
    ErrorModeHeld& operator=(const ErrorModeHeld&) = delete;

private:
    using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, DWORD*);
    static inline const SetThreadErrorModeFn setThreadMode_ = reinterpret_cast<SetThreadErrorModeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadErrorMode")));
    DWORD previous_ = 0;
};

struct PidlFree {
    void operator()(ITEMIDLIST* pidl) const noexcept { CoTaskMemFree(pidl); }
};
using UniquePidl = std::unique_ptr<ITEMIDLIST, PidlFree>;

class Win32FileSystem : public FileSystem {
public:
    bool FileExists(std::string_view path) override {
        const DWORD attributes = Attributes(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool FolderExists(std::string_view path) override {
        const DWORD attributes = Attributes(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    std::uint32_t DriveType(char letter) override {
        const char root[] = {letter, ':', '\\', '\0'};
        return GetDriveTypeA(root);
    }

    bool DriveReady(std::string_view root) override {
        if (root.empty() || HasNul(root)) return false;
        const std::string rootPath(root);
        CriticalErrorsSilenced silenced;
        return GetVolumeInformationA(rootPath.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != FALSE;
    }

    std::string ExpandVariables(std::string_view text) override {
        if (HasNul(text)) return std::string(text);
        char buffer[kExpandBufferChars];
        // The answer counts the terminating NUL; more than the buffer holds
        // means the text did not fit and nothing usable was written.
        const DWORD chars = ExpandEnvironmentStringsA(std::string(text).c_str(), buffer, kExpandBufferChars);
        if (chars == 0 || chars > kExpandBufferChars) return std::string(text);
        return Trim(std::string_view(buffer, chars - 1));
    }

    std::string SpecialFolder(int csidl) override {
        ITEMIDLIST* raw = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw)) || !raw) return {};
        UniquePidl pidl(raw);
        char path[MAX_PATH] = {};
        if (!SHGetPathFromIDListA(pidl.get(), path)) return {};
        return path;
    }

    std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) override {
        if (path.empty() || HasNul(path)) return std::nullopt;
        std::string pattern(path);
        const char last = pattern.back();
        if (last == '/' || last == ':') pattern += '*';
        else pattern = WithTrailingBackslash(std::move(pattern)) + "*";
        WIN32_FIND_DATAA found;
        UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &found));
        std::vector<FolderEntry> entries;
        if (!search) {
            // No match at all in a folder that exists is an empty folder (a
            // drive root has no "." entry); anything else cannot be read.
            if (GetLastError() == ERROR_FILE_NOT_FOUND && FolderExists(path)) return entries;
            return std::nullopt;
        }
        return ReadFolderSearch(search.get(), found);
    }

    // The shell deletes whatever the source list names: a folder with all its
    // content, or every match of a wildcard. Only one existing file, by its
    // full path, is ever handed over. FOF_NOERRORUI keeps a failure from
    // waiting for someone to close a message box.
    bool DeleteFile(std::string_view path) override {
        if (path.empty() || HasNul(path) || path.find_first_of("*?") != std::string_view::npos) return false;
        char full[MAX_PATH];
        const DWORD chars = GetFullPathNameA(std::string(path).c_str(), MAX_PATH, full, nullptr);
        if (chars == 0 || chars >= MAX_PATH) return false;
        if (!FileExists(full)) return false;
        std::string from(full, chars);
        from.append(2, '\0');  // a list of one name, ended by an empty one
        SHFILEOPSTRUCTA operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
    }

    std::uint8_t WindowsVersionCode() override { return GetWindowsVersion(); }
    bool IsWow64() override { return ks::IsWow64(); }

    LeadBytes CodePage() override { return SystemLeadBytes(); }

    // The handle of the folder itself tells where it really is. Under Wine a
    // profile folder that is a symbolic link to the Unix home resolves to
    // "\\?\Z:\home\user" (measured). The function came with Vista: looked up.
    std::string ResolvedFolder(std::string_view path) override {
        using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
        static const auto finalPath = reinterpret_cast<FinalPathFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
        std::string given(path);
        if (!finalPath || path.empty() || HasNul(path)) return given;
        // Asking for no rights at all opens a folder without disturbing anyone
        // who has it open; backup semantics are what lets a folder be opened.
        UniqueFileHandle folder(CreateFileA(given.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder) return given;
        std::string resolved(MAX_PATH, '\0');
        for (int attempt = 0; attempt < 2; ++attempt) {
            const DWORD chars = finalPath(folder.get(), resolved.data(), static_cast<DWORD>(resolved.size()), 0);
            if (chars == 0) return given;
            if (chars < resolved.size()) {
                resolved.resize(chars);
                // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\share" is "\\server\share".
                if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) return "\\" + resolved.substr(7);
                if (resolved.rfind("\\\\?\\", 0) == 0) return resolved.substr(4);
                return resolved;
            }
            resolved.resize(chars);  // the size needed, its NUL included
        }
        return given;
    }

    // Per thread where the system has it (Windows 7 on), so the scan worker
    // leaves the rest of the program alone; for the whole process before.
    std::unique_ptr<ThreadSetting> SilenceCriticalErrors() override { return std::make_unique<ErrorModeHeld>(); }
};

}  // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

bool ReadWholeFolderSearch(HANDLE search, WIN32_FIND_DATAA& found,
                           const std::function<void(const WIN32_FIND_DATAA&)>& take, FindNextEntry next) {
    do {
        const std::string_view name(found.cFileName);
        if (name != "." && name != "..") take(found);
    } while (next(search, &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<std::vector<FolderEntry>> ReadFolderSearch(HANDLE search, WIN32_FIND_DATAA& found, FindNextEntry next) {
    std::vector<FolderEntry> entries;
    const bool whole = ReadWholeFolderSearch(
        search, found,
        [&](const WIN32_FIND_DATAA& entry) {
            entries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        },
        next);
    if (!whole) return std::nullopt;
    return entries;
}

}  // namespace ks
