// Maps what GetVersionExA reports to the program's version code.
#include "settings/system_version.h"

namespace ks {

std::uint8_t WindowsVersionCodeFrom(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
    if (platformId == PlatformId::Nt) {
        switch (major) {
        case 3: return 5;
        case 4: return 6;
        case 5:
            if (minor == 0) return 7;
            if (minor == 1) return 9;
            return 10;  // 5.2 and any later 5.x
        case 6: return minor == 1 ? 12 : 11;
        default: return 10;
        }
    }
    if (major == 4) {
        if (minor == 0) return 1;
        if (minor == 10) return 3;
        if (minor == 90) return 8;
    }
    return 10;
}

}  // namespace ks
