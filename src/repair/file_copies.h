// Deleting a file (a stale shortcut) so that it can be brought back: a proven
// copy goes into a folder beside the repair's backup file first, with its
// original path in that folder's index.
#pragma once

#include <string>
#include <string_view>

#include "repair/repair.h"

namespace ks {

// The folder for the copies of a backup file: its path without ".reg".
std::string FileCopyFolder(std::string_view backupFile);

// The name under which the copy index lists a file's copies.
inline constexpr std::string_view kFileCopyIndexName = "index.txt";

// Copies the file into FileCopyFolder as "<n>_<name>" (n the first free
// number), writes, flushes and reads the copy back, compares it with the file
// as it is now, records "<stored name> TAB <original path> CR LF" in the
// index, makes sure the backup file exists (its header at least, so the
// restore dialog lists it), and only then deletes the file. Any failure
// deletes nothing and takes back what it wrote.
RemoveResult DeleteFileWithCopy(RepairContext& context, const std::string& backupFile, std::string_view filePath);

}  // namespace ks
