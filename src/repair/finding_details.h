// What a row's tip and the command line's details say about a finding: why it
// is there, and what its repair would delete, read when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "repair/repair.h"
#include "scan/file_system.h"
#include "scan/finding.h"
#include "scan/registry.h"

namespace ks {

// Counting what a key holds stops past this many keys and values together.
inline constexpr std::uint64_t kMostCountedItems = 100000;

// What repair would delete for a finding, as the registry and the disk hold it now.
struct RemovalPreview {
    enum class What { Nothing, Value, DefaultValue, Key, File };
    What what = What::Nothing;
    std::string name;             // Value: the name as the row shows it; File: the path
    std::uint32_t type = 0;       // Value, DefaultValue
    std::uint64_t sizeBytes = 0;  // Value, DefaultValue
    std::uint64_t keys = 0;       // Key: the keys below it, at any depth
    std::uint64_t values = 0;     // Key: the values of the key and of every key below it
    bool countCut = false;        // Key: counting stopped past the limit
};

// Reads only; asks the key's own hive for a key below HKEY_CLASSES_ROOT, as
// repair deletes it there.
RemovalPreview PreviewRemoval(Registry& registry, FileSystem& files, const Finding& finding,
                              const LeadBytes& leadBytes, std::uint64_t limit = kMostCountedItems);

// "REG_SZ", "REG_DWORD" …; "type N" for a type without a name.
std::string RegTypeName(std::uint32_t type);

// The reason in words, in the active language; "" when none was recorded.
std::string ReasonText(const FindingReason& reason, TextLookup lookupText = nullptr);
// "the value Path (REG_SZ, 34 bytes)", "the key and everything below it: 3 keys, 5 values" …
std::string RemovalText(const RemovalPreview& preview, TextLookup lookupText = nullptr);
// The row's tip: its key (or file) and value, the reason and what repair
// deletes, one per line, lines separated by CR LF.
std::string FindingTip(const Finding& finding, const RemovalPreview& preview, TextLookup lookupText = nullptr);
// For the command line: "reason; repair deletes: …", or what there is of it.
std::string DetailsText(const FindingReason& reason, const RemovalPreview& preview, TextLookup lookupText = nullptr);

// Names for the machine-readable outputs: "MissingFile" …, "value", "defaultValue", "key", "file", "nothing".
const char* ReasonKindName(ReasonKind kind);
const char* RemovalWhatName(RemovalPreview::What what);

}  // namespace ks
