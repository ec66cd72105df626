// What the checks may ask of the machine besides the registry: files, folders,
// drives, environment variables, shell folders and the Windows version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
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
    // The entries of a folder ("." and ".." left out); nullopt when it cannot be read.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) = 0;
    // Deletes one existing file, silently and not to the Recycle Bin; folders
    // and wildcards are refused. (<windows.h> defines DeleteFile as a macro:
    // a Win32 source that calls this must #undef it after the include.)
    virtual bool DeleteFile(std::string_view path) = 0;

    // The version code of the settings helpers and the WOW64 test.
    virtual std::uint8_t WindowsVersionCode() = 0;
    virtual bool IsWow64() = 0;
};

}  // namespace ks
