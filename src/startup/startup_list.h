// The startup manager's list: the programs Windows starts at logon, read from
// the Run-type registry keys and the two Startup folders, and the removal of
// ticked entries with a backup first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repair/repair.h"
#include "scan/file_system.h"
#include "scan/registry.h"
#include "scan/shortcut_links.h"

namespace ks {

// Shell folder ids of the two Startup folders.
constexpr int kCsidlStartup = 0x07;
constexpr int kCsidlCommonStartup = 0x18;

// One place startup entries are read from: a registry key, or a shell folder
// when `ShellFolder` is not 0.
struct StartupSource {
    std::string RootName;
    std::string KeyPath;
    int ShellFolder = 0;
    std::string LabelKey;  // RES_ key of the folder's label
    std::string LabelEnglish;
    friend bool operator==(const StartupSource&, const StartupSource&) = default;
};

// One row of the list. The Location is only shown: the row's source is what
// its deletion goes by, so that no translated label can name another folder.
struct StartupEntry {
    std::string Caption;   // value name, or the shortcut's file name with its ".lnk"
    std::string File;      // value data as stored, or the shortcut's target
    std::string Location;  // root + "\" + key path, or the folder's label
    StartupSource Source;
    friend bool operator==(const StartupEntry&, const StartupEntry&) = default;
};

// RunServices exists only on the 95/98/Me version codes (1 to 4 and 8).
bool HasRunServices(std::uint8_t windowsVersion);

// The sources in the order their rows are listed.
std::vector<StartupSource> StartupSources(std::uint8_t windowsVersion);

// String values (REG_SZ, REG_EXPAND_SZ, unexpanded) of one key, in the
// registry's order; the default value gives a row with an empty caption. A key
// that cannot be opened with full access adds nothing.
void ListRegistryStartup(Registry& registry, std::string_view rootName, std::string_view keyPath,
                         std::vector<StartupEntry>& rows);

// A shell folder's path with a trailing backslash; "" when it has none.
std::string GetShellFolder(FileSystem& files, int shellFolder);

// The ".lnk" files (extension in any case) of a shell folder whose target is
// not empty; sub-folders are not entered. Their Location is `label`.
void ListStartupFolder(FileSystem& files, ShortcutReader& shortcuts, const StartupSource& source,
                       const std::string& label, std::vector<StartupEntry>& rows);

// Every source in order, folder labels in the active language.
std::vector<StartupEntry> ListStartupEntries(Registry& registry, FileSystem& files, ShortcutReader& shortcuts,
                                             std::uint8_t windowsVersion, TextLookup lookupText = nullptr);

// The list as the deletion sees it.
class StartupRows {
public:
    virtual ~StartupRows() = default;
    virtual std::size_t Count() const = 0;
    virtual bool IsChecked(std::size_t row) const = 0;
    virtual StartupEntry Entry(std::size_t row) const = 0;
    virtual void Remove(std::size_t row) = 0;
};

struct StartupDeleteOutcome {
    // False when nothing was tried: no ticked row, or the backup folder was
    // missing and refused or could not be made.
    bool started = false;
    std::size_t removed = 0;
    // Ticked rows still in the list afterwards: refused, already gone, a
    // location that names nothing, or left unvisited when a backup could not
    // be written.
    std::size_t notRemoved = 0;
    std::string backupFile;
};

// Removes the ticked rows' entries, last row first. A registry value is
// appended to one backup file in `outputDirectory` and proved before it is
// deleted; a shortcut goes through the repair's file removal. A row leaves
// the list only when its entry was removed.
StartupDeleteOutcome DeleteTickedStartupEntries(StartupRows& rows, RepairContext& context,
                                                const std::string& outputDirectory);

// "2 startup entries could not be removed." in the active language.
std::string NotRemovedMessage(std::size_t count, TextLookup lookupText = nullptr);

}  // namespace ks
