// The findings as text, CSV and JSON.
#include "cli/cli_output.h"

#include "repair/text_report.h"
#include "scan/task_ids.h"

namespace ks::cli {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

const char* SectionName(int id) {
    const TaskInfo* task = FindTask(id);
    return task ? task->caption : "";
}

}  // namespace

const char* RemovalKindName(RemovalKind kind) {
    switch (kind) {
    case RemovalKind::DeleteKey: return "DeleteKey";
    case RemovalKind::DeleteValueInPath: return "DeleteValueInPath";
    case RemovalKind::DeleteNamedValue: return "DeleteNamedValue";
    case RemovalKind::DeleteSubkey: return "DeleteSubkey";
    case RemovalKind::DeleteFile: return "DeleteFile";
    case RemovalKind::DeleteDefaultValue: return "DeleteDefaultValue";
    case RemovalKind::DeleteEncodedValue: return "DeleteEncodedValue";
    }
    return "";
}

std::vector<SectionFinding> WithSections(const std::vector<SectionFinding>& all, const std::vector<Finding>& kept) {
    // The filter judges a finding by its texts alone, so equal findings are
    // kept or dropped together and the first match in order is the right one.
    std::vector<SectionFinding> out;
    out.reserve(kept.size());
    std::size_t next = 0;
    for (const Finding& finding : kept) {
        while (next < all.size() && !(all[next].finding == finding)) ++next;
        out.push_back({next < all.size() ? all[next].section : 0, finding});
        if (next < all.size()) ++next;
    }
    return out;
}

std::string TextLine(const Finding& finding) {
    return finding.Problem + kReportSeparator + finding.KeyPath + kReportSeparator + finding.Value;
}

FindingDetails DetailsOf(const Finding& finding, RemovalPreview preview, TextLookup lookupText) {
    FindingDetails details{finding.Reason, std::move(preview), ReasonText(finding.Reason, lookupText), {}, {}};
    details.removalText = RemovalText(details.preview, lookupText);
    details.text = DetailsText(finding.Reason, details.preview, lookupText);
    return details;
}

std::string DetailsSuffix(const FindingDetails& details) { return "  (" + details.text + ")"; }

namespace {

// Keys below a deleted key and values it takes along; a value row takes one value.
std::uint64_t ValuesTaken(const RemovalPreview& preview) {
    switch (preview.what) {
    case RemovalPreview::What::Key: return preview.values;
    case RemovalPreview::What::Value:
    case RemovalPreview::What::DefaultValue: return 1;
    case RemovalPreview::What::File:
    case RemovalPreview::What::Nothing: break;
    }
    return 0;
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FindingsCsv(const std::vector<SectionFinding>& findings, const std::vector<FindingDetails>* details) {
    std::string csv = "section,problem,keyPath,value,removalKind";
    if (details) csv += ",reasonKind,reasonDetail,reason,deletes,deletesText,keysBelow,values,countComplete";
    csv += kLineEnd;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const SectionFinding& row = findings[i];
        csv += std::to_string(row.section) + ',' + CsvField(row.finding.Problem) + ',' + CsvField(row.finding.KeyPath) +
               ',' + CsvField(row.finding.Value) + ',' + RemovalKindName(row.finding.RemovalKind);
        if (details && i < details->size()) {
            const FindingDetails& d = (*details)[i];
            csv += std::string(",") + ReasonKindName(d.reason.Kind) + ',' + CsvField(d.reason.Detail) + ',' +
                   CsvField(d.reasonText) + ',' + RemovalWhatName(d.preview.what) + ',' + CsvField(d.removalText) +
                   ',' + std::to_string(d.preview.keys) + ',' + std::to_string(ValuesTaken(d.preview)) + ',' +
                   (d.preview.countCut ? "false" : "true");
        }
        csv += kLineEnd;
    }
    return csv;
}

std::string JsonString(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(utf8, i);
            if (length == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(utf8.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

std::string FindingsJson(const ScanSummary& summary, const std::vector<SectionFinding>& findings,
                         const ToUtf8& toUtf8, const std::vector<FindingDetails>* details) {
    const std::string nl = kLineEnd;
    std::string json = "{" + nl;
    json += "  \"program\": " + JsonString("Quarlo Keyscrub") + "," + nl;
    json += "  \"version\": " + JsonString(summary.version) + "," + nl;
    json += "  \"sections\": [";
    for (std::size_t i = 0; i < summary.sections.size(); ++i) {
        json += i ? ", " : "";
        json += "{\"id\": " + std::to_string(summary.sections[i]) +
                ", \"name\": " + JsonString(SectionName(summary.sections[i])) + "}";
    }
    json += "]," + nl;
    json += "  \"completed\": " + std::string(summary.completed ? "true" : "false") + "," + nl;
    const std::size_t filtered = summary.found >= findings.size() ? summary.found - findings.size() : 0;
    json += "  \"counts\": {\"found\": " + std::to_string(summary.found) + ", \"filtered\": " +
            std::to_string(filtered) + ", \"reported\": " + std::to_string(findings.size()) + "}," + nl;
    json += "  \"findings\": [";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i].finding;
        json += (i ? "," : "") + nl + "    {\"section\": " + std::to_string(findings[i].section) +
                ", \"problem\": " + JsonString(toUtf8(f.Problem)) + ", \"keyPath\": " + JsonString(toUtf8(f.KeyPath)) +
                ", \"value\": " + JsonString(toUtf8(f.Value)) + ", \"removalKind\": " +
                JsonString(RemovalKindName(f.RemovalKind));
        if (details && i < details->size()) {
            const FindingDetails& d = (*details)[i];
            json += ", \"reasonKind\": " + JsonString(ReasonKindName(d.reason.Kind)) +
                    ", \"reasonDetail\": " + JsonString(toUtf8(d.reason.Detail)) +
                    ", \"reason\": " + JsonString(toUtf8(d.reasonText)) +
                    ", \"deletes\": " + JsonString(RemovalWhatName(d.preview.what)) +
                    ", \"deletesText\": " + JsonString(toUtf8(d.removalText)) +
                    ", \"keysBelow\": " + std::to_string(d.preview.keys) +
                    ", \"values\": " + std::to_string(ValuesTaken(d.preview)) +
                    ", \"countComplete\": " + (d.preview.countCut ? "false" : "true");
        }
        json += "}";
    }
    json += (findings.empty() ? "]" : nl + "  ]") + nl + "}" + nl;
    return json;
}

}  // namespace ks::cli
