// The shared test whether a registry string names a file or folder that is gone.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "scan/file_system.h"

namespace ks {

// What the test reads of the worker and the settings, fixed for one scan.
struct FileReferenceOptions {
    bool isWow64 = false;
    bool includeRemoveMedia = false;
    bool driveAReady = false;
    bool driveBReady = false;
};

// The ANSI file functions refuse a name longer than MAX_PATH characters
// (GetFileAttributesA converts into a buffer of MAX_PATH + 1 wide characters),
// so such a name never exists. Asking anyway would cost time per character on
// a megabyte-long registry string and could never change an answer.
constexpr std::size_t kLongestFileNameChars = 260;

// The separators at which a growing candidate is tested before it is extended.
bool IsCandidateSeparator(char c);

// One scan's file-reference test. Within a scan the file system is taken to
// stand still, so answers are remembered: a file can only exist where the
// folder that holds it exists, and a folder found missing once answers every
// candidate below it without asking again. In a folder that exists, a plain
// name that its listing lacks is not there either: one listing answers all
// the names a scan tries in that folder.
class FileReferenceTest {
public:
    FileReferenceTest(FileSystem& files, FileReferenceOptions options);

    // True when the reference was tested and what it names is not there.
    // Anything that cannot be taken apart, or that names a drive outside
    // scanDrives, is not missing.
    bool IsMissingFileReference(std::string_view path, std::string_view nameHint, std::string_view scanDrives,
                                bool allowFolder);

    // Var with its environment variables expanded when that names an existing
    // folder; otherwise Var unchanged.
    std::string ExpandFolderVariable(std::string_view var);

    const FileReferenceOptions& options() const { return options_; }
    // Drops what was remembered (the next scan starts afresh).
    void ForgetAnswers();

private:
    bool FileExists(std::string_view path);
    bool FolderExists(std::string_view path);
    // A candidate as a folder: like FolderExists, but its container may answer.
    bool CandidateFolderExists(std::string_view path);
    // False when the folder that would hold path is known to be missing, or
    // when that folder's listing shows no entry of path's plain name.
    bool ContainerMayHold(std::string_view path);
    // Upper-cased names of a folder's entries; null when it cannot be listed
    // or holds a name that a plain name could match without being equal.
    const std::unordered_set<std::string>* Listing(std::string_view folder);
    // Step 15's test: the candidate as a file (or folder), or with one of the
    // three program extensions.
    bool FoundBesideFolder(std::string_view candidate, bool allowFolder);
    bool FoundWithProgramExtension(std::string_view candidate);

    // Looked up by string_view without building a string per question.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    using Answers = std::unordered_map<std::string, bool, TextHash, std::equal_to<>>;

    FileSystem& files_;
    FileReferenceOptions options_;
    Answers fileAnswers_;
    Answers folderAnswers_;
    std::unordered_map<std::string, std::optional<std::unordered_set<std::string>>, TextHash, std::equal_to<>>
        listings_;
    std::size_t listedNames_ = 0;
    // Growing candidates share their container until a separator is appended.
    std::string lastContainer_;
    bool lastContainerExists_ = false;
    std::string scratch_;
    std::string upperName_;
};

}  // namespace ks
