// SHBrowseForFolderA with centring, disabled windows and a quiet error mode.
#include "settings/win/browse_for_folder.h"

#include <shlobj.h>

#include <utility>
#include <vector>

#include "settings/settings.h"
#include "settings/win/shell_helpers.h"

namespace ks {

namespace {

// Moves the picker to the middle of the screen once it is ready. The client
// size is what is measured, as the picker has always been placed.
int CALLBACK CentrePicker(HWND picker, UINT message, LPARAM, LPARAM) noexcept {
    if (message != BFFM_INITIALIZED) return 0;
    WindowPosition at{0, 0};
    RECT client{};
    if (GetClientRect(picker, &client))
        at = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), client.right - client.left,
                             client.bottom - client.top);
    SetWindowPos(picker, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

// Owns an item-id list from the shell's allocator.
class UniqueIdList {
public:
    UniqueIdList() = default;
    UniqueIdList(const UniqueIdList&) = delete;
    UniqueIdList& operator=(const UniqueIdList&) = delete;
    ~UniqueIdList() { reset(); }
    PIDLIST_ABSOLUTE get() const noexcept { return list_; }
    void reset(PIDLIST_ABSOLUTE list = nullptr) noexcept {
        if (list_) CoTaskMemFree(list_);
        list_ = list;
    }
    explicit operator bool() const noexcept { return list_ != nullptr; }

private:
    PIDLIST_ABSOLUTE list_ = nullptr;
};

// COM for this thread while the picker runs; undone only if this call did it.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

private:
    HRESULT result_;
};

// No "insert a disk" boxes from the system while folders are listed.
class QuietErrorMode {
public:
    QuietErrorMode() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;
    ~QuietErrorMode() { SetErrorMode(previous_); }

private:
    UINT previous_;
};

// Disables every visible, enabled top-level window of this thread, as a modal
// dialog of the whole program would, and enables them again when it goes.
class DisabledThreadWindows {
public:
    DisabledThreadWindows() : active_(GetActiveWindow()) {
        EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&windows_));
        for (HWND window : windows_) EnableWindow(window, FALSE);
    }
    DisabledThreadWindows(const DisabledThreadWindows&) = delete;
    DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;
    ~DisabledThreadWindows() {
        for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
            if (IsWindow(*it)) EnableWindow(*it, TRUE);
        if (active_ && IsWindow(active_)) SetActiveWindow(active_);
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM context) noexcept {
        if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
        try {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            return TRUE;
        } catch (...) {
            return FALSE;  // out of memory: leave the rest enabled
        }
    }

    HWND active_;
    std::vector<HWND> windows_;
};

// The item-id list of a folder path, through the desktop's display-name parser.
PIDLIST_ABSOLUTE ParseFolder(HWND owner, const std::wstring& root) {
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return nullptr;
    std::wstring name(root);  // the parser takes a writable string
    ULONG eaten = 0;
    PIDLIST_RELATIVE list = nullptr;
    ULONG attributes = 0;
    const HRESULT parsed = desktop->ParseDisplayName(owner, nullptr, name.data(), &eaten, &list, &attributes);
    desktop->Release();
    return SUCCEEDED(parsed) ? reinterpret_cast<PIDLIST_ABSOLUTE>(list) : nullptr;
}

}  // namespace

bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& path, HWND owner) {
    if (!FolderExists(path)) path.clear();

    ComScope com;
    UniqueIdList rootList;
    if (!root.empty()) rootList.reset(ParseFolder(owner, root));

    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = rootList.get();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &CentrePicker;

    UniqueIdList chosen;
    {
        QuietErrorMode quiet;
        DisabledThreadWindows disabled;
        chosen.reset(SHBrowseForFolderA(&info));
    }
    if (!chosen) return false;

    char folder[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), folder) || folder[0] == '\0') return false;
    path = folder;
    return true;
}

bool BrowseForFolder(const std::string& title, const std::wstring& root, std::string& path) {
    return BrowseForFolder(title, root, path, GetActiveWindow());
}

}  // namespace ks
