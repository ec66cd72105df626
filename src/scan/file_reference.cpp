// Taking a registry string apart into the file it names, and testing that file.
#include "scan/file_reference.h"

#include <algorithm>

#include "settings/text.h"

namespace ks {

namespace {

constexpr std::size_t kRememberedAnswers = 1 << 15;  // per kind; forgotten wholesale when full
constexpr std::size_t kRememberedListedNames = 1 << 17;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Position of needle in text comparing ASCII letters without case.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
    if (needle.empty()) return 0;
    if (needle.size() > text.size()) return std::string_view::npos;
    const auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
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

// Reserved device names: in any folder they name the device, listed or not.
bool IsDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
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
// no device name.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                           c == '.' || c == '-' || c == '_';
        if (!plain) return false;
    }
    return !IsDeviceName(name);
}

template <typename Answers, typename Query>
bool Remember(Answers& answers, std::string_view path, Query query) {
    if (const auto it = answers.find(path); it != answers.end()) return it->second;
    const bool answer = query();
    if (answers.size() >= kRememberedAnswers) answers.clear();
    answers.emplace(std::string(path), answer);
    return answer;
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
    : files_(files), options_(options) {}

void FileReferenceTest::ForgetAnswers() {
    fileAnswers_.clear();
    folderAnswers_.clear();
    listings_.clear();
    listedNames_ = 0;
    lastContainer_.clear();
}

bool FileReferenceTest::ContainerMayHold(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    // A relative name, or a folder form ("C:\dir\"): nothing to learn from a container.
    if (slash == std::string_view::npos || slash + 1 == path.size()) return true;
    const std::string_view name = path.substr(slash + 1);
    if (OnlyDotsAndBlanks(name)) return true;
    // In a double-byte code page a trail byte can look like a backslash, so
    // the split above would not be the system's.
    if (std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return true;
    const std::string_view container = path.substr(0, slash + 1);
    // "dir .\x" names the folder "dir ." itself, while "dir .\" alone is read
    // as "dir": only a container whose last part ends cleanly answers for it.
    if (container.size() >= 2) {
        const char last = container[container.size() - 2];
        if (last == '.' || last == ' ') return true;
    }
    if (lastContainer_.empty() || container != lastContainer_) {
        lastContainerExists_ = FolderExists(container);
        lastContainer_.assign(container);
    }
    if (!lastContainerExists_) return false;
    if (!IsPlainName(name)) return true;
    const auto* names = Listing(container);
    if (!names) return true;
    upperName_.assign(name);
    for (char& c : upperName_) c = UpperAscii(c);
    return names->count(upperName_) != 0;
}

const std::unordered_set<std::string>* FileReferenceTest::Listing(std::string_view folder) {
    if (auto it = listings_.find(folder); it != listings_.end()) return it->second ? &*it->second : nullptr;
    std::optional<std::unordered_set<std::string>> names;
    if (auto entries = files_.ListFolder(folder)) {
        names.emplace();
        for (const auto& entry : *entries) {
            // A name outside plain ASCII may match a plain one under the
            // system's case rules (or stand for a name the code page cannot
            // show): such a folder answers nothing from its listing.
            if (std::any_of(entry.name.begin(), entry.name.end(),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80 || c == '?'; })) {
                names.reset();
                break;
            }
            std::string upper = entry.name;
            for (char& c : upper) c = UpperAscii(c);
            names->insert(std::move(upper));
        }
    }
    listedNames_ += names ? names->size() + 1 : 1;
    if (listedNames_ > kRememberedListedNames) {
        listings_.clear();
        listedNames_ = names ? names->size() + 1 : 1;
    }
    auto [it, inserted] = listings_.emplace(std::string(folder), std::move(names));
    return it->second ? &*it->second : nullptr;
}

bool FileReferenceTest::FileExists(std::string_view path) {
    if (path.size() > kLongestFileNameChars) return false;
    if (!ContainerMayHold(path)) return false;
    return Remember(fileAnswers_, path, [&] { return files_.FileExists(path); });
}

bool FileReferenceTest::CandidateFolderExists(std::string_view path) {
    if (path.size() > kLongestFileNameChars) return false;
    if (!ContainerMayHold(path)) return false;
    return FolderExists(path);
}

bool FileReferenceTest::FolderExists(std::string_view path) {
    if (path.size() > kLongestFileNameChars) return false;
    return Remember(folderAnswers_, path, [&] { return files_.FolderExists(path); });
}

bool FileReferenceTest::FoundWithProgramExtension(std::string_view candidate) {
    // The three names share a container, so one missing folder answers all three.
    if (candidate.size() + 4 > kLongestFileNameChars) return false;
    for (const char* extension : {".exe", ".com", ".bat"}) {
        scratch_.assign(candidate);
        scratch_ += extension;
        if (FileExists(scratch_)) return true;
    }
    return false;
}

bool FileReferenceTest::FoundBesideFolder(std::string_view candidate, bool allowFolder) {
    if (FileExists(candidate)) return true;
    if (allowFolder && CandidateFolderExists(candidate)) return true;
    return FoundWithProgramExtension(candidate);
}

std::string FileReferenceTest::ExpandFolderVariable(std::string_view var) {
    std::string expanded = files_.ExpandVariables(var);
    if (!FolderExists(expanded)) return std::string(var);
    return expanded;
}

bool FileReferenceTest::IsMissingFileReference(std::string_view path, std::string_view nameHint,
                                               std::string_view scanDrives, bool allowFolder) {
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
        const std::size_t at = FindNoCase(work, nameHint);
        if (at == std::string_view::npos) return false;
        hinted.assign(work.substr(0, at));
        hinted.append(nameHint);
        work = hinted;
    } else if (work.empty()) {
        return false;
    }

    if (!OnScannedDrive(work, scanDrives)) return false;
    if (work.find(":\\") != 1) return false;
    // Removable media: a drive without a disk is not touched at all.
    if (options_.includeRemoveMedia && ((StartsWithNoCase(work, "A:\\") && !options_.driveAReady) ||
                                        (StartsWithNoCase(work, "B:\\") && !options_.driveBReady)))
        return true;

    if (!nameHint.empty()) return !FileExists(work);

    // A command line that names a second drive is not tested.
    if (work.substr(3).find(":\\") != std::string_view::npos) return false;

    const std::string_view dir = work.substr(0, work.rfind('\\') + 1);
    if (dir.size() == work.size() && FolderExists(work)) return false;

    if (FolderExists(dir)) {
        // Grow from the folder: an argument list after an existing program
        // never becomes part of its name.
        for (std::size_t length = dir.size(); length < work.size(); ++length)
            if (IsCandidateSeparator(work[length]) && FoundBesideFolder(work.substr(0, length), allowFolder))
                return false;
        std::string_view candidate = work;
        if (FoundBesideFolder(candidate, allowFolder)) return false;
        while (!candidate.empty() && candidate.back() == ';') {
            candidate.remove_suffix(1);
            if (candidate.empty()) break;
            if (FoundBesideFolder(candidate, allowFolder)) return false;
        }
        return true;
    }

    // The folder is gone: some prefix of the string may still name a file.
    for (std::size_t length = 0; length < work.size(); ++length) {
        if (IsCandidateSeparator(work[length]) && FoundWithProgramExtension(work.substr(0, length))) return false;
        if (FileExists(work.substr(0, length + 1))) return false;
    }
    return true;
}

}  // namespace ks
