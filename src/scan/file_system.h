// What the checks may ask of the machine besides the registry: files, folders,
// drives, environment variables, shell folders and the Windows version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace ks {

// GetDriveTypeA answers.
namespace DriveTypeCode {
constexpr std::uint32_t Unknown = 0;
constexpr std::uint32_t NoRootDir = 1;
constexpr std::uint32_t Removable = 2;
constexpr std::uint32_t Fixed = 3;
constexpr std::uint32_t Remote = 4;
constexpr std::uint32_t CdRom = 5;
constexpr std::uint32_t RamDisk = 6;
}  // namespace DriveTypeCode

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    // A junction or symbolic link (Wine shows a link to a Unix folder so):
    // what lies behind it is somewhere else, possibly above or beside it.
    bool isReparsePoint = false;

    friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
};

// Undoes, when it goes, what was set on the thread that made it.
class ThreadSetting {
public:
    virtual ~ThreadSetting() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True only for an existing file that is not a folder.
    virtual bool FileExists(std::string_view path) = 0;
    virtual bool FolderExists(std::string_view path) = 0;
    // GetDriveTypeA on the letter followed by ":\".
    virtual std::uint32_t DriveType(char letter) = 0;
    // Whether the volume answers, without the system asking for a disk.
    virtual bool DriveReady(std::string_view root) = 0;
    // Environment variables expanded, blanks trimmed at both ends; the input
    // itself when expansion fails.
    virtual std::string ExpandVariables(std::string_view text) = 0;
    // Path of a shell folder by CSIDL; "" when there is none.
    virtual std::string SpecialFolder(int csidl) = 0;
    // The entries of a folder ("." and ".." left out); nullopt when it cannot
    // be read to its end, since a name left out would pass for one not there.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) = 0;
    // Deletes one existing file, silently and not to the Recycle Bin; folders
    // and wildcards are refused. (<windows.h> defines DeleteFile as a macro:
    // a Win32 source that calls this must #undef it after the include.)
    virtual bool DeleteFile(std::string_view path) = 0;

    // The version code of the settings helpers and the WOW64 test.
    virtual std::uint8_t WindowsVersionCode() = 0;
    virtual bool IsWow64() = 0;

    // How the code page in which paths reach and leave this file system
    // makes characters of bytes.
    virtual LeadBytes CodePage() = 0;
    // A folder's path with every link on the way resolved, as the system
    // names the folder itself: two paths name the same folder exactly when
    // these agree (ignoring case). The path as given when that cannot be told.
    virtual std::string ResolvedFolder(std::string_view path) = 0;
    // Until the result goes, a question about a drive without a disk fails
    // on this thread instead of asking someone to insert one.
    virtual std::unique_ptr<ThreadSetting> SilenceCriticalErrors() = 0;
};

}  // namespace ks
