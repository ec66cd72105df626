// The shared test whether a registry string names a file or folder that is gone.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/file_system.h"

namespace ks {

// What the test reads of the worker and the settings, fixed for one scan.
struct FileReferenceOptions {
    bool isWow64 = false;
    bool includeRemoveMedia = false;
    bool driveAReady = false;
    bool driveBReady = false;
    // How long a remembered answer is as good as a new one.
    std::chrono::steady_clock::duration trustAnswersFor = std::chrono::seconds(1);
};

// The ANSI file functions refuse a name longer than MAX_PATH characters
// (GetFileAttributesA converts into a buffer of MAX_PATH + 1 wide characters),
// so such a name never exists. Asking anyway would cost time per character on
// a megabyte-long registry string and could never change an answer. The
// characters are those of the ANSI code page: in a double-byte one a name of
// 260 characters may take up to 520 bytes.
constexpr std::size_t kLongestFileNameChars = 260;

// The separators at which a growing candidate is tested before it is extended.
bool IsCandidateSeparator(char c);

// One scan's file-reference test. Within a scan the file system is taken to
// stand still, so answers are remembered: a file can only exist where the
// folder that holds it exists, and a folder found missing once answers every
// candidate below it without asking again. In a folder that exists, one
// listing answers all the plain names a scan tries there: one it lacks is not
// there, one it shows is a file or a folder as the listing says. But a scan
// is long and installers run meanwhile: before a reference is called
// missing on answers older than options().trustAnswersFor, the path it names
// is asked for once more, and when it has appeared everything remembered is
// dropped.
class FileReferenceTest {
public:
    FileReferenceTest(FileSystem& files, FileReferenceOptions options);

    // True when the reference was tested and what it names is not there.
    // Anything that cannot be taken apart, or that names a drive outside
    // scanDrives, is not missing. `testedPath`, when given, receives the path
    // as the test took it apart (unquoted, variables expanded, cut after the
    // hint) whenever it got as far as looking for it, so always when missing.
    bool IsMissingFileReference(std::string_view path, std::string_view nameHint, std::string_view scanDrives,
                                bool allowFolder, std::string* testedPath = nullptr);

    // Var with its environment variables expanded when that names an existing
    // folder; otherwise Var unchanged.
    std::string ExpandFolderVariable(std::string_view var);

    // The path the last reference found missing was looked for as; empty when
    // it was decided without asking (a drive without a disk) or not missing.
    const std::string& LookedFor() const { return lookedFor_; }

    const FileReferenceOptions& options() const { return options_; }
    // Drops what was remembered (the next scan starts afresh).
    void ForgetAnswers();

private:
    static constexpr std::uint32_t kNoEntry = UINT32_MAX;

    // What the test knows of one path text: -1 where it has not asked yet.
    struct Facts {
        std::int8_t file = -1;
        std::int8_t folder = -1;
        std::int32_t listing = -1;  // kNotListed, kUnlisted, or an index into listings_
    };
    static constexpr std::int32_t kNotListed = -1;
    static constexpr std::int32_t kUnlisted = -2;

    // Facts by path text: open addressing over one buffer of texts, so a
    // question costs a hash and a compare, not a node per answer. An entry
    // keeps its number until Clear.
    class FactTable {
    public:
        std::uint32_t FindOrAdd(std::string_view text);
        Facts& operator[](std::uint32_t entry) { return entries_[entry].facts; }
        std::size_t size() const { return entries_.size(); }
        void Clear();

    private:
        struct Slot {
            std::uint32_t hash = 0;
            std::uint32_t entry = kNoEntry;
        };
        struct Entry {
            std::uint32_t offset;
            std::uint32_t length;
            Facts facts;
        };
        std::uint32_t Probe(std::string_view text, std::uint32_t hash) const;
        void Grow();

        std::vector<Slot> slots_;
        std::vector<Entry> entries_;
        std::string texts_;
    };

    // A listed folder's entries: upper-cased names in order, with their kind.
    enum class Kind : std::uint8_t { Absent, File, Folder, Either };
    struct ListedName {
        std::uint32_t offset;
        std::uint32_t length;
        Kind kind;
    };
    struct Listing {
        std::uint32_t first;
        std::uint32_t count;
    };

    // Where a candidate's name begins and what is known of the folder before
    // it. Kept up to date as a candidate grows one character at a time.
    struct Place {
        std::size_t nameStart = 0;  // after the last separator; 0 when there is none
        bool highByte = false;       // a byte of 0x80 or above up to the name's end
        bool belowGone = false;      // inside a folder found missing, through proper parts only
        bool plainChars = true;      // the name so far holds only characters a plain name may
        // The folder before the name: its entry once known, and whether it exists once asked.
        std::uint32_t entry = kNoEntry;
        enum class Container : std::uint8_t { Unknown, Exists, Missing } container = Container::Unknown;
        // The container's listed names that begin with the name's first
        // `matched` characters, once the listing is known.
        enum class Range : std::uint8_t { Unknown, Set, Unlisted } range = Range::Unknown;
        std::uint32_t from = 0;
        std::uint32_t to = 0;
        std::uint32_t matched = 0;
    };
    // What the container alone says of container + name.
    enum class Verdict { Ask, Missing, File, Folder };

    // The test on what is remembered; notes the path it looked for.
    bool IsMissingAsRemembered(std::string_view path, std::string_view nameHint, std::string_view scanDrives,
                               bool allowFolder, std::string* testedPath);
    // The path looked for asked of the file system itself.
    bool FoundOnAskingAgain();

    static Place PlaceOf(std::string_view path);
    void Advance(Place& place, std::string_view text, std::size_t from, std::size_t to);
    // The candidate is the growing text up to its current length, with an
    // extension (beginning with a dot) or none.
    Verdict Judge(Place& place, std::string_view grown, std::string_view extension);
    Kind ListedKind(Place& place, std::string_view folder, std::string_view stem, std::string_view extension);
    std::int32_t ListingOf(std::uint32_t container, std::string_view folder);
    // Keeps the names in range that go on with `chars` after their first `depth` characters.
    void Narrow(std::uint32_t& from, std::uint32_t& to, std::uint32_t depth, std::string_view chars) const;

    // Whether the text, and as many characters more, is longer than any name
    // the system takes.
    bool TooLong(std::string_view text, std::size_t extraChars = 0) const;
    // The bytes of the longest beginning of the text that is not too long.
    std::size_t BytesWithinLimit(std::string_view text) const;
    bool FileExists(std::string_view path);
    bool FolderExists(std::string_view path);
    // The folder's entry (found by its text unless given), its FolderExists answer known.
    std::uint32_t FolderEntry(std::string_view path, std::uint32_t entry = kNoEntry);
    bool AskFile(std::string_view path, std::uint32_t& entry);
    bool FileExistsAt(Place& place, std::string_view grown, std::string_view extension = {});
    bool FolderExistsAt(Place& place, std::string_view path);
    // Whether a candidate names something: as a file (or a folder), or with
    // one of the three program extensions.
    bool FoundBesideFolder(std::string_view candidate, bool allowFolder);
    bool FoundBesideFolder(Place& place, std::string_view candidate, bool allowFolder);
    bool FoundWithProgramExtension(Place& place, std::string_view candidate);
    // Forgets wholesale once the remembered texts or listed names grow past
    // their bounds; only between two questions, so no entry number is in use.
    void ForgetWhenFull();

    FileSystem& files_;
    FileReferenceOptions options_;
    LeadBytes codePage_;
    FactTable facts_;
    std::vector<Listing> listings_;
    std::vector<ListedName> listedNames_;
    std::string listedText_;
    // The last text whose prefixes were tried below a missing folder, how many
    // of them found nothing, and where each candidate stood before its turn.
    std::string goneText_;
    std::size_t goneTried_ = 0;
    std::vector<Place> gonePlaces_;
    std::string scratch_;
    // The path the test looked for, and as what: a file, a folder, a program
    // named without its extension.
    struct LookedForAs {
        bool file = false;
        bool folder = false;
        bool program = false;
    };
    std::string lookedFor_;
    LookedForAs lookedForAs_;
    std::string programStem_;  // what a program is looked for as, with each extension
    // When the oldest answer remembered was learned, at the latest.
    std::chrono::steady_clock::time_point memoryBorn_ = std::chrono::steady_clock::now();
};

}  // namespace ks
