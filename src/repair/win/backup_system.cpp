// The code page, the clock and the backup file name on the running system.
#include <windows.h>

#include "repair/win/backup_system.h"
#include "settings/settings.h"

namespace ks {

LeadBytes SystemLeadBytes() {
    LeadBytes lead;
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) return lead;
    // Pairs of first and last lead byte, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
        lead.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    return lead;
}

BackupTime LocalBackupTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return BackupTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string MakeBackupFileName() { return MakeBackupFileName(Settings.OutputDirectory, LocalBackupTime()); }

}  // namespace ks
