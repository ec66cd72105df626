// Kernel names of registry keys, to cross from the 32-bit registry view to
// the 64-bit one.
#include "repair/win/registry_view_name.h"

#include <vector>

#include "repair/registry_jump.h"
#include "scan/win/win32_registry.h"
#include "base/text.h"
#include "settings/win/system_info.h"

namespace ks {

namespace {

// NtQueryKey's KeyNameInformation: the length in bytes, then the name in UTF-16.
constexpr int kKeyNameInformation = 3;
using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);

NtQueryKeyFn NtQueryKeyFunction() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return nullptr;
    const auto proc = reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQueryKey"));
    return reinterpret_cast<NtQueryKeyFn>(proc);
}

std::optional<std::string> Ansi(const wchar_t* text, int lengthChars) {
    if (lengthChars == 0) return std::string();
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, 0, text, lengthChars, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return std::nullopt;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, lengthChars, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

}  // namespace

std::optional<std::string> KernelKeyName(RootKey root, const std::string& path, REGSAM view) {
    const NtQueryKeyFn query = NtQueryKeyFunction();
    if (!query) return std::nullopt;
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    // A key name holds at most 32767 characters.
    std::vector<ULONG> buffer(1 + 32768 * sizeof(wchar_t) / sizeof(ULONG));
    ULONG needed = 0;
    const LONG status = query(key, kKeyNameInformation, buffer.data(),
                              static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    RegCloseKey(key);
    if (status < 0) return std::nullopt;
    const ULONG lengthBytes = buffer[0];
    if (lengthBytes > (buffer.size() - 1) * sizeof(ULONG)) return std::nullopt;
    return Ansi(reinterpret_cast<const wchar_t*>(buffer.data() + 1), static_cast<int>(lengthBytes / sizeof(wchar_t)));
}

std::optional<std::string> NativeViewKeyPath(RootKey root, const std::string& path) {
    const std::optional<std::string> own = KernelKeyName(root, path, 0);
    if (!own) return std::nullopt;
    const std::optional<std::string> native = KernelKeyName(root, path, KEY_WOW64_64KEY);
    if (native && EqualsNoCase(*native, *own)) return std::nullopt;
    return KeyPathFromKernelName(*own);
}

bool SeesOtherRegistryView(HWND window) {
    if (!IsWow64()) return false;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
    // The limited right is enough from Vista on and granted more widely.
    if (!process) process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, id);
    if (!process) return false;
    const bool other = !RunsUnderWow64(process);
    CloseHandle(process);
    return other;
}

}  // namespace ks
