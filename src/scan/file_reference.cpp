// Taking a registry string apart into the file it names, and testing that file.
#include "scan/file_reference.h"

#include <algorithm>
#include <functional>

#include "base/text.h"

namespace ks {

namespace {

constexpr std::size_t kRememberedAnswers = 1 << 16;  // path texts; forgotten wholesale when full
constexpr std::size_t kRememberedListedNames = 1 << 17;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Position of needle in text comparing ASCII letters without case.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.empty()) return 0;
    if (needle.size() > text.size()) return std::string_view::npos;
    const char lower = LowerAscii(needle.front());
    const char upper = UpperAscii(needle.front());
    const std::size_t last = text.size() - needle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        // A first character without case is found by the library's search.
        if (lower == upper) {
            at = text.find(lower, at);
            if (at > last) break;
        } else if (text[at] != lower && text[at] != upper) {
            continue;
        }
        std::size_t matched = 1;
        while (matched < needle.size() && LowerAscii(text[at + matched]) == LowerAscii(needle[matched])) ++matched;
        if (matched == needle.size()) return at;
    }
    return std::string_view::npos;
}

bool ContainsNoCase(std::string_view text, std::string_view needle) {
    return FindNoCase(text, needle) != std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && FindNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

bool OnScannedDrive(std::string_view work, std::string_view scanDrives) {
    if (work.empty() || !IsAsciiLetter(work.front())) return false;
    const char drive = UpperAnsiChar(work.front());
    return std::any_of(scanDrives.begin(), scanDrives.end(), [&](char c) { return UpperAnsiChar(c) == drive; });
}

// Only dots and blanks (or nothing): Windows strips such a last part away or
// resolves it, so the path is not inside the folder its text suggests.
bool OnlyDotsAndBlanks(std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c == '.' || c == ' '; });
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

bool IsHighByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

bool IsPlainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '.' ||
           c == '-' || c == '_';
}

// Reserved device names: in any folder they name the device, listed or not.
bool IsDeviceName(std::string_view name) {
    // Every device name begins with CON, COM, PRN, AUX, NUL or LPT.
    if (name.size() < 3) return false;
    const char a = UpperAscii(name[0]), b = UpperAscii(name[1]), c = UpperAscii(name[2]);
    const bool head = (a == 'C' && b == 'O' && (c == 'N' || c == 'M')) || (a == 'P' && b == 'R' && c == 'N') ||
                      (a == 'A' && b == 'U' && c == 'X') || (a == 'N' && b == 'U' && c == 'L') ||
                      (a == 'L' && b == 'P' && c == 'T');
    if (!head) return false;
    // The base ends at the first dot; past its seventh character anything
    // but a blank makes it longer than any device name.
    std::size_t baseEnd = 0;
    while (baseEnd < name.size() && name[baseEnd] != '.') {
        if (baseEnd >= 7 && name[baseEnd] != ' ') return false;
        ++baseEnd;
    }
    std::string_view base = name.substr(0, baseEnd);
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    auto is = [&](std::string_view device) {
        if (base.size() != device.size()) return false;
        for (std::size_t i = 0; i < base.size(); ++i)
            if (UpperAscii(base[i]) != device[i]) return false;
        return true;
    };
    if (is("CON") || is("PRN") || is("AUX") || is("NUL") || is("CONIN$") || is("CONOUT$")) return true;
    return base.size() == 4 &&
           ((UpperAscii(base[0]) == 'C' && UpperAscii(base[1]) == 'O' && UpperAscii(base[2]) == 'M') ||
            (UpperAscii(base[0]) == 'L' && UpperAscii(base[1]) == 'P' && UpperAscii(base[2]) == 'T')) &&
           base[3] >= '0' && base[3] <= '9';
}

// A name the system finds exactly when an entry of that name exists, compared
// without ASCII case: ASCII letters, digits, and a few marks; no "~" (a short
// name may alias a long one), no dot or blank at the end (they are stripped),
// no device name. The name is stem + extension, the extension empty or
// beginning with a dot; the stem's first `checked` characters are known to be
// plain ones.
bool IsPlainName(std::string_view stem, std::string_view extension, std::size_t checked) {
    const std::string_view tail = extension.empty() ? stem : extension;
    if (tail.empty() || tail.back() == '.' || tail.back() == ' ') return false;
    if (!std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(checked), stem.end(), IsPlainChar) ||
        !std::all_of(extension.begin(), extension.end(), IsPlainChar))
        return false;
    // A device name is what comes before the first dot, so it lies in the stem.
    return !IsDeviceName(stem.empty() ? extension : stem);
}

// One past the last place after which a missing folder could be left again:
// a separator that ends a part of only dots and blanks, or a byte of 0x80 or
// above (after which the parts are uncertain); 0 when there is none.
std::size_t WaysOutEnd(std::string_view text) {
    std::size_t end = 0;
    std::size_t partStart = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (IsHighByte(text[at])) {
            end = at + 1;
        } else if (IsPathSeparator(text[at])) {
            if (OnlyDotsAndBlanks(text.substr(partStart, at - partStart))) end = at + 1;
            partStart = at + 1;
        }
    }
    return end;
}

bool EndsName(char c) { return IsCandidateSeparator(c) || c == '"'; }

// Where the file called `name` ends in the text, its extension included:
// only where the name stands as a file name, right after a backslash or a
// slash and followed by a dot, the end, or a character that ends a name.
std::size_t EndOfNamedFile(std::string_view text, std::string_view name) {
    for (std::size_t from = 0;;) {
        const std::size_t found = FindNoCase(text.substr(from), name);
        if (found == std::string_view::npos) return std::string_view::npos;
        const std::size_t begin = from + found;
        from = begin + 1;
        if (begin == 0 || !IsPathSeparator(text[begin - 1])) continue;
        std::size_t end = begin + name.size();
        if (end < text.size() && text[end] == '.') {
            while (end < text.size() && !IsPathSeparator(text[end]) && !EndsName(text[end])) ++end;
        } else if (end < text.size() && !EndsName(text[end])) {
            continue;
        }
        return end;
    }
}

// The file a command line names in its folder (the name begins at
// nameStart): up to the first separator after a dot in the name, which ends
// "app.exe /min" and "my app.exe,1" where the arguments begin; without a dot
// all of it ("My Folder"), trailing semicolons left off.
std::string_view NamedPath(std::string_view work, std::size_t nameStart) {
    bool dot = false;
    for (std::size_t at = nameStart; at < work.size(); ++at) {
        if (work[at] == '.') dot = true;
        else if (dot && IsCandidateSeparator(work[at])) return work.substr(0, at);
    }
    while (work.size() > nameStart && work.back() == ';') work.remove_suffix(1);
    return work;
}

}  // namespace

bool IsCandidateSeparator(char c) {
    switch (c) {
    case ' ': case '*': case ',': case '/': case ':': case ';': case '<': case '>': case '?': case '|':
        return true;
    default:
        return false;
    }
}

FileReferenceTest::FileReferenceTest(FileSystem& files, FileReferenceOptions options)
    : files_(files), options_(options), codePage_(files.CodePage()) {}

// ---------------------------------------------------------------------------
// Remembered facts

std::uint32_t FileReferenceTest::FactTable::Probe(std::string_view text, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.entry == kNoEntry) return static_cast<std::uint32_t>(at);
        if (slot.hash != hash) continue;
        const Entry& entry = entries_[slot.entry];
        if (std::string_view(texts_).substr(entry.offset, entry.length) == text) return static_cast<std::uint32_t>(at);
    }
}

namespace {

std::uint32_t HashText(std::string_view text) {
    const std::uint64_t hash = std::hash<std::string_view>()(text);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

}  // namespace

std::uint32_t FileReferenceTest::FactTable::FindOrAdd(std::string_view text) {
    // Kept at most half full, so a miss ends soon at an empty slot.
    if (2 * (entries_.size() + 1) > slots_.size()) Grow();
    const std::uint32_t hash = HashText(text);
    Slot& slot = slots_[Probe(text, hash)];
    if (slot.entry != kNoEntry) return slot.entry;
    slot.hash = hash;
    slot.entry = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back(Entry{static_cast<std::uint32_t>(texts_.size()), static_cast<std::uint32_t>(text.size()), {}});
    texts_.append(text);
    return slot.entry;
}

void FileReferenceTest::FactTable::Grow() {
    std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.entry == kNoEntry) continue;
        std::size_t at = slot.hash & mask;
        while (slots_[at].entry != kNoEntry) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void FileReferenceTest::FactTable::Clear() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    entries_.clear();
    texts_.clear();
}

void FileReferenceTest::ForgetAnswers() {
    memoryBorn_ = std::chrono::steady_clock::now();
    facts_.Clear();
    goneText_.clear();
    goneTried_ = 0;
    listings_.clear();
    listedNames_.clear();
    listedText_.clear();
}

void FileReferenceTest::ForgetWhenFull() {
    if (facts_.size() >= kRememberedAnswers || listedNames_.size() >= kRememberedListedNames) ForgetAnswers();
}

std::uint32_t FileReferenceTest::FolderEntry(std::string_view path, std::uint32_t entry) {
    if (entry == kNoEntry) entry = facts_.FindOrAdd(path);
    if (facts_[entry].folder < 0) {
        const bool exists = files_.FolderExists(path);
        facts_[entry].folder = exists ? 1 : 0;
    }
    return entry;
}

bool FileReferenceTest::TooLong(std::string_view text, std::size_t extraChars) const {
    // Never fewer bytes than characters: most texts are decided by their size.
    if (text.size() + extraChars <= kLongestFileNameChars) return false;
    return FewestChars(text, codePage_) + extraChars > kLongestFileNameChars;
}

std::size_t FileReferenceTest::BytesWithinLimit(std::string_view text) const {
    if (!TooLong(text)) return text.size();
    return BytesOfFewestChars(text, kLongestFileNameChars, codePage_);
}

bool FileReferenceTest::FolderExists(std::string_view path) {
    if (TooLong(path)) return false;
    return facts_[FolderEntry(path)].folder == 1;
}

bool FileReferenceTest::AskFile(std::string_view path, std::uint32_t& entry) {
    entry = facts_.FindOrAdd(path);
    if (facts_[entry].file < 0) {
        const bool exists = files_.FileExists(path);
        facts_[entry].file = exists ? 1 : 0;
    }
    return facts_[entry].file == 1;
}

// ---------------------------------------------------------------------------
// What a container says of the names in it

FileReferenceTest::Place FileReferenceTest::PlaceOf(std::string_view path) {
    Place place;
    for (std::size_t end = path.size(); end > 0; --end)
        if (IsPathSeparator(path[end - 1])) {
            place.nameStart = end;
            break;
        }
    place.highByte = std::any_of(path.begin(), path.end(), IsHighByte);
    const std::string_view name = path.substr(place.nameStart);
    place.plainChars = std::all_of(name.begin(), name.end(), IsPlainChar);
    return place;
}

void FileReferenceTest::Advance(Place& place, std::string_view text, std::size_t from, std::size_t to) {
    for (std::size_t at = from; at < to; ++at) {
        const char c = text[at];
        if (IsHighByte(c)) place.highByte = true;
        if (!IsPathSeparator(c)) {
            if (!IsPlainChar(c)) place.plainChars = false;
            continue;
        }
        // Below a missing folder nothing exists, as long as no part of only
        // dots and blanks can lead back out of it.
        const bool gone = place.belowGone || place.container == Place::Container::Missing;
        place.belowGone = gone && !OnlyDotsAndBlanks(text.substr(place.nameStart, at - place.nameStart));
        place.nameStart = at + 1;
        place.plainChars = true;
        place.entry = kNoEntry;
        place.container = Place::Container::Unknown;
        place.range = Place::Range::Unknown;
    }
}

FileReferenceTest::Verdict FileReferenceTest::Judge(Place& place, std::string_view grown,
                                                    std::string_view extension) {
    // A relative name, or a folder form ("C:\dir\"): nothing to learn from a container.
    if (place.nameStart == 0) return Verdict::Ask;
    // In a double-byte code page a trail byte can look like a backslash, so
    // the split at the last separator would not be the system's.
    if (place.highByte) return Verdict::Ask;
    // Below a missing folder nothing is there, folder forms included: at least
    // one proper part lies between, and a last part of dots and blanks climbs
    // one level at most.
    if (place.belowGone) return Verdict::Missing;
    const std::string_view stem = grown.substr(place.nameStart);
    if (extension.empty() && OnlyDotsAndBlanks(stem)) return Verdict::Ask;
    // "dir .\x" names the folder "dir ." itself, while "dir .\" alone is read
    // as "dir": only a container whose last part ends cleanly answers for it.
    if (place.nameStart >= 2) {
        const char last = grown[place.nameStart - 2];
        if (last == '.' || last == ' ') return Verdict::Ask;
    }
    const std::string_view folder = grown.substr(0, place.nameStart);
    if (place.container == Place::Container::Unknown) {
        place.entry = FolderEntry(folder, place.entry);
        place.container = facts_[place.entry].folder == 1 ? Place::Container::Exists : Place::Container::Missing;
    }
    if (place.container == Place::Container::Missing) return Verdict::Missing;
    if (!place.plainChars || !IsPlainName(stem, extension, stem.size())) return Verdict::Ask;
    switch (ListedKind(place, folder, stem, extension)) {
    case Kind::Absent: return Verdict::Missing;
    case Kind::File: return Verdict::File;
    case Kind::Folder: return Verdict::Folder;
    case Kind::Either: break;
    }
    return Verdict::Ask;
}

std::int32_t FileReferenceTest::ListingOf(std::uint32_t container, std::string_view folder) {
    if (facts_[container].listing != kNotListed) return facts_[container].listing;
    facts_[container].listing = kUnlisted;
    auto entries = files_.ListFolder(folder);
    if (!entries) return kUnlisted;
    const std::size_t first = listedNames_.size();
    const std::size_t firstText = listedText_.size();
    for (const auto& entry : *entries) {
        // A name outside plain ASCII may match a plain one under the system's
        // case rules (or stand for a name the code page cannot show): such a
        // folder answers nothing from its listing.
        if (std::any_of(entry.name.begin(), entry.name.end(), [](char c) { return IsHighByte(c) || c == '?'; })) {
            listedNames_.resize(first);
            listedText_.resize(firstText);
            return kUnlisted;
        }
        listedNames_.push_back(ListedName{static_cast<std::uint32_t>(listedText_.size()),
                                          static_cast<std::uint32_t>(entry.name.size()),
                                          entry.isFolder ? Kind::Folder : Kind::File});
        for (char c : entry.name) listedText_.push_back(UpperAscii(c));
    }
    const std::string_view text(listedText_);
    auto textOf = [&](const ListedName& listed) { return text.substr(listed.offset, listed.length); };
    const auto begin = listedNames_.begin() + static_cast<std::ptrdiff_t>(first);
    std::sort(begin, listedNames_.end(),
              [&](const ListedName& a, const ListedName& b) { return textOf(a) < textOf(b); });
    // Names equal but for case (a case-sensitive folder under Wine) leave the
    // kind to the system.
    auto kept = begin;
    for (auto it = begin; it != listedNames_.end(); ++it) {
        if (kept != begin && textOf(*it) == textOf(*(kept - 1))) {
            if ((kept - 1)->kind != it->kind) (kept - 1)->kind = Kind::Either;
            continue;
        }
        *kept++ = *it;
    }
    listedNames_.erase(kept, listedNames_.end());
    listings_.push_back(
        Listing{static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(listedNames_.size() - first)});
    facts_[container].listing = static_cast<std::int32_t>(listings_.size() - 1);
    return facts_[container].listing;
}

void FileReferenceTest::Narrow(std::uint32_t& from, std::uint32_t& to, std::uint32_t depth,
                               std::string_view chars) const {
    // The names in range share their first `depth` characters and are in
    // order, so those that go on with `chars` lie together: a name that ends
    // sooner or goes on with less comes before them, one with more after.
    auto compare = [&](std::uint32_t index) {
        const ListedName& listed = listedNames_[index];
        const std::size_t available = listed.length - depth;
        const std::size_t count = std::min<std::size_t>(available, chars.size());
        for (std::size_t at = 0; at < count; ++at) {
            const auto have = static_cast<unsigned char>(listedText_[listed.offset + depth + at]);
            const auto wanted = static_cast<unsigned char>(UpperAscii(chars[at]));
            if (have != wanted) return have < wanted ? -1 : 1;
        }
        return available < chars.size() ? -1 : 0;
    };
    std::uint32_t low = from, high = to;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (compare(middle) < 0) low = middle + 1;
        else high = middle;
    }
    from = low;
    high = to;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (compare(middle) <= 0) low = middle + 1;
        else high = middle;
    }
    to = low;
}

FileReferenceTest::Kind FileReferenceTest::ListedKind(Place& place, std::string_view folder, std::string_view stem,
                                                      std::string_view extension) {
    if (place.range == Place::Range::Unknown) {
        const std::int32_t listing = ListingOf(place.entry, folder);
        if (listing < 0) {
            place.range = Place::Range::Unlisted;
        } else {
            const Listing& names = listings_[static_cast<std::size_t>(listing)];
            place.range = Place::Range::Set;
            place.from = names.first;
            place.to = names.first + names.count;
            place.matched = 0;
        }
    }
    if (place.range == Place::Range::Unlisted) return Kind::Either;
    // No listed name begins so: none of the longer ones is there either.
    if (place.from == place.to) return Kind::Absent;
    // The stem is narrowed once for all longer candidates; an extension only
    // for this question.
    if (place.matched < stem.size()) {
        Narrow(place.from, place.to, place.matched, stem.substr(place.matched));
        place.matched = static_cast<std::uint32_t>(stem.size());
    }
    std::uint32_t from = place.from, to = place.to;
    if (!extension.empty()) Narrow(from, to, place.matched, extension);
    if (from == to || listedNames_[from].length != stem.size() + extension.size()) return Kind::Absent;
    return listedNames_[from].kind;
}

bool FileReferenceTest::FileExists(std::string_view path) {
    if (TooLong(path)) return false;
    Place place = PlaceOf(path);
    return FileExistsAt(place, path);
}

bool FileReferenceTest::FileExistsAt(Place& place, std::string_view grown, std::string_view extension) {
    if (TooLong(grown, extension.size())) return false;
    switch (Judge(place, grown, extension)) {
    case Verdict::Missing:
    case Verdict::Folder: return false;
    case Verdict::File: return true;
    case Verdict::Ask: break;
    }
    std::uint32_t entry = kNoEntry;
    if (!extension.empty()) {
        scratch_.assign(grown);
        scratch_.append(extension);
        return AskFile(scratch_, entry);
    }
    const bool exists = AskFile(grown, entry);
    // A candidate in folder form is the container of those that grow from it.
    if (place.nameStart == grown.size() && place.entry == kNoEntry) place.entry = entry;
    return exists;
}

bool FileReferenceTest::FolderExistsAt(Place& place, std::string_view path) {
    if (TooLong(path)) return false;
    switch (Judge(place, path, {})) {
    case Verdict::Missing:
    case Verdict::File: return false;
    case Verdict::Folder: return true;
    case Verdict::Ask: break;
    }
    return FolderExists(path);
}

bool FileReferenceTest::FoundWithProgramExtension(Place& place, std::string_view candidate) {
    // The three names share the candidate's container, so one missing folder answers all three.
    if (TooLong(candidate, 4)) return false;
    using namespace std::string_view_literals;
    for (const std::string_view extension : {".exe"sv, ".com"sv, ".bat"sv})
        if (FileExistsAt(place, candidate, extension)) return true;
    return false;
}

bool FileReferenceTest::FoundBesideFolder(Place& place, std::string_view candidate, bool allowFolder) {
    if (FileExistsAt(place, candidate)) return true;
    if (allowFolder && FolderExistsAt(place, candidate)) return true;
    return FoundWithProgramExtension(place, candidate);
}

bool FileReferenceTest::FoundBesideFolder(std::string_view candidate, bool allowFolder) {
    if (TooLong(candidate)) return false;
    Place place = PlaceOf(candidate);
    return FoundBesideFolder(place, candidate, allowFolder);
}

std::string FileReferenceTest::ExpandFolderVariable(std::string_view var) {
    ForgetWhenFull();
    std::string expanded = files_.ExpandVariables(var);
    if (!FolderExists(expanded)) return std::string(var);
    return expanded;
}

bool FileReferenceTest::IsMissingFileReference(std::string_view path, std::string_view nameHint,
                                               std::string_view scanDrives, bool allowFolder,
                                               std::string* testedPath) {
    ForgetWhenFull();
    lookedFor_.clear();
    const bool missing = IsMissingAsRemembered(path, nameHint, scanDrives, allowFolder, testedPath);
    // Decided without a look (a drive without a disk), on answers all learned
    // a moment ago, or not there now either.
    if (missing && (lookedFor_.empty() || std::chrono::steady_clock::now() - memoryBorn_ < options_.trustAnswersFor ||
                    !FoundOnAskingAgain()))
        return true;
    // Something appeared since it was asked about: nothing remembered can be trusted.
    if (missing) ForgetAnswers();
    lookedFor_.clear();
    return false;
}

bool FileReferenceTest::FoundOnAskingAgain() {
    const bool fits = !TooLong(lookedFor_);
    if (fits && lookedForAs_.file && files_.FileExists(lookedFor_)) return true;
    if (fits && lookedForAs_.folder && files_.FolderExists(lookedFor_)) return true;
    if (!lookedForAs_.program || TooLong(programStem_, 4)) return false;
    using namespace std::string_view_literals;
    for (const std::string_view extension : {".exe"sv, ".com"sv, ".bat"sv})
        if (files_.FileExists(programStem_ + std::string(extension))) return true;
    return false;
}

bool FileReferenceTest::IsMissingAsRemembered(std::string_view path, std::string_view nameHint,
                                              std::string_view scanDrives, bool allowFolder,
                                              std::string* testedPath) {
    // Strings that are not tested.
    if (path.empty()) return false;
    if (path.find('?') != std::string_view::npos) return false;
    if (ContainsNoCase(path, "\\hp")) return false;
    if (options_.isWow64 && (ContainsNoCase(path, "system32") || ContainsNoCase(path, "ProgramFiles") ||
                             ContainsNoCase(path, "Program Files")))
        return false;

    // Cutting out the path.
    std::string_view work = path;
    if (work.front() == '"') {
        work.remove_prefix(1);
        if (work.empty()) return false;
        if (const std::size_t quote = work.find('"'); quote != std::string_view::npos) work = work.substr(0, quote);
    }
    std::string expanded;
    if (!work.empty() && work.front() == '%') {
        const std::string_view rest = work.substr(1);
        if (rest.empty()) return false;
        const std::size_t close = rest.find('%');
        // A lone "%" opens no variable: nothing to take apart.
        if (close == std::string_view::npos) return false;
        const std::string variable = "%" + std::string(rest.substr(0, close + 1));
        expanded = ExpandFolderVariable(variable);
        if (!expanded.empty() && expanded.front() == '%') return false;
        expanded.append(rest.substr(close + 1));
        work = expanded;
    }
    if (options_.isWow64 && (ContainsNoCase(work, "system32") || ContainsNoCase(work, "Program Files")))
        return false;

    std::string hinted;
    if (!nameHint.empty()) {
        if (nameHint.find('.') == std::string_view::npos) {
            // A bare name ("tool") occurs in many places ("C:\Tools\tool.exe"):
            // only the file of that name counts.
            const std::size_t end = EndOfNamedFile(work, nameHint);
            if (end == std::string_view::npos) return false;
            hinted.assign(work.substr(0, end));
        } else {
            const std::size_t at = FindNoCase(work, nameHint);
            if (at == std::string_view::npos) return false;
            hinted.assign(work.substr(0, at));
            hinted.append(nameHint);
        }
        work = hinted;
    } else if (work.empty()) {
        return false;
    }

    if (!OnScannedDrive(work, scanDrives)) return false;
    // The first ":\" right after the drive letter (which is no colon).
    if (work.size() < 3 || work[1] != ':' || work[2] != '\\') return false;
    if (testedPath) testedPath->assign(work);
    // Removable media: a drive without a disk is not touched at all.
    if (options_.includeRemoveMedia && ((StartsWithNoCase(work, "A:\\") && !options_.driveAReady) ||
                                        (StartsWithNoCase(work, "B:\\") && !options_.driveBReady)))
        return true;

    if (!nameHint.empty()) {
        lookedFor_.assign(work);
        lookedForAs_ = {true, false, false};
        return !FileExists(work);
    }

    // A command line that names a second drive is not tested.
    if (work.substr(3).find(":\\") != std::string_view::npos) return false;

    const std::string_view dir = work.substr(0, work.rfind('\\') + 1);
    if (dir.size() == work.size() && FolderExists(work)) return false;
    // What is looked for again is looked for only as the test itself would
    // have found it: a folder form as a folder; in the folder a file, a
    // folder where folders count, or, for a name without extension, a
    // program named by its first word; below a folder that is gone a file,
    // or such a program when something follows its name.
    lookedFor_.assign(dir.size() == work.size() ? work : NamedPath(work, dir.size()));
    const bool bareName = lookedFor_.find('.', dir.size()) == std::string::npos;
    programStem_.assign(work.substr(0, std::find_if(work.begin() + static_cast<std::ptrdiff_t>(dir.size()), work.end(),
                                                    IsCandidateSeparator) -
                                           work.begin()));
    if (dir.size() == work.size()) lookedForAs_ = {false, true, false};

    // Candidates longer than a file name can be are never found, so the
    // loops below stop where the system would refuse them.
    const std::uint32_t dirEntry = TooLong(dir) ? kNoEntry : FolderEntry(dir);
    // Every candidate is a beginning of work: those longer than this are too long.
    const std::size_t limit = BytesWithinLimit(work);
    if (dirEntry != kNoEntry && facts_[dirEntry].folder == 1) {
        lookedForAs_ = {true, allowFolder, bareName};
        // Grow from the folder: an argument list after an existing program
        // never becomes part of its name.
        Place place;
        place.nameStart = dir.size();
        place.highByte = std::any_of(dir.begin(), dir.end(), IsHighByte);
        place.entry = dirEntry;
        place.container = Place::Container::Exists;
        std::size_t length = dir.size();
        for (; length < work.size() && length <= limit; ++length) {
            if (IsCandidateSeparator(work[length]) && FoundBesideFolder(place, work.substr(0, length), allowFolder))
                return false;
            Advance(place, work, length, length + 1);
        }
        std::string_view candidate = work;
        if (length == work.size() ? FoundBesideFolder(place, candidate, allowFolder)
                                  : FoundBesideFolder(candidate, allowFolder))
            return false;
        while (!candidate.empty() && candidate.back() == ';') {
            candidate.remove_suffix(1);
            if (candidate.empty()) break;
            if (candidate.size() <= limit && FoundBesideFolder(candidate, allowFolder)) return false;
        }
        return true;
    }

    if (dir.size() < work.size()) lookedForAs_ = {true, false, bareName && programStem_.size() < work.size()};
    // The folder is gone: some prefix of the string may still name a file.
    // The candidates a text shares with the last one tried this way found
    // nothing then and find nothing now: the loop resumes where that one
    // stood at the end of the shared part.
    const std::string_view text = work.substr(0, limit);
    const auto shared = static_cast<std::size_t>(
        std::mismatch(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), goneTried_)),
                      goneText_.begin())
            .first -
        text.begin());
    Place place = shared > 0 ? gonePlaces_[shared] : Place{};
    goneText_.assign(text);
    if (gonePlaces_.size() <= text.size()) gonePlaces_.resize(text.size() + 1);
    std::size_t waysOutEnd = std::string_view::npos;
    std::size_t length = shared;
    for (; length < text.size(); ++length) {
        gonePlaces_[length] = place;
        goneTried_ = length;
        // Once below a missing folder with no way out of it further on, every
        // longer candidate is missing.
        if (place.belowGone && !place.highByte) {
            if (waysOutEnd == std::string_view::npos) waysOutEnd = WaysOutEnd(text);
            if (waysOutEnd <= length) return true;
        }
        if (IsCandidateSeparator(text[length]) && FoundWithProgramExtension(place, text.substr(0, length)))
            return false;
        Advance(place, text, length, length + 1);
        if (FileExistsAt(place, text.substr(0, length + 1))) return false;
    }
    gonePlaces_[length] = place;
    goneTried_ = length;
    return true;
}

}  // namespace ks
