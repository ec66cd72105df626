// Reading registry-editor text back into keys and values, as the registry
// editor's import would store them. The reader is strict: a line the importer
// would skip, guess at or only warn about is an error here, so that a block
// that reads back cleanly is one the import restores exactly. Besides the
// backups' own form it takes what the editor itself writes and reads: the
// "Windows Registry Editor Version 5.00" header, CR, LF or CR LF line ends,
// deletion lines, and a name given again in one key (the later line counts).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "repair/backup_format.h"

namespace ks {

inline constexpr std::string_view kRegVersion5HeaderLine = "Windows Registry Editor Version 5.00";

// How the text was stored. Unicode: it is the UTF-8 form of a UTF-16 file,
// and values come out as the registry stores them, texts in UTF-16.
enum class RegTextForm { Ansi, Unicode };

struct RegParseResult {
    // The blocks in file order; a key that appears twice gives two blocks.
    std::vector<RegBlock> blocks;
    bool ok = false;
    // When not ok: where and why, and whether the text simply stops there.
    std::size_t errorLine = 0;  // 1-based
    std::string error;
    enum class End { Damaged, CutOff, Continued };
    End end = End::Damaged;  // CutOff: the last line has no line end; Continued: a byte list goes on past the end
    // The offset of the key line of the block the error is in (npos before
    // the first key line), for cutting a torn end off.
    std::size_t blockStart = std::string_view::npos;
};

// A key path or value name as the registry compares names: upper-cased. In
// UTF-8 only ASCII letters are folded: the code page's table would take parts
// of a character for letters.
std::string RegNameKey(std::string_view name, RegTextForm form);

// Parses a whole file (requireHeader: it must start with one of the two
// header lines) or a run of blocks cut from one. Values read as the "A"
// registry functions would read them after the import (for Unicode text: as
// the "W" functions would): a quoted string gains its NUL, and string types
// written as bytes gain one when their last character is not NUL.
RegParseResult ParseRegText(std::string_view text, bool requireHeader, const LeadBytes& leadBytes = {},
                            RegTextForm form = RegTextForm::Ansi);

}  // namespace ks
