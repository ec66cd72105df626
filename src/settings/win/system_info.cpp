// Version code and WOW64 test from the system's own answers.
#include "settings/win/system_info.h"

#include <windows.h>

#include "settings/system_version.h"

namespace ks {

#if !defined(_WIN64)
// The record GetVersionExA fills is 148 bytes on every system the program runs on.
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA layout");
#endif

std::uint8_t GetWindowsVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // Failing here would leave platform and version zero, which maps to 10
    // like any version the table does not know.
    if (!GetVersionExA(&info)) return WindowsVersionCodeFrom(0, 0, 0);
    return WindowsVersionCodeFrom(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

bool IsWow64() { return RunsUnderWow64(GetCurrentProcess()); }

bool RunsUnderWow64(void* process) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    if (!kernel) return false;
    // Windows before XP SP2 has no such function: then there is no WOW64 either.
    // The detour through void(*)() is the portable way to change a function
    // pointer's type without a cast warning.
    const auto proc = reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process"));
    if (!proc) return false;
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFn>(proc);
    BOOL wow64 = FALSE;
    if (!isWow64Process(process, &wow64)) return false;
    return wow64 != FALSE;
}

}  // namespace ks
