// The tables of the restore dialog and of the progress window shown while the
// registry editor runs.
#pragma once

#include "ui/form_table.h"

namespace ks {

// TfrmRestore: the backup folder, the list of its backup files, and the
// Restore, Open Directory, Delete and Close buttons.
const ui::FormDef& RestoreForm();

// TfrmBackupHint: the running operation's text, a bar and Stop.
const ui::FormDef& BackupHintForm();

inline constexpr int kBackupHintBarFull = 500;
inline constexpr int kBackupHintIntervalMs = 500;

}  // namespace ks
