// The registry editor's full path for this process's registry view.
#include "restore/win/registry_editor_path.h"

#include <windows.h>

#include "base/text.h"
#include "settings/win/system_info.h"

namespace ks {

namespace {

std::string FolderFrom(UINT (WINAPI* query)(LPSTR, UINT)) {
    std::string folder(MAX_PATH, '\0');
    for (;;) {
        const UINT length = query(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0) return {};
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);  // too small: the answer is the size needed
    }
}

}  // namespace

std::string RegistryEditorPath() {
    std::string folder = IsWow64() ? FolderFrom(&GetSystemWow64DirectoryA) : FolderFrom(&GetWindowsDirectoryA);
    if (folder.empty()) return {};
    return WithTrailingBackslash(std::move(folder)) + "regedit.exe";
}

}  // namespace ks
