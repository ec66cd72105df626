// Shortcut targets read through the shell's link object (COM).
#pragma once

#include <memory>

#include "scan/shortcut_links.h"

namespace ks {

std::shared_ptr<ShortcutLinks> MakeShellShortcutLinks();

}  // namespace ks
