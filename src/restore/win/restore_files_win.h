// The disk as the restore dialog and the full backup see it: backup folders
// listed with sizes and local times, files read, copied without replacing,
// removed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "restore/backup_listing.h"
#include "restore/restore_backup.h"
#include "restore/shortcut_copies.h"

namespace ks {

std::unique_ptr<RestoreFiles> MakeWin32RestoreFiles();

// The registry as a UTF-16 file's import check reads it: the "W" functions,
// names as UTF-8, data as stored.
std::unique_ptr<RegistryProbe> MakeWideRegistryProbe();

// Every entry of the folder (pattern "*", all attributes, "." and ".."
// left out) with its size and last-write time in local time; nullopt when the
// folder cannot be listed to its end.
std::optional<std::vector<FolderFileInfo>> ListFolderFiles(const std::string& folder);

// The system's short date format, and its long time format.
std::string ShortDateText(const BackupTime& time);
std::string LongTimeText(const BackupTime& time);

}  // namespace ks
