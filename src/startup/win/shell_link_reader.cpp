// Startup-folder shortcuts resolved by the scan's link reading.
#include "startup/win/shell_link_reader.h"

#include <windows.h>
#include <objbase.h>

#include <string_view>

#include "scan/win/shell_shortcut_links.h"

namespace ks {

namespace {

class ShellLinkReader final : public ShortcutReader {
public:
    ShortcutTarget ReadTarget(std::string_view shortcutPath) override {
        // S_FALSE (already initialised on this thread) counts as success; the
        // thread stays initialised, as the user-interface thread needs COM
        // for the shell's dialogs anyway.
        if (FAILED(CoInitialize(nullptr))) return {};
        return ReadShellLinkTarget(shortcutPath);
    }
};

}  // namespace

std::unique_ptr<ShortcutReader> MakeShellLinkReader() { return std::make_unique<ShellLinkReader>(); }

}  // namespace ks
