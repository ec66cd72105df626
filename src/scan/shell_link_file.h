// The shape of a shell link (.lnk) file, checked before the shell's link
// object is given it. Wine's link object trusts the item-ID list it loads: a
// list cut short by the end of the file, or one whose items do not end in the
// empty terminator, sends it walking past its buffer into whatever memory
// follows, and the program dies. Its link-info block is read much the same
// way. A file that fails the check is not loaded: its target is unknown, and
// nothing is reported about it.
#pragma once

#include <string_view>

namespace ks {

// Whether `bytes` (a link file's start, or all of it) hold the 76-byte header
// with the link class, and, where the header's flags say they follow, a whole
// item-ID list ending in its terminator and a whole link-info block whose
// volume label and paths end before the block does.
bool IsWholeShellLink(std::string_view bytes);

}  // namespace ks
