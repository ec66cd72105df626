#include "base/win/wine.h"

#include <windows.h>

namespace ks {

bool RunsOnWine() {
    // Only Wine's ntdll exports its version.
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

}  // namespace ks
