// How the repair reaches its backup file: append, flush to disk, read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

// One open backup file. It is closed when the object goes.
class BackupFile {
public:
    virtual ~BackupFile() = default;

    // Current size in bytes; nullopt when it cannot be told.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Writes the bytes at the end of the file, all or nothing reported: false
    // when fewer were written.
    [[nodiscard]] virtual bool Append(std::string_view bytes) = 0;
    // Pushes everything written so far to the disk.
    [[nodiscard]] virtual bool Flush() = 0;
    // The bytes stored at [offset, offset + length); nullopt when they cannot
    // all be read.
    virtual std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t length) = 0;
    // Cuts the file back to the given size.
    [[nodiscard]] virtual bool Truncate(std::uint64_t size) = 0;
};

class BackupStore {
public:
    virtual ~BackupStore() = default;

    // Opens the file for reading and appending, creating it when missing (but
    // not its folder). Null when it can be neither opened nor created.
    virtual std::unique_ptr<BackupFile> OpenForAppend(std::string_view path) = 0;
    // Deletes the file; true when it is gone.
    virtual bool Remove(std::string_view path) = 0;
    // Creates the folder with every missing parent; true when it exists after.
    virtual bool CreateFolderTree(std::string_view path) = 0;

    // For the copies of deleted files kept beside a backup file:
    // Whether a file or folder of that name exists.
    virtual bool Exists(std::string_view path) = 0;
    // Creates a file that must not exist yet, for reading and writing. Null
    // when the name is taken or the file cannot be created.
    virtual std::unique_ptr<BackupFile> CreateNew(std::string_view path) = 0;
    // Every byte of an existing file; nullopt when it cannot all be read.
    virtual std::optional<std::string> ReadWholeFile(std::string_view path) = 0;
};

}  // namespace ks
