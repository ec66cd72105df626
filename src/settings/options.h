// What the options dialog edits: copies of the settings the user may change
// directly, the rules of its ignore-list pages, and its texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace ks {

// A switch of the "General" page and the setting it is bound to.
struct OptionSwitch {
    const char* control;
    bool SettingsRecord::*setting;
};

inline constexpr OptionSwitch kOptionSwitches[] = {
    {"cbCreateRestore", &SettingsRecord::RestorePoint},
    {"cbDeleteBackupFile", &SettingsRecord::DeleteBackupFile},
    {"cbIncludeRemoveMedia", &SettingsRecord::IncludeRemoveMedia},
    {"cbIncludeCDdrive", &SettingsRecord::IncludeCDdrive},
    {"cbShowHint", &SettingsRecord::ShowHint},
    {"cbBeep", &SettingsRecord::Beep},
};

// The ignore lists as the dialog shows them: the first Count entries of each.
std::vector<std::string> ShownIgnoreValues(const SettingsRecord& settings);
std::vector<std::string> ShownIgnoreKeys(const SettingsRecord& settings);

// Replaces a list and its count with the dialog's rows, in row order.
void StoreIgnoreLists(SettingsRecord& settings, const std::vector<std::string>& values,
                      const std::vector<std::string>& keys);

// Which list the buttons of the "Ignore Lists" page work on, by the inner
// page control's active page.
enum class IgnoreListChoice { Values, Keys };
IgnoreListChoice ActiveIgnoreList(int innerPage);

// The add button's rule: true when no row equals `entry` ignoring case.
bool CanAddIgnoreEntry(const std::vector<std::string>& rows, std::string_view entry);

// The rows to delete for the remove button: every ticked row, last first.
std::vector<int> TickedRowsLastFirst(const std::vector<bool>& ticked);

// The restore-point switch's caption after translation: everything before
// "(XP" (found in any case) followed by "(XP, Vista, 7, 8)"; a caption
// without it stays as it is.
std::string RestorePointCaption(std::string_view caption);

// The OK button's message for a folder that does not exist:
// folder + "," + "The backup directory does not exist." in the active language.
std::string MissingBackupFolderMessage(std::string_view folder);

}  // namespace ks
