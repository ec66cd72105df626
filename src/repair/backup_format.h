// The text of a backup file: REGEDIT4 export text, 8-bit ANSI, CR LF lines,
// one block per backed-up key. Every value is written in the form that the
// registry editor imports back to the same type and the same bytes.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "scan/registry.h"

namespace ks {

inline constexpr std::string_view kRegHeaderLine = "REGEDIT4";
inline constexpr std::string_view kLineEnd = "\r\n";

// The local time at which a repair starts.
struct BackupTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// OutputDirectory + "\" (when missing) + "Backup" + yyyyMMddhhmmss + ".reg".
std::string MakeBackupFileName(std::string_view outputDirectory, const BackupTime& start,
                               const LeadBytes& leadBytes = ActiveCodePage().Leads());

// Backslashes doubled, double quotes preceded by a backslash. The second byte
// of a two-byte character is never touched, even when it is 0x5C.
std::string EscapeRegText(std::string_view text, const LeadBytes& leadBytes = {});

// One key as a backup holds it: the full path with the root name, and its
// values exactly as stored. A file of other origin may also delete: the whole
// key with its subtree ([-path]), or single values ("name"=-).
struct RegBlock {
    std::string keyPath;
    std::vector<RegValue> values;
    bool deleted = false;
    std::vector<std::string> deletedValues;

    friend bool operator==(const RegBlock&, const RegBlock&) = default;
};

// Whether a key or value name can stand in a backup at all: a line break, a
// NUL or half a two-byte character in it cannot be written so that the import
// finds the same name.
bool IsWritableName(std::string_view name, const LeadBytes& leadBytes = {});

// Appends one value line (a long byte list continues on further lines). False,
// with nothing appended, when the name is not writable.
bool AppendValueLine(std::string& out, const RegValue& value, const LeadBytes& leadBytes = {});

// Appends a block: an empty line, the key line, the value lines. False, with
// nothing appended, when the key path or a value name is not writable, or the
// block deletes anything (a backup only ever adds).
bool AppendBlock(std::string& out, const RegBlock& block, const LeadBytes& leadBytes = {});

}  // namespace ks
