// Shortcut files that a repair deleted travel with its backup: for the backup
// file <dir>\<base>.reg they are copies in the folder <dir>\<base>, each named
// "<n>_<original name>", listed in that folder's index.txt (ANSI, one line per
// copy, CR LF after each): the copy's name, a TAB, the original full path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

inline constexpr std::string_view kShortcutIndexName = "index.txt";

// What restoring and deleting a backup needs of the disk.
class RestoreFiles {
public:
    virtual ~RestoreFiles() = default;
    // The whole file; nullopt when it is missing or cannot be read.
    virtual std::optional<std::string> ReadFile(std::string_view path) = 0;
    // A file or a folder is there.
    virtual bool Exists(std::string_view path) = 0;
    // Copies a file to a path where nothing is; never replaces anything.
    virtual bool CopyNew(std::string_view from, std::string_view to) = 0;
    virtual bool RemoveFile(std::string_view path) = 0;
    // Removes the folder only when it is empty.
    virtual bool RemoveEmptyFolder(std::string_view path) = 0;
    // A new file in the temporary folder holding the bytes; its path, or
    // nullopt when it cannot be written whole.
    virtual std::optional<std::string> WriteTemporary(std::string_view bytes) = 0;
};

struct ShortcutCopy {
    std::string storedName;    // the copy's name inside the folder
    std::string originalPath;  // where the shortcut was

    friend bool operator==(const ShortcutCopy&, const ShortcutCopy&) = default;
};

struct ShortcutIndex {
    std::vector<ShortcutCopy> copies;
    // Lines that name no usable copy: their text, for the report.
    std::vector<std::string> badLines;
};

// The folder of copies of a backup file: its path without ".reg" (any case);
// "" for a file not named so.
std::string ShortcutCopyFolder(std::string_view backupFile);

// The index's lines. A line is used only when it ends with CR LF, its stored
// name is a plain file name (not the index itself) and its original path is
// a full path to a ".lnk" file with no "." or ".." part; any other line is
// bad, so that a damaged index never puts a file anywhere unexpected.
ShortcutIndex ParseShortcutIndex(std::string_view text);

// A shortcut that did not come back, and why.
struct ShortcutProblem {
    enum class Why { Taken, Failed };
    std::string path;
    Why why = Why::Failed;

    friend bool operator==(const ShortcutProblem&, const ShortcutProblem&) = default;
};

struct ShortcutRestore {
    std::size_t items = 0;  // copies the index names, bad lines included
    std::vector<ShortcutProblem> problems;
};

// Puts every copy back at its original path when nothing is there now. A
// file there already counts as back only when it holds the very same bytes;
// otherwise the path is taken and left alone. A copy put back is read again
// and compared.
ShortcutRestore RestoreShortcutCopies(RestoreFiles& files, std::string_view backupFile);

// Removes the copies the index names, the index, and then the folder if
// nothing else is left in it. Nothing else is ever deleted.
void DeleteShortcutCopies(RestoreFiles& files, std::string_view backupFile);

}  // namespace ks
