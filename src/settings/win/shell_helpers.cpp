// Application-data folder, program folder, folder creation and silent deletion.
#include "settings/win/shell_helpers.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "base/text.h"
#include "settings/settings.h"

namespace ks {

std::string GetAppDataFolder() {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &list)) || !list) return {};
    char path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (!found || path[0] == '\0') return {};
    return WithTrailingBackslash(path);
}

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A name that fills the buffer may have been cut: ask again with more room.
        if (length < path.size()) {
            const std::string file(path.data(), length);
            const std::size_t slash = file.find_last_of('\\');
            return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolderTree(const std::string& folder) {
    if (FolderExists(folder)) return true;
    // Each step may fail because the folder is already there; only the end counts.
    for (const std::string& step : FolderChain(folder)) CreateDirectoryA(step.c_str(), nullptr);
    return FolderExists(folder);
}

bool DeleteFileSilently(const std::string& path) {
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
    if (FolderExists(path)) return false;

    // The source is a list of names ended by an empty one: two NULs.
    std::string from(path);
    from.push_back('\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}

}  // namespace ks
