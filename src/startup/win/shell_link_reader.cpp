// Resolving .lnk files with IShellLinkA and IPersistFile.
#include "startup/win/shell_link_reader.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

namespace ks {

namespace {

// Releases a COM interface when it goes.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    void** put() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

std::wstring WidePath(const std::string& path) {
    const int chars = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (chars <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), chars);
    wide.resize(static_cast<std::size_t>(chars - 1));
    return wide;
}

class ShellLinkReader final : public ShortcutReader {
public:
    std::string GetShortcutTarget(const std::string& shortcutFile) override {
        // S_FALSE (already initialised on this thread) counts as success; the
        // thread stays initialised, as the user-interface thread needs COM
        // for the shell's dialogs anyway.
        if (FAILED(CoInitialize(nullptr))) return {};
        ComPointer<IShellLinkA> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put())))
            return {};
        ComPointer<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.put()))) return {};
        const std::wstring wide = WidePath(shortcutFile);
        if (wide.empty() || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
        char target[MAX_PATH + 1] = {};
        if (FAILED(link->GetPath(target, MAX_PATH + 1, nullptr, SLGP_UNCPRIORITY))) return {};
        return std::string(target);
    }
};

}  // namespace

std::unique_ptr<ShortcutReader> MakeShellLinkReader() { return std::make_unique<ShellLinkReader>(); }

}  // namespace ks
