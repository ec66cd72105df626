// What the restore dialog shows of a backup folder and the full backup's file
// name: which files are listed, their size and date texts, their order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_format.h"

namespace ks {

// One entry of a folder listing.
struct FolderFileInfo {
    std::string name;
    bool isFolder = false;
    std::uint64_t sizeBytes = 0;
    BackupTime lastWrite;  // local time, whole seconds
};

// One row of the backup list: file name, date text, size text.
struct BackupRow {
    std::string name;
    std::string date;
    std::string size;

    friend bool operator==(const BackupRow&, const BackupRow&) = default;
};

// The extension of the last part of a path, dot included: "" when that part
// has no dot.
std::string FileExtension(std::string_view path);

// A file the list shows: its extension, upper-cased, is exactly ".REG".
bool IsBackupFileName(std::string_view name);

// Kilobytes rounded up, digits grouped by "," in threes, then " KB":
// 0 gives "0 KB", 1025 gives "2 KB", 1048576000 gives "1,024,000 KB".
std::string KilobyteText(std::uint64_t sizeBytes);

// The time as a DOS date-time holds it: even seconds.
BackupTime AtDosResolution(const BackupTime& time);

// The date text of a time at DOS resolution: `formatDate` always, a blank and
// `formatTime` unless the time is exactly midnight.
using TimeFormatter = std::function<std::string(const BackupTime&)>;
std::string BackupDateText(const BackupTime& lastWrite, const TimeFormatter& formatDate,
                           const TimeFormatter& formatTime);

// Row order: file names descending, compared ignoring case, so that the
// date-stamped backup names list newest first. Negative when `a` goes first.
int CompareBackupRows(const BackupRow& a, const BackupRow& b);

// The rows of a folder listing: backup files only, sub-folders skipped,
// sorted.
std::vector<BackupRow> MakeBackupRows(const std::vector<FolderFileInfo>& entries, const TimeFormatter& formatDate,
                                      const TimeFormatter& formatTime);

// The full backup's file: the chosen name, with ".reg" appended unless its
// extension, upper-cased, is ".REG".
std::string FullBackupFileName(std::string chosen);

// The restore dialog's buttons along its bottom edge: "&Open Directory" as
// wide as its caption needs, the three action buttons spaced evenly between
// the left one and "&Close".
struct RestoreButtonsIn {
    int restoreLeft = 0;
    int restoreWidth = 0;
    int openWidth = 0;
    int openCaptionWidth = 0;  // in the dialog's font
    int deleteWidth = 0;
    int closeLeft = 0;
};
struct RestoreButtonsOut {
    int openLeft = 0;
    int openWidth = 0;
    int deleteLeft = 0;

    friend bool operator==(const RestoreButtonsOut&, const RestoreButtonsOut&) = default;
};
RestoreButtonsOut LayOutRestoreButtons(const RestoreButtonsIn& in);

// The progress window's bar (0..500) shows time, not progress: every 500 ms
// it moves by a step that shrinks as it fills, and stops past 500.
int BackupHintBarStep(int position);

}  // namespace ks
