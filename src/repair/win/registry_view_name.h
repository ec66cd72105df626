// How a 64-bit program names a key that this program, as a 32-bit program
// on 64-bit Windows, sees in its own (32-bit) registry view.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "scan/registry.h"

namespace ks {

// The kernel's own name of the key `root`\`path` opened in the given view
// (0 for this process's own, KEY_WOW64_64KEY or KEY_WOW64_32KEY), e.g.
// "\REGISTRY\MACHINE\SOFTWARE\Wow6432Node\X". Nothing when the key cannot be
// opened, the name not asked, or it does not fit the ANSI code page.
std::optional<std::string> KernelKeyName(RootKey root, const std::string& path, REGSAM view);

// The root-named path under which the 64-bit view shows the key this process
// opens as `root`\`path`; nothing when that is the same path (the key is not
// redirected) or cannot be told.
std::optional<std::string> NativeViewKeyPath(RootKey root, const std::string& path);

// True when the process of `window` runs 64-bit code while this process is a
// 32-bit one on 64-bit Windows: it sees the other registry view.
bool SeesOtherRegistryView(HWND window);

}  // namespace ks
