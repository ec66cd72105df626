// Lead bytes and upper case of the system's ANSI code page.
#include "base/win/system_code_page.h"

#include <windows.h>

namespace ks {

LeadBytes SystemLeadBytes() {
    LeadBytes lead;
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) {
        // Unknown: no code page has characters of more than four bytes, so
        // a count of characters never comes out higher than the real one.
        lead.SetMaxCharBytes(4);
        return lead;
    }
    lead.SetMaxCharBytes(info.MaxCharSize);
    // Pairs of first and last lead byte, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
        lead.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    return lead;
}

AnsiCodePage SystemCodePage() {
    const LeadBytes leads = SystemLeadBytes();
    std::array<unsigned char, 256> upper{};
    for (int c = 0; c < 256; ++c) {
        upper[c] = static_cast<unsigned char>(c);
        // A lead byte alone is no character: it has no case.
        if (c == 0 || leads.IsLead(static_cast<char>(c))) continue;
        char one[1] = {static_cast<char>(c)};
        if (CharUpperBuffA(one, 1) != 1) continue;
        // A letter whose upper case the code page cannot hold comes back as
        // the default character; it keeps its own form instead.
        if (one[0] == '?' && c != '?') continue;
        upper[c] = static_cast<unsigned char>(one[0]);
    }
    return AnsiCodePage(upper, leads);
}

}  // namespace ks
