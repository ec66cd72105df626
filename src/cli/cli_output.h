// What keyscrub-cli prints: findings as report lines, as CSV and as JSON, and
// the lists of the repair and backups commands.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/finding_details.h"
#include "scan/finding.h"

namespace ks::cli {

// Every line the program writes ends with this.
inline constexpr char kLineEnd[] = "\r\n";

// A finding with the task id of the section that found it.
struct SectionFinding {
    int section = 0;
    Finding finding;

    friend bool operator==(const SectionFinding&, const SectionFinding&) = default;
};

// The removal kind's name as in the README: "DeleteKey" … "DeleteEncodedValue".
const char* RemovalKindName(RemovalKind kind);

// The findings that survived a filter (`kept`, a subsequence of `all`'s
// findings in the same order) with the section each came from.
std::vector<SectionFinding> WithSections(const std::vector<SectionFinding>& all, const std::vector<Finding>& kept);

// One finding in the text report's layout, without a line end.
std::string TextLine(const Finding& finding);

// What --details tells of a finding: its reason, and what its repair would
// delete as read when the output is made, with both in words.
struct FindingDetails {
    FindingReason reason;
    RemovalPreview preview;
    std::string reasonText;   // "The file … was not found."
    std::string removalText;  // "the value … (REG_SZ, 34 bytes)"
    std::string text;         // both, as a report line's details give them
};
FindingDetails DetailsOf(const Finding& finding, RemovalPreview preview, TextLookup lookupText = nullptr);
// "  (reason; Repair deletes: …)", to follow a report line.
std::string DetailsSuffix(const FindingDetails& details);

// One CSV field: quoted when it holds a comma, a quote, CR or LF (quotes
// doubled), as it is otherwise.
std::string CsvField(std::string_view text);
// The header row and one row per finding, each ending in CR LF. With details
// (one per finding) the columns of the details follow.
std::string FindingsCsv(const std::vector<SectionFinding>& findings,
                        const std::vector<FindingDetails>* details = nullptr);

// Converts the program's ANSI texts to UTF-8 for JSON.
using ToUtf8 = std::function<std::string(std::string_view ansi)>;

// A JSON string literal of UTF-8 text: quotes, backslashes and every control
// character escaped; bytes that are not valid UTF-8 become U+FFFD.
std::string JsonString(std::string_view utf8);

struct ScanSummary {
    std::string version;
    std::vector<int> sections;  // task ids run, in order
    bool completed = true;      // false when the scan ended in a failure
    std::size_t found = 0;      // findings before the filter
};

// The JSON document of a scan (see the README for its schema); with details
// (one per finding) each finding has their fields too.
std::string FindingsJson(const ScanSummary& summary, const std::vector<SectionFinding>& findings,
                         const ToUtf8& toUtf8, const std::vector<FindingDetails>* details = nullptr);

}  // namespace ks::cli
