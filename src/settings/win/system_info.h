// What the running system is: the version code and whether this process runs
// under WOW64.
#pragma once

#include <cstdint>

namespace ks {

// The version code of WindowsVersionCodeFrom for the running system, from
// GetVersionExA.
std::uint8_t GetWindowsVersion();

// True when this 32-bit process runs on 64-bit Windows. IsWow64Process is
// looked up at run time; where it is missing, or fails, the answer is false.
bool IsWow64();
// The same question for another process, by a handle with query rights.
bool RunsUnderWow64(void* process);

}  // namespace ks
