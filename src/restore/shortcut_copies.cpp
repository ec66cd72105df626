// Putting back and deleting the shortcut copies kept beside a backup file.
#include "restore/shortcut_copies.h"

#include "base/text.h"

namespace ks {

namespace {

bool IsPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find_first_of("\\/:*?\"<>|") != std::string_view::npos) return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    return !EqualsNoCase(name, kShortcutIndexName);
}

// "X:\…" or "\\server\share\…", every part a plain name, ending in ".lnk".
bool IsShortcutPath(std::string_view path) {
    std::string_view rest;
    if (path.size() > 3 && path[1] == ':' && path[2] == '\\' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        rest = path.substr(3);
    else if (path.starts_with("\\\\"))
        rest = path.substr(2);
    else
        return false;
    size_t start = 0;
    for (;;) {
        const size_t stop = rest.find('\\', start);
        const std::string_view part = rest.substr(start, stop == std::string_view::npos ? stop : stop - start);
        if (!IsPlainName(part) && !EqualsNoCase(part, kShortcutIndexName)) return false;
        if (stop == std::string_view::npos) break;
        start = stop + 1;
    }
    return path.size() > 4 && EqualsNoCase(path.substr(path.size() - 4), ".lnk");
}

std::string Inside(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path += '\\';
    path += name;
    return path;
}

std::optional<ShortcutIndex> ReadIndex(RestoreFiles& files, const std::string& folder) {
    if (folder.empty()) return std::nullopt;
    const std::optional<std::string> text = files.ReadFile(Inside(folder, kShortcutIndexName));
    if (!text) return std::nullopt;
    return ParseShortcutIndex(*text);
}

}  // namespace

std::string ShortcutCopyFolder(std::string_view backupFile) {
    if (backupFile.size() <= 4 || !EqualsNoCase(backupFile.substr(backupFile.size() - 4), ".reg")) return {};
    return std::string(backupFile.substr(0, backupFile.size() - 4));
}

ShortcutIndex ParseShortcutIndex(std::string_view text) {
    ShortcutIndex index;
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 2);
        const size_t tab = line.find('\t');
        const bool usable = end != std::string_view::npos && tab != std::string_view::npos &&
                            IsPlainName(line.substr(0, tab)) && IsShortcutPath(line.substr(tab + 1));
        if (usable) index.copies.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))});
        else index.badLines.emplace_back(line);
    }
    return index;
}

ShortcutRestore RestoreShortcutCopies(RestoreFiles& files, std::string_view backupFile) {
    ShortcutRestore restore;
    const std::string folder = ShortcutCopyFolder(backupFile);
    const std::optional<ShortcutIndex> index = ReadIndex(files, folder);
    if (!index) return restore;
    restore.items = index->copies.size() + index->badLines.size();
    for (const std::string& line : index->badLines)
        restore.problems.push_back({line, ShortcutProblem::Why::Failed});
    for (const ShortcutCopy& copy : index->copies) {
        const std::string stored = Inside(folder, copy.storedName);
        const std::optional<std::string> bytes = files.ReadFile(stored);
        if (files.Exists(copy.originalPath)) {
            if (!bytes || files.ReadFile(copy.originalPath) != bytes)
                restore.problems.push_back({copy.originalPath, ShortcutProblem::Why::Taken});
            continue;
        }
        if (!bytes || !files.CopyNew(stored, copy.originalPath) || files.ReadFile(copy.originalPath) != bytes)
            restore.problems.push_back({copy.originalPath, ShortcutProblem::Why::Failed});
    }
    return restore;
}

void DeleteShortcutCopies(RestoreFiles& files, std::string_view backupFile) {
    const std::string folder = ShortcutCopyFolder(backupFile);
    if (folder.empty()) return;
    if (const std::optional<ShortcutIndex> index = ReadIndex(files, folder)) {
        for (const ShortcutCopy& copy : index->copies) files.RemoveFile(Inside(folder, copy.storedName));
        files.RemoveFile(Inside(folder, kShortcutIndexName));
    }
    if (files.Exists(folder)) files.RemoveEmptyFolder(folder);
}

}  // namespace ks
