// The shared test whether a registry string names a file or folder that is gone.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

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
// candidate below it without asking again.
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
    // False only when the folder that would hold path is known to be missing.
    bool ContainerMayExist(std::string_view path);
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
    // Growing candidates share their container until a separator is appended.
    std::string lastContainer_;
    bool lastContainerExists_ = false;
    std::string scratch_;
};

}  // namespace ks
