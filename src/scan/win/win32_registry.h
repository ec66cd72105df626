// The registry as the Win32 "A" functions show it.
#pragma once

#include <windows.h>

#include <memory>

#include "scan/registry.h"

namespace ks {

// Reads, writes and deletes through RegOpenKeyExA and friends. In a 32-bit
// process on 64-bit Windows this is the 32-bit view, as for any such program.
std::unique_ptr<Registry> MakeWin32Registry();

// The predefined handle of a root key.
HKEY RootHandle(RootKey root);

}  // namespace ks
