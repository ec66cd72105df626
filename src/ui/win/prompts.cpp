// The real prompts: message boxes, the save-file dialog, the folder picker and
// the shell's "open".
#include "ui/win/prompts.h"

#include <commdlg.h>
#include <shellapi.h>

#include <utility>
#include <vector>

#include "ui/win/window.h"

namespace ks::ui {

namespace {

class ScreenPrompts final : public Prompts {
public:
    int ShowMessage(HWND owner, const std::string& text, UINT style) override {
        return MessageBoxA(owner, text.c_str(), kProgramTitle, style);
    }

    std::optional<std::string> SaveFile(HWND owner, const SaveFileRequest& request) override {
        const std::string filter = CommonDialogFilter(request.filter);
        std::vector<char> name(MAX_PATH * 4, '\0');
        request.fileName.copy(name.data(), name.size() - 1);
        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = name.data();
        dialog.nMaxFile = static_cast<DWORD>(name.size());
        dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
        dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameA(&dialog)) return std::nullopt;
        return std::string(name.data());
    }

    std::optional<std::string> PickFolder(HWND owner, const std::string& title, const std::wstring& root) override {
        std::string path;
        const auto browse = Lent().browseForFolder;
        if (!browse || !browse(title, root, path, owner)) return std::nullopt;
        return path;
    }

    void OpenAddress(HWND owner, const std::string& address) override {
        ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

Prompts*& Current() {
    static ScreenPrompts screen;
    static Prompts* current = &screen;
    return current;
}

}  // namespace

Prompts& CurrentPrompts() { return *Current(); }

ScopedPrompts::ScopedPrompts(Prompts& replacement) : previous_(std::exchange(Current(), &replacement)) {}

ScopedPrompts::~ScopedPrompts() { Current() = previous_; }

}  // namespace ks::ui
