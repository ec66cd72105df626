// Each step in its order, one query per question.
#include "support/straightforward_path_test.h"

#include <cctype>

namespace ks::test {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

bool Has(std::string_view text, std::string_view part) { return Lower(text).find(Lower(part)) != std::string::npos; }

bool Separator(char c) { return std::string_view(" *,/:;<>?|").find(c) != std::string_view::npos; }

}  // namespace

bool StraightforwardPathTest::IsMissing(std::string_view pathView, std::string_view nameHint,
                                        std::string_view scanDrives, bool allowFolder) const {
    const std::string path(pathView);
    if (path.empty() || Has(path, "?") || Has(path, "\\hp")) return false;
    if (isWow64 && (Has(path, "system32") || Has(path, "ProgramFiles") || Has(path, "Program Files"))) return false;

    std::string work = path;
    if (path[0] == '"') {
        work = path.substr(1);
        if (work.empty()) return false;
        if (work.find('"') != std::string::npos) work = work.substr(0, work.find('"'));
    }
    if (!work.empty() && work[0] == '%') {
        const std::string rest = work.substr(1);
        if (rest.empty()) return false;
        const size_t close = rest.find('%');
        if (close == std::string::npos) return false;
        const std::string variable = "%" + rest.substr(0, close + 1);
        std::string result = files.ExpandVariables(variable);
        if (!files.FolderExists(result)) result = variable;
        if (result[0] == '%') return false;
        work = result + rest.substr(close + 1);
    }
    if (isWow64 && (Has(work, "system32") || Has(work, "Program Files"))) return false;

    if (!nameHint.empty() && nameHint.find('.') == std::string_view::npos) {
        // A bare name: the first place where it is a whole file name, after a
        // slash or backslash, with what follows a dot up to the end of the name.
        const std::string lower = Lower(work);
        const auto endsName = [](char c) { return c == '"' || Separator(c); };
        size_t end = std::string::npos;
        for (size_t at = lower.find(Lower(nameHint)); at != std::string::npos && end == std::string::npos;
             at = lower.find(Lower(nameHint), at + 1)) {
            if (at == 0 || (work[at - 1] != '\\' && work[at - 1] != '/')) continue;
            size_t after = at + nameHint.size();
            if (after < work.size() && work[after] == '.') {
                while (after < work.size() && work[after] != '\\' && work[after] != '/' && !endsName(work[after]))
                    ++after;
                end = after;
            } else if (after == work.size() || endsName(work[after])) {
                end = after;
            }
        }
        if (end == std::string::npos) return false;
        work = work.substr(0, end);
    } else if (!nameHint.empty()) {
        const size_t at = Lower(work).find(Lower(nameHint));
        if (at == std::string::npos) return false;
        work = work.substr(0, at) + std::string(nameHint);
    } else if (work.empty()) {
        return false;
    }
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(work[0])));
    if (!std::isalpha(static_cast<unsigned char>(work[0])) ||
        Lower(scanDrives).find(static_cast<char>(std::tolower(first))) == std::string::npos)
        return false;
    if (work.find(":\\") != 1) return false;
    if (includeRemoveMedia) {
        if (first == 'A' && !driveAReady) return true;
        if (first == 'B' && !driveBReady) return true;
    }
    if (!nameHint.empty()) return !files.FileExists(work);

    if (work.substr(3).find(":\\") != std::string::npos) return false;
    const std::string dir = work.substr(0, work.rfind('\\') + 1);
    if (dir == work && files.FolderExists(work)) return false;

    auto found = [&](const std::string& candidate) {
        return files.FileExists(candidate) || (allowFolder && files.FolderExists(candidate)) ||
               files.FileExists(candidate + ".exe") || files.FileExists(candidate + ".com") ||
               files.FileExists(candidate + ".bat");
    };
    if (files.FolderExists(dir)) {
        std::string candidate = dir;
        for (size_t i = dir.size(); i < work.size(); ++i) {
            if (Separator(work[i]) && found(candidate)) return false;
            candidate += work[i];
        }
        if (found(candidate)) return false;
        while (!candidate.empty() && candidate.back() == ';') {
            candidate.pop_back();
            if (candidate.empty()) break;
            if (found(candidate)) return false;
        }
        return true;
    }
    std::string candidate;
    for (char c : work) {
        if (Separator(c) && (files.FileExists(candidate + ".exe") || files.FileExists(candidate + ".com") ||
                             files.FileExists(candidate + ".bat")))
            return false;
        candidate += c;
        if (files.FileExists(candidate)) return false;
    }
    return true;
}

}  // namespace ks::test
