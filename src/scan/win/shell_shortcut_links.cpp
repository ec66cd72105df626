// The shell's link object: CoInitialize once per reader, the ANSI link
// interface and its persist-file interface per shortcut, each file's shape
// checked before the object loads it.
#include "scan/win/shell_shortcut_links.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <string>

#include "scan/shell_link_file.h"

namespace ks {

namespace {

// Releases one interface pointer when it goes.
template <typename Interface>
class ComOwner {
public:
    ComOwner() = default;
    ComOwner(const ComOwner&) = delete;
    ComOwner& operator=(const ComOwner&) = delete;
    ~ComOwner() {
        if (pointer_) pointer_->Release();
    }
    Interface* get() const { return pointer_; }
    void** put() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// The ANSI path in the ANSI code page; empty when it does not convert.
std::wstring Widen(std::string_view text) {
    if (text.empty() || text.size() > 0x7FFFFFF) return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units) != units) return {};
    return wide;
}

// The file's first bytes, as many as a link's header, item-ID list and
// link-info block could need; nothing when it cannot be read.
std::string ReadLinkStart(const std::wstring& path) {
    constexpr DWORD kMostBytes = 1 << 20;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    DWORD read = 0;
    std::string bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes.resize(size.QuadPart < kMostBytes ? static_cast<std::size_t>(size.QuadPart) : kMostBytes);
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
    }
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

class ShellShortcutReader : public ShortcutReader {
public:
    ShellShortcutReader() = default;
    ShellShortcutReader(const ShellShortcutReader&) = delete;
    ShellShortcutReader& operator=(const ShellShortcutReader&) = delete;
    // Balances the CoInitialize that made this reader, on the same thread.
    ~ShellShortcutReader() override { CoUninitialize(); }

    ShortcutTarget ReadTarget(std::string_view shortcutPath) override { return ReadShellLinkTarget(shortcutPath); }
};

class ShellShortcutLinks : public ShortcutLinks {
public:
    std::unique_ptr<ShortcutReader> OpenOnThisThread() override {
        // S_FALSE (already initialised here) is a success that needs its own
        // CoUninitialize as well.
        if (FAILED(CoInitialize(nullptr))) return nullptr;
        return std::make_unique<ShellShortcutReader>();
    }
};

}  // namespace

ShortcutTarget ReadShellLinkTarget(std::string_view shortcutPath) {
    ShortcutTarget result;
    ComOwner<IShellLinkA> link;
    ComOwner<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put())) ||
        FAILED(link.get()->QueryInterface(IID_IPersistFile, file.put()))) {
        result.status = ShortcutTarget::Status::ObjectUnavailable;
        return result;
    }
    const std::wstring wide = Widen(shortcutPath);
    if (wide.empty() || !IsWholeShellLink(ReadLinkStart(wide)) || FAILED(file.get()->Load(wide.c_str(), STGM_READ)))
        return result;
    result.status = ShortcutTarget::Status::Read;
    char buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(link.get()->GetPath(buffer, static_cast<int>(sizeof buffer), nullptr, SLGP_UNCPRIORITY)))
        result.path.assign(buffer, strnlen(buffer, sizeof buffer));
    return result;
}

std::shared_ptr<ShortcutLinks> MakeShellShortcutLinks() { return std::make_shared<ShellShortcutLinks>(); }

}  // namespace ks
