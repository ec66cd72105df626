// The post-scan filter: findings the program must never offer for deletion
// leave the problem list before the user sees it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "repair/key_aliases.h"
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
    // The other names of the keys the rows name; null knows only the classes hives.
    KeyAliases* Aliases = nullptr;
};

// Twins: rows that would delete the same key, value or file, whichever root
// name or section reached it. One row of each group stays: the one named
// below HKEY_CURRENT_USER when there is one, otherwise the first. Answers the
// number of rows removed.
std::size_t RemoveTwinFindings(ProblemList& list, KeyAliases& aliases);

// The built-in rules that no list can switch off: two shell extensions,
// per-user profile folders and paths with wildcard-like "?" characters.
bool FailsFixedRules(const Finding& row);

// The key path and value name an ignore-list entry is matched against.
struct IgnoreTarget {
    std::string Target;  // empty for a file finding
    std::string Name;    // empty when the finding is about a whole key
};
// A KeyPath that is a root's name alone names a value in that root. Nothing
// for any other KeyPath without a backslash: such a row is never matched.
bool DeriveIgnoreTarget(const Finding& row, IgnoreTarget& target);

// ListBox1, then the key ignore list, then ListBox2 when the version code is
// 11 or 12.
std::vector<std::string> CombinedKeyList(const std::vector<std::string>& ignoreKeys, std::uint8_t windowsVersion);

// Pass C for one row: the value ignore list, then the combined key list.
// Entries that name no key at all (empty, blanks or backslashes only) are
// passed over: appended with a backslash they would match every finding. An
// entry covers the item under each of its names (KeyAliases); a value kept
// under a ROT13 name is also matched by its readable name, as the list shows it.
bool MatchesIgnoreLists(const Finding& row, const std::vector<std::string>& ignoreValues,
                        const std::vector<std::string>& combinedKeys, KeyAliases* aliases = nullptr);

// Removes the twins, then every row that one of the three passes rejects,
// visiting the rows from the last to the first; survivors keep their order
// and check marks. Answers the number of rows removed.
std::size_t RemoveFilteredFindings(ProblemList& list, const FilterInputs& inputs);

// The end of a scan: `filter` runs over the list, then every row that stayed
// is ticked for repair. When the filter fails (throws), no row is left
// ticked and the answer is false: rows the filter did not see through must
// never reach a repair, least of all an unattended one.
bool FilterThenTick(ProblemList& list, const std::function<void()>& filter);

}  // namespace ks
