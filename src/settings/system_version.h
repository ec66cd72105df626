// The small version code by which the program tells Windows generations apart.
#pragma once

#include <cstdint>

namespace ks {

// Platform ids as GetVersionExA reports them.
namespace PlatformId {
constexpr std::uint32_t Win32s = 0;
constexpr std::uint32_t Windows = 1;  // the 95/98/Me family
constexpr std::uint32_t Nt = 2;
}  // namespace PlatformId

// The version code for a platform id and a major.minor version:
// NT family 3.x 5, 4.x 6, 5.0 7, 5.1 9, 5.2 10, 6.1 12, other 6.x 11, other
// majors 10; elsewhere 4.0 1, 4.10 3, 4.90 8, anything else 10. Codes 2 and 4
// are never produced.
std::uint8_t WindowsVersionCodeFrom(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);

}  // namespace ks
