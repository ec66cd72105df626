// Backup files kept in memory, with the faults a disk can show: a path that
// cannot be opened, writes that stop short, a failing flush, bytes that read
// back differently, a file that cannot be cut back.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "repair/backup_file.h"
#include "base/text.h"

namespace ks::test {

class MemoryBackupStore : public BackupStore {
public:
    struct Faults {
        bool refuseOpen = false;
        // Append writes only this many bytes of its next call and fails.
        std::optional<std::size_t> shortWriteAt;
        bool failFlush = false;
        bool failRead = false;
        bool failTruncate = false;
        // The next ReadAt that covers this byte offset answers with it changed.
        std::optional<std::uint64_t> flipByteAt;
        bool refuseCreate = false;
        // The whole-file read with this number (counted from 1) fails.
        std::optional<int> failWholeReadAt;
        // The append with this number (counted from 1) writes one byte and fails.
        std::optional<int> failAppendAt;
    };

    std::unique_ptr<BackupFile> OpenForAppend(std::string_view path) override {
        ++opens;
        if (faults.refuseOpen) return nullptr;
        const std::string key = UpperAnsi(path);
        const size_t slash = key.rfind('\\');
        if (slash != std::string::npos && slash > 2 && !folders.count(key.substr(0, slash))) return nullptr;
        return std::make_unique<File>(*this, files[key]);
    }

    bool Remove(std::string_view path) override { return files.erase(UpperAnsi(path)) != 0; }

    bool CreateFolderTree(std::string_view path) override {
        if (refuseFolders) return false;
        std::string key = UpperAnsi(path);
        while (!key.empty() && key.back() == '\\') key.pop_back();
        for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1))
            if (at > 2) folders.insert(key.substr(0, at));
        folders.insert(key);
        return true;
    }

    bool Exists(std::string_view path) override {
        const std::string key = UpperAnsi(path);
        return files.count(key) != 0 || folders.count(key) != 0;
    }

    std::unique_ptr<BackupFile> CreateNew(std::string_view path) override {
        if (faults.refuseCreate || Exists(path)) return nullptr;
        return OpenForAppend(path);
    }

    std::optional<std::string> ReadWholeFile(std::string_view path) override {
        ++wholeReads;
        const auto it = files.find(UpperAnsi(path));
        if (it == files.end() || (faults.failWholeReadAt && *faults.failWholeReadAt == wholeReads))
            return std::nullopt;
        return it->second;
    }

    std::string Content(std::string_view path) const {
        auto it = files.find(UpperAnsi(path));
        return it == files.end() ? std::string() : it->second;
    }
    void Put(std::string_view path, std::string content) { files[UpperAnsi(path)] = std::move(content); }

    Faults faults;
    bool refuseFolders = false;
    std::set<std::string> folders{"C:"};
    int opens = 0;
    int flushes = 0;
    int wholeReads = 0;
    int appends = 0;

private:
    class File : public BackupFile {
    public:
        File(MemoryBackupStore& store, std::string& bytes) : store_(store), bytes_(bytes) {}
        std::optional<std::uint64_t> Size() override { return bytes_.size(); }
        bool Append(std::string_view data) override {
            if (++store_.appends == store_.faults.failAppendAt) {
                bytes_.append(data.substr(0, 1));
                return false;
            }
            if (store_.faults.shortWriteAt) {
                bytes_.append(data.substr(0, std::min(data.size(), *store_.faults.shortWriteAt)));
                store_.faults.shortWriteAt.reset();
                return false;
            }
            bytes_.append(data);
            return true;
        }
        bool Flush() override {
            ++store_.flushes;
            return !store_.faults.failFlush;
        }
        std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t length) override {
            if (store_.faults.failRead || offset + length > bytes_.size()) return std::nullopt;
            std::string out = bytes_.substr(static_cast<size_t>(offset), length);
            if (auto at = store_.faults.flipByteAt; at && *at >= offset && *at < offset + length) {
                out[static_cast<size_t>(*at - offset)] ^= 0x01;
                store_.faults.flipByteAt.reset();
            }
            return out;
        }
        bool Truncate(std::uint64_t size) override {
            if (store_.faults.failTruncate || size > bytes_.size()) return false;
            bytes_.resize(static_cast<size_t>(size));
            return true;
        }

    private:
        MemoryBackupStore& store_;
        std::string& bytes_;
    };

    std::map<std::string, std::string> files;
};

}  // namespace ks::test
