// Adding findings of the problem list to the two ignore lists.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repair/problem_list.h"

namespace ks {

struct SettingsRecord;

enum class IgnoreListKind { None, Key, Value };

// The entry a row adds and the list it goes to. A file finding goes to no
// list (List None, empty Text).
struct IgnoreEntry {
    std::string Text;
    IgnoreListKind List = IgnoreListKind::None;
    friend bool operator==(const IgnoreEntry&, const IgnoreEntry&) = default;
};

// Nothing for a row whose KeyPath holds no backslash and is no root's name:
// such a row is never added. A default value right in a root goes to the
// value list as Root\@: the root itself in the key list would hide all of it.
std::optional<IgnoreEntry> IgnoreEntryFor(const Finding& row);

// True when `list` already holds `entry`, ignoring case.
bool IsInIgnoreList(std::string_view entry, const std::vector<std::string>& list);

// What one visit of the add command did.
struct IgnoreAddOutcome {
    std::size_t Added = 0;         // entries appended to a list
    std::size_t FilesRemoved = 0;  // file rows removed without an entry
    std::size_t Kept = 0;          // selected rows left in place
};

// The add command over the selected rows of `list`, from the last row to the
// first: each entry is appended to its list of `settings` (its count raised in
// the same step) and the row removed; file rows are removed without an entry;
// rows already covered by an equal entry, or without a backslash, stay. Does
// nothing without a focused row.
IgnoreAddOutcome AddSelectedToIgnoreLists(ProblemList& list, SettingsRecord& settings);

}  // namespace ks
