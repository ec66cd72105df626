// The post-scan filter: findings the program must never offer for deletion
// leave the problem list before the user sees it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "repair/problem_list.h"

namespace ks {

// Built-in key exclusions, always used. Kept exactly as shipped.
extern const std::array<const char*, 42> ListBox1;
// Further key exclusions for Vista-generation and Windows 7 (version codes 11
// and 12). One entry has a misspelt root; it is kept as shipped and so
// matches nothing on its own.
extern const std::array<const char*, 10> ListBox2;

struct FilterInputs {
    const std::vector<std::string>& IgnoreValues;
    const std::vector<std::string>& IgnoreKeys;
    const UnrepairedFindings& Unrepaired;
    std::uint8_t WindowsVersion = 0;
};

// The built-in rules that no list can switch off: two shell extensions,
// per-user profile folders and paths with wildcard-like "?" characters.
bool FailsFixedRules(const Finding& row);

// The key path and value name an ignore-list entry is matched against.
struct IgnoreTarget {
    std::string Target;  // empty for a file finding
    std::string Name;    // empty when the finding is about a whole key
};
// Nothing for a KeyPath without a backslash: such a row is never matched.
bool DeriveIgnoreTarget(const Finding& row, IgnoreTarget& target);

// ListBox1, then the key ignore list, then ListBox2 when the version code is
// 11 or 12.
std::vector<std::string> CombinedKeyList(const std::vector<std::string>& ignoreKeys, std::uint8_t windowsVersion);

// Pass C for one row: the value ignore list, then the combined key list.
// Entries that name no key at all (empty, blanks or backslashes only) are
// passed over: appended with a backslash they would match every finding.
bool MatchesIgnoreLists(const Finding& row, const std::vector<std::string>& ignoreValues,
                        const std::vector<std::string>& combinedKeys);

// Removes every row that one of the three passes rejects, visiting the rows
// from the last to the first; survivors keep their order and check marks.
// Answers the number of rows removed.
std::size_t RemoveFilteredFindings(ProblemList& list, const FilterInputs& inputs);

}  // namespace ks
