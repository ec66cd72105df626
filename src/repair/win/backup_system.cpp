// The clock and the backup file name on the running system.
#include <windows.h>

#include "repair/win/backup_system.h"
#include "settings/settings.h"

namespace ks {

BackupTime LocalBackupTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return BackupTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string MakeBackupFileName() { return MakeBackupFileName(Settings.OutputDirectory, LocalBackupTime()); }

}  // namespace ks
