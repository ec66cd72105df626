// Proven copies of deleted files beside the repair's backup file.
#include "repair/file_copies.h"

#include "repair/backup_format.h"
#include "base/text.h"

namespace ks {

namespace {

// Numbers tried for a copy's name before the folder is taken as unusable.
constexpr int kMostCopyNumbers = 100000;

// Appends, flushes and reads back; true when the bytes are on disk as given.
bool AppendProven(BackupFile& file, std::uint64_t at, std::string_view bytes) {
    if (!file.Append(bytes) || !file.Flush()) return false;
    const auto stored = file.ReadAt(at, bytes.size());
    return stored && *stored == bytes;
}

// The file's last part: after the last backslash (or slash, or drive colon).
std::string_view FileNameOf(std::string_view path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// Makes sure the backup file exists and holds at least its header. Sets
// `created` when it had nothing before, so a failure can take it away again.
bool EnsureBackupFile(BackupStore& store, const std::string& backupFile, bool& created) {
    created = false;
    auto file = store.OpenForAppend(backupFile);
    if (!file) return false;
    const auto size = file->Size();
    if (!size) return false;
    if (*size != 0) return true;
    created = true;
    return AppendProven(*file, 0, std::string(kRegHeaderLine) + std::string(kLineEnd));
}

}  // namespace

std::string FileCopyFolder(std::string_view backupFile) {
    constexpr std::string_view kExtension = ".reg";
    if (backupFile.size() > kExtension.size()) {
        if (EqualsNoCase(backupFile.substr(backupFile.size() - kExtension.size()), kExtension))
            backupFile.remove_suffix(kExtension.size());
    }
    return std::string(backupFile);
}

RemoveResult DeleteFileWithCopy(RepairContext& context, const std::string& backupFile, std::string_view filePath) {
    const std::string path(filePath);
    const std::string_view name = FileNameOf(path);
    if (name.empty() || !context.files.FileExists(path)) return RemoveResult::NotRemoved;
    const auto original = context.store.ReadWholeFile(path);
    if (!original) return RemoveResult::NotRemoved;

    BackupStore& store = context.store;
    bool createdBackupFile = false;
    std::string copyPath;
    std::unique_ptr<BackupFile> copy;
    std::unique_ptr<BackupFile> index;
    std::optional<std::uint64_t> indexSize;
    // Whatever this call wrote goes again; the original is untouched.
    const auto undo = [&] {
        if (index && indexSize) (void)(index->Truncate(*indexSize) && index->Flush());
        index.reset();
        copy.reset();  // an open file cannot be deleted
        if (!copyPath.empty()) (void)store.Remove(copyPath);
        if (createdBackupFile) (void)store.Remove(backupFile);
        return RemoveResult::NotRemoved;
    };

    if (!EnsureBackupFile(store, backupFile, createdBackupFile)) return undo();
    const std::string folder = FileCopyFolder(backupFile);
    if (!store.CreateFolderTree(folder)) return undo();

    std::string storedName;
    for (int n = 1; n <= kMostCopyNumbers && !copy; ++n) {
        storedName = std::to_string(n) + "_" + std::string(name);
        const std::string candidate = folder + "\\" + storedName;
        if (store.Exists(candidate)) continue;
        copy = store.CreateNew(candidate);
        if (!copy) return undo();
        copyPath = candidate;
    }
    if (!copy) return undo();
    if (!AppendProven(*copy, 0, *original)) return undo();
    // The copy must equal the file as it is now, just before it goes.
    const auto now = store.ReadWholeFile(path);
    const auto size = copy->Size();
    if (!now || *now != *original || !size || *size != original->size()) return undo();
    copy.reset();

    index = store.OpenForAppend(folder + "\\" + std::string(kFileCopyIndexName));
    if (!index) return undo();
    indexSize = index->Size();
    if (!indexSize) return undo();
    const std::string line = storedName + "\t" + path + std::string(kLineEnd);
    if (!AppendProven(*index, *indexSize, line)) return undo();

    if (!context.files.DeleteFile(path)) return undo();
    return RemoveResult::Removed;
}

}  // namespace ks
