// An in-memory registry and file system that behave like the Win32 ones: names
// match ignoring case and keep their stored case, subkeys enumerate sorted as
// the registry sorts them, values in insertion order, folder listings sorted as
// NTFS sorts them. Faults can be planted. The shared access suite runs against
// both these and the real ones to keep them honest.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "scan/file_system.h"
#include "scan/registry.h"

namespace ks::test {

// The order in which the registry enumerates subkeys: names compared character
// by character as lower-cased Unicode (the ANSI code page being Windows-1252).
// Measured under Wine; Windows compares upper-cased names instead, so there
// the six characters between "Z" and "a" ("[", "\", "]", "^", "_", "`") sort
// after the letters rather than before them.
int CompareRegistryNames(std::string_view a, std::string_view b);

// The order of a folder listing on NTFS, and under Wine: names compared as
// upper-cased Unicode, so "_" comes after the letters.
int CompareFileNames(std::string_view a, std::string_view b);

class MemoryRegistry : public Registry {
public:
    struct Node;

    MemoryRegistry();
    ~MemoryRegistry() override;

    std::unique_ptr<RegistryKey> OpenKey(RootKey root, std::string_view path, Access access) override;
    [[nodiscard]] RegStatus DeleteKey(RootKey root, std::string_view path) override;
    std::unique_ptr<RegistryKey> CreateKey(RootKey root, std::string_view path) override;
    // As Windows merges the classes: the user's copy of a key over the machine's.
    std::optional<RootKey> ClassesRootHome(std::string_view path) override;
    // The hive given to LinkCurrentUser; nothing before.
    std::optional<std::string> CurrentUserHive() override { return currentUserHive_; }

    // Makes HKEY_CURRENT_USER the subkey `hive` of HKEY_USERS, as Windows
    // loads the current user's hive: one key under two names. What was
    // planted under HKEY_CURRENT_USER before moves along.
    void LinkCurrentUser(std::string_view hive);

    // Planting, for tests: creates the key and sets the value, whatever
    // faults the key carries.
    void Set(RootKey root, std::string_view path, std::string_view name, std::uint32_t type,
             std::string_view data);
    void SetString(RootKey root, std::string_view path, std::string_view name, std::string_view text,
                   std::uint32_t type = RegType::String);  // stored with its terminating NUL
    void SetDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t value);
    void AddKey(RootKey root, std::string_view path);

    // Faults. Each creates the key when missing.
    // Opening with more than read rights fails, and so does deleting the key
    // (as on Windows; Wine lets such a key be deleted).
    void DenyFullAccess(RootKey root, std::string_view path);
    void DenyAccess(RootKey root, std::string_view path);  // every open fails, and deleting
    // The value is listed by name but cannot be read; Values() leaves it out.
    void VanishValue(RootKey root, std::string_view path, std::string_view name);
    void FailValueEnumeration(RootKey root, std::string_view path);  // every index answers an error
    // Every index from `after` on answers an error, as an I/O error half-way through would.
    void FailSubkeyEnumeration(RootKey root, std::string_view path, std::size_t after);

    // What callers did, for tests and benchmarks.
    struct Counters {
        std::uint64_t opens = 0;
        std::uint64_t valueReads = 0;
        std::uint64_t enumerations = 0;
    };
    Counters& counters() { return counters_; }

private:
    std::shared_ptr<Node> Find(RootKey root, std::string_view path) const;
    std::shared_ptr<Node> Create(RootKey root, std::string_view path);

    std::map<RootKey, std::shared_ptr<Node>> roots_;
    std::optional<std::string> currentUserHive_;
    Counters counters_;
};

class MemoryFileSystem : public FileSystem {
public:
    MemoryFileSystem();

    bool FileExists(std::string_view path) override;
    bool FolderExists(std::string_view path) override;
    std::uint32_t DriveType(char letter) override;
    bool DriveReady(std::string_view root) override;
    std::string ExpandVariables(std::string_view text) override;
    std::string SpecialFolder(int csidl) override;
    std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) override;
    bool DeleteFile(std::string_view path) override;
    std::uint8_t WindowsVersionCode() override { return versionCode_; }
    bool IsWow64() override { return wow64_; }
    LeadBytes CodePage() override { return codePage_; }
    // The path with its links followed, upper-cased; the path when it names nothing.
    std::string ResolvedFolder(std::string_view path) override;
    std::unique_ptr<ThreadSetting> SilenceCriticalErrors() override;

    // Planting. Paths are absolute ("C:\dir\file"); parents are created.
    void AddFile(std::string_view path);
    void AddFolder(std::string_view path);
    void SetUnreadable(std::string_view folder);
    // A folder entry that is a link to another folder (a junction, or a
    // symbolic link as Wine shows one): listed as a reparse point, and every
    // path through it leads to the target. Both folders are created.
    void AddLink(std::string_view path, std::string_view target);
    void SetDrive(char letter, std::uint32_t typeCode, bool ready = true);
    void SetVariable(std::string_view name, std::string_view value);
    void SetSpecialFolder(int csidl, std::string_view path);
    void SetCurrentFolder(std::string_view path) { currentFolder_ = std::string(path); }
    void SetVersionCode(std::uint8_t code) { versionCode_ = code; }
    void SetWow64(bool on) { wow64_ = on; }
    void SetCodePage(const LeadBytes& page) { codePage_ = page; }

    // File-system questions asked so far (exists tests and listings), and of
    // those the ones asked while critical errors were not silenced.
    std::uint64_t queries() const { return queries_; }
    std::uint64_t unsilencedQueries() const { return unsilencedQueries_; }
    void ResetQueries() { queries_ = unsilencedQueries_ = 0; }

    // The full, upper-cased form under which a path is looked up, or "" when
    // the path cannot name anything. Follows what GetFileAttributesA accepts:
    // "/" and "\" alike, runs of separators as one, "." and ".." resolved,
    // one trailing dot dropped from each inner part, trailing dots and blanks
    // dropped from the last part unless the path ends in a separator, relative
    // paths taken from the current folder, at most 260 characters of the
    // code page (Wine's limit; Windows stops one shorter), no wildcards,
    // quotes, "<", ">", "|" or network paths. Links are followed.
    std::string Normalize(std::string_view path) const;

private:
    struct Entry {
        std::string name;  // as created
        bool isFolder = false;
        std::string linkTarget;  // the key of the folder a link leads to; "" for other entries
    };
    // The key of drive + parts (upper-cased), links on the way followed.
    std::string Follow(const std::string& drive, const std::vector<std::string>& upperParts) const;
    void Count() {
        ++queries_;
        if (silenced_ == 0) ++unsilencedQueries_;
    }
    // Drive ("C:") and parts in their own case; false when the path names nothing.
    bool Resolve(std::string_view path, bool asFolder, std::string& drive, std::vector<std::string>& parts) const;
    std::string Key(std::string_view path, bool asFolder) const;
    void AddEntry(std::string_view path, bool isFolder);

    std::map<std::string, Entry> entries_;  // by normalized path
    std::set<std::string> unreadable_;
    std::map<char, std::pair<std::uint32_t, bool>> drives_;
    std::map<std::string, std::string> variables_;  // upper-cased name -> value
    std::map<int, std::string> specialFolders_;
    std::string currentFolder_ = "C:\\";
    std::uint8_t versionCode_ = 12;
    bool wow64_ = true;
    LeadBytes codePage_;
    std::uint64_t queries_ = 0;
    std::uint64_t unsilencedQueries_ = 0;
    int silenced_ = 0;
};

}  // namespace ks::test
