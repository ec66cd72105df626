// Shortcut targets through the shell's link object.
#pragma once

#include <memory>

#include "startup/startup_list.h"

namespace ks {

// Initialises COM for the calling thread on first use (and leaves it so);
// loads each shortcut read-only and asks for its path, UNC form preferred.
std::unique_ptr<ShortcutReader> MakeShellLinkReader();

}  // namespace ks
