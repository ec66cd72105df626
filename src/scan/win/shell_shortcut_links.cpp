// The shell's link object: CoInitialize once per reader, the ANSI link
// interface and its persist-file interface per shortcut.
#include "scan/win/shell_shortcut_links.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

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

class ShellShortcutReader : public ShortcutReader {
public:
    ShellShortcutReader() = default;
    ShellShortcutReader(const ShellShortcutReader&) = delete;
    ShellShortcutReader& operator=(const ShellShortcutReader&) = delete;
    // Balances the CoInitialize that made this reader, on the same thread.
    ~ShellShortcutReader() override { CoUninitialize(); }

    ShortcutTarget ReadTarget(std::string_view shortcutPath) override {
        ShortcutTarget result;
        ComOwner<IShellLinkA> link;
        ComOwner<IPersistFile> file;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put())) ||
            FAILED(link.get()->QueryInterface(IID_IPersistFile, file.put()))) {
            result.status = ShortcutTarget::Status::ObjectUnavailable;
            return result;
        }
        const std::wstring wide = Widen(shortcutPath);
        if (wide.empty() || FAILED(file.get()->Load(wide.c_str(), 0))) return result;
        result.status = ShortcutTarget::Status::Read;
        char buffer[MAX_PATH + 1] = {};
        if (SUCCEEDED(link.get()->GetPath(buffer, static_cast<int>(sizeof buffer), nullptr, SLGP_UNCPRIORITY)))
            result.path.assign(buffer, strnlen(buffer, sizeof buffer));
        return result;
    }

private:
    // The ANSI path in the ANSI code page; empty when it does not convert.
    static std::wstring Widen(std::string_view text) {
        if (text.empty() || text.size() > 0x7FFFFFF) return {};
        const int length = static_cast<int>(text.size());
        const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
        if (units <= 0) return {};
        std::wstring wide(static_cast<size_t>(units), L'\0');
        if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units) != units) return {};
        return wide;
    }
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

std::shared_ptr<ShortcutLinks> MakeShellShortcutLinks() { return std::make_shared<ShellShortcutLinks>(); }

}  // namespace ks
