// The code pages the fuzz targets try: single-byte, and one with the lead
// bytes of Shift-JIS, where the second byte of a character can be a backslash.
#pragma once

#include <cstdint>

#include "repair/backup_format.h"

namespace ks::fuzz {

inline LeadBytes ChosenLeadBytes(std::uint8_t choice) {
    LeadBytes lead;
    if (choice & 1) {
        lead.AddRange(0x81, 0x9F);
        lead.AddRange(0xE0, 0xFC);
    }
    return lead;
}

}  // namespace ks::fuzz
