// Files, folders, drives, environment variables and shell folders as the Win32
// "A" functions show them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/win/windows_header.h"
#include "scan/file_system.h"

namespace ks {

std::unique_ptr<FileSystem> MakeWin32FileSystem();

// How a folder search moves on to its next entry: FindNextFileA, or a
// stand-in that fails part-way in tests.
using FindNextEntry = BOOL(WINAPI*)(HANDLE search, WIN32_FIND_DATAA* found);

// Hands each entry of a folder search to `take`, from the one its first call
// found on ("." and ".." left out). True only when the search ran to its end:
// one cut short by an I/O error (a network or removable folder) would pass
// the names it never reached off as absent.
bool ReadWholeFolderSearch(HANDLE search, WIN32_FIND_DATAA& found,
                           const std::function<void(const WIN32_FIND_DATAA&)>& take,
                           FindNextEntry next = FindNextFileA);

// The entries of a folder search; nothing unless it ran to its end.
std::optional<std::vector<FolderEntry>> ReadFolderSearch(HANDLE search, WIN32_FIND_DATAA& found,
                                                         FindNextEntry next = FindNextFileA);

}  // namespace ks
