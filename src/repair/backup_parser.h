// Reading a backup's REGEDIT4 text back into keys and values, as the registry
// editor's import would store them. The reader is strict: a line the importer
// would skip, guess at or only warn about is an error here, so that a block
// that reads back cleanly is one the import restores exactly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_format.h"

namespace ks {

struct RegParseResult {
    // The blocks in file order; a key that appears twice gives two blocks.
    std::vector<RegBlock> blocks;
    bool ok = false;
    std::size_t errorLine = 0;  // 1-based, when not ok
    std::string error;
};

// Parses a whole file (requireHeader: it must start with the REGEDIT4 line) or
// a run of blocks cut from one. Values read as the "A" registry functions would
// read them after the import: a quoted string gains its NUL, and string types
// written as bytes gain one when their last byte is not NUL.
RegParseResult ParseRegText(std::string_view text, bool requireHeader, const LeadBytes& leadBytes = {});

}  // namespace ks
