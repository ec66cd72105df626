// The ANSI code page of the running system, as the text helpers use it.
#pragma once

#include "base/text.h"

namespace ks {

// The lead bytes of the ANSI code page (none for a single-byte code page)
// and the most bytes one of its characters takes.
LeadBytes SystemLeadBytes();

// The ANSI code page's lead bytes and the system's own upper case of every
// other single byte. Made once at start and installed with InstallCodePage.
AnsiCodePage SystemCodePage();

}  // namespace ks
