// Files, folders, drives, environment variables and shell folders as the Win32
// "A" functions show them.
#pragma once

#include <memory>

#include "scan/file_system.h"

namespace ks {

std::unique_ptr<FileSystem> MakeWin32FileSystem();

}  // namespace ks
