// Backup files on disk through CreateFileA: appended to, flushed to the disk,
// read back and, when a block does not prove, cut back.
#include <windows.h>

#include <limits>

#include "base/text.h"
#include "repair/win/backup_system.h"
#include "scan/win/handles.h"

namespace ks {

namespace {

class Win32BackupFile : public BackupFile {
public:
    explicit Win32BackupFile(UniqueFileHandle file) : file_(std::move(file)) {}

    std::optional<std::uint64_t> Size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.get(), &size) || size.QuadPart < 0) return std::nullopt;
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    bool Append(std::string_view bytes) override {
        if (!Seek(0, FILE_END)) return false;
        while (!bytes.empty()) {
            const DWORD chunk = bytes.size() > kChunk ? kChunk : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(file_.get()) != FALSE; }

    std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t length) override {
        if (!Seek(offset, FILE_BEGIN)) return std::nullopt;
        std::string bytes(length, '\0');
        size_t done = 0;
        while (done < length) {
            const size_t left = length - done;
            const DWORD chunk = left > kChunk ? kChunk : static_cast<DWORD>(left);
            DWORD read = 0;
            if (!ReadFile(file_.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
            done += read;
        }
        return bytes;
    }

    bool Truncate(std::uint64_t size) override {
        return Seek(size, FILE_BEGIN) && SetEndOfFile(file_.get()) != FALSE;
    }

private:
    static constexpr DWORD kChunk = 1u << 20;

    bool Seek(std::uint64_t offset, DWORD from) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
        LARGE_INTEGER distance{};
        distance.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_.get(), distance, nullptr, from) != FALSE;
    }

    UniqueFileHandle file_;
};

class Win32BackupStore : public BackupStore {
public:
    std::unique_ptr<BackupFile> OpenForAppend(std::string_view path) override {
        const std::string name(path);
        // Others may read the file (the restore dialog lists it) but not write.
        UniqueFileHandle file(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return nullptr;
        return std::make_unique<Win32BackupFile>(std::move(file));
    }

    bool Remove(std::string_view path) override {
        const std::string name(path);
        return DeleteFileA(name.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
    }

    bool CreateFolderTree(std::string_view path) override {
        std::string folder(path);
        while (folder.size() > 3 && EndsInBackslash(folder)) folder.pop_back();
        if (folder.empty()) return false;
        // Each prefix that ends before a backslash, after the drive or the
        // share part, is made in turn; one that exists already is fine.
        size_t start = 0;
        if (folder.size() >= 2 && folder[1] == ':') start = 3;
        else if (folder.starts_with("\\\\")) {
            const size_t server = folder.find('\\', 2);
            const size_t share = server == std::string::npos ? server : folder.find('\\', server + 1);
            start = share == std::string::npos ? folder.size() : share + 1;
        }
        // A backslash that ends a two-byte character separates nothing.
        const auto next = [&folder](size_t from) {
            const size_t found = from > folder.size() ? std::string::npos : FirstBackslash(std::string_view(folder).substr(from));
            return found == std::string::npos ? found : from + found;
        };
        for (size_t at = next(start);; at = next(at + 1)) {
            const std::string prefix = folder.substr(0, at);
            if (!prefix.empty() && !IsFolder(prefix) && !CreateDirectoryA(prefix.c_str(), nullptr) &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
            if (at == std::string::npos) break;
        }
        return IsFolder(folder);
    }

    bool Exists(std::string_view path) override {
        const std::string name(path);
        return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::unique_ptr<BackupFile> CreateNew(std::string_view path) override {
        const std::string name(path);
        UniqueFileHandle file(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return nullptr;
        return std::make_unique<Win32BackupFile>(std::move(file));
    }

    std::optional<std::string> ReadWholeFile(std::string_view path) override {
        const std::string name(path);
        UniqueFileHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return std::nullopt;
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > kLargestCopyBytes)
            return std::nullopt;
        Win32BackupFile reader(std::move(file));
        return reader.ReadAt(0, static_cast<size_t>(size.QuadPart));
    }

private:
    // Files this large are not shortcuts; no copy is made of them.
    static constexpr LONGLONG kLargestCopyBytes = 64LL << 20;

    static bool IsFolder(const std::string& path) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
};

}  // namespace

std::unique_ptr<BackupStore> MakeWin32BackupStore() { return std::make_unique<Win32BackupStore>(); }

}  // namespace ks
