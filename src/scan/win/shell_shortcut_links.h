// Shortcut targets read through the shell's link object (COM).
#pragma once

#include <memory>
#include <string_view>

#include "scan/shortcut_links.h"

namespace ks {

std::shared_ptr<ShortcutLinks> MakeShellShortcutLinks();

// One link file's target through the shell's link object, on a thread where
// COM is initialised. A file that cannot be read, or is not a whole link, is
// not loaded; the path is the UNC form where the link has one.
ShortcutTarget ReadShellLinkTarget(std::string_view shortcutPath);

}  // namespace ks
