// The backup list's rows, sizes, dates and order; the full backup's name.
#include "restore/backup_listing.h"

#include <algorithm>

#include "base/text.h"

namespace ks {

std::string FileExtension(std::string_view path) {
    const size_t lastPart = path.find_last_of("\\/:");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (lastPart != std::string_view::npos && dot < lastPart)) return {};
    return std::string(path.substr(dot));
}

bool IsBackupFileName(std::string_view name) { return UpperAnsi(FileExtension(name)) == ".REG"; }

std::string KilobyteText(std::uint64_t sizeBytes) {
    const std::uint64_t kilobytes = sizeBytes / 1024 + (sizeBytes % 1024 != 0 ? 1 : 0);
    const std::string digits = std::to_string(kilobytes);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text + " KB";
}

BackupTime AtDosResolution(const BackupTime& time) {
    BackupTime dos = time;
    dos.second -= dos.second % 2;
    return dos;
}

std::string BackupDateText(const BackupTime& lastWrite, const TimeFormatter& formatDate,
                           const TimeFormatter& formatTime) {
    const BackupTime dos = AtDosResolution(lastWrite);
    std::string text = formatDate(dos);
    if (dos.hour != 0 || dos.minute != 0 || dos.second != 0) text += ' ' + formatTime(dos);
    return text;
}

int CompareBackupRows(const BackupRow& a, const BackupRow& b) { return CompareNoCase(b.name, a.name); }

std::vector<BackupRow> MakeBackupRows(const std::vector<FolderFileInfo>& entries, const TimeFormatter& formatDate,
                                      const TimeFormatter& formatTime) {
    std::vector<BackupRow> rows;
    for (const FolderFileInfo& entry : entries) {
        if (entry.isFolder || !IsBackupFileName(entry.name)) continue;
        rows.push_back({entry.name, BackupDateText(entry.lastWrite, formatDate, formatTime),
                        KilobyteText(entry.sizeBytes)});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const BackupRow& a, const BackupRow& b) { return CompareBackupRows(a, b) < 0; });
    return rows;
}

std::string FullBackupFileName(std::string chosen) {
    if (UpperAnsi(FileExtension(chosen)) != ".REG") chosen += ".reg";
    return chosen;
}

RestoreButtonsOut LayOutRestoreButtons(const RestoreButtonsIn& in) {
    RestoreButtonsOut out;
    out.openWidth = std::max(in.openWidth, in.openCaptionWidth + 5);
    const int gap = (in.closeLeft - in.restoreLeft - in.restoreWidth - out.openWidth - in.deleteWidth) / 3;
    out.openLeft = in.restoreLeft + in.restoreWidth + gap;
    out.deleteLeft = out.openLeft + out.openWidth + gap;
    return out;
}

int BackupHintBarStep(int position) {
    if (position <= 300) return 10;
    if (position <= 400) return 5;
    if (position <= 450) return 3;
    if (position <= 490) return 2;
    if (position <= 500) return 1;
    return 0;
}

}  // namespace ks
