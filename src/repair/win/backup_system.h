// What the backup needs to know of the running system: the ANSI code page's
// lead bytes (base/win/system_code_page.h), the local time, and the file name
// of a repair starting now.
#pragma once

#include <memory>
#include <string>

#include "base/win/system_code_page.h"
#include "repair/backup_file.h"
#include "repair/backup_format.h"
#include "repair/backup_writer.h"

namespace ks {

// GetLocalTime.
BackupTime LocalBackupTime();
// The backup file of a repair starting now, in the OutputDirectory setting.
std::string MakeBackupFileName();

// Backup files on disk: CreateFileA, written through to the disk on Flush.
std::unique_ptr<BackupStore> MakeWin32BackupStore();

// Names and text data looked at through the "W" registry functions, to find
// what the "A" functions cannot show exactly.
std::unique_ptr<TextFidelity> MakeWin32TextFidelity();

}  // namespace ks
