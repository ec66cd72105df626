// Looks at an installed or unpacked keyscrub.exe from outside, for the package
// tests (tools/dist-test):
//   dist_probe run EXE TEXT...   starts EXE, waits for its main window, checks
//                                its caption names the product and that a
//                                child window shows each TEXT, closes it and
//                                waits for its end
//   dist_probe link LNK EXE      resolves the shortcut LNK with the shell-link
//                                object and checks that it points at EXE
//   dist_probe window            opens and closes a window: the first window
//                                of a Wine session records the display
// Prints what it saw; exits with 0 when everything matched.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/product.h"

namespace {

// A 32-bit start can take a minute where x86 code is emulated.
constexpr DWORD kStartTimeoutMs = 240000;

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.process && std::string(name) == ks::product::kMainWindowClass && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM data) {
    char text[512] = {};
    // From another process GetWindowText sends WM_GETTEXT, so the control answers itself.
    if (GetWindowTextA(window, text, sizeof text) > 0) reinterpret_cast<std::vector<std::string>*>(data)->push_back(text);
    return TRUE;
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

int Fail(const std::string& what) {
    std::printf("dist_probe: %s\n", what.c_str());
    std::fflush(stdout);
    return 1;
}

int Run(const std::string& exe, const std::vector<std::string>& texts) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + exe + "\"";
    // The probe's own folder stays the current one: the program must find its
    // language files beside itself, wherever it is started from.
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return Fail("cannot start " + exe + ", error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);

    Search search{info.dwProcessId, nullptr};
    const DWORD start = GetTickCount();
    while (EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&search)), search.found == nullptr) {
        if (GetTickCount() - start > kStartTimeoutMs || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            return Fail("no main window of " + exe);
        }
        Sleep(100);
    }
    // The window is translated when it is shown; give it a moment to settle.
    Sleep(1000);

    int failures = 0;
    char caption[256] = {};
    GetWindowTextA(search.found, caption, sizeof caption);
    std::printf("caption: %s\n", caption);
    // A language file may name the window without the version.
    if (std::string(caption).rfind(ks::product::kName, 0) != 0)
        failures += Fail(std::string("the caption does not begin with ") + ks::product::kName);

    std::vector<std::string> shown;
    EnumChildWindows(search.found, &CollectText, reinterpret_cast<LPARAM>(&shown));
    for (const std::string& text : texts) {
        bool seen = false;
        for (const std::string& child : shown) seen = seen || child == text;
        std::printf("%s: %s\n", seen ? "shown" : "missing", text.c_str());
        if (!seen) ++failures;
    }

    PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99);
        failures += Fail("it did not end after WM_CLOSE");
    } else {
        DWORD code = 0xdeadbeef;
        GetExitCodeProcess(info.hProcess, &code);
        if (code != 0) failures += Fail("exit code " + std::to_string(code));
    }
    CloseHandle(info.hProcess);
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

int Link(const std::string& shortcut, const std::string& exe) {
    if (FAILED(CoInitialize(nullptr))) return Fail("CoInitialize failed");
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char target[MAX_PATH] = {};
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        std::wstring wide(MAX_PATH, L'\0');
        const int length = MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide.data(), MAX_PATH);
        result = length > 0 ? file->Load(wide.c_str(), STGM_READ) : E_INVALIDARG;
    }
    if (SUCCEEDED(result)) result = link->GetPath(target, MAX_PATH, nullptr, 0);
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    if (result != S_OK) return Fail("cannot read " + shortcut + ", result " + std::to_string(result));

    std::printf("target: %s\n", target);
    // Compare the long forms: either side may be written with short names.
    char longTarget[MAX_PATH] = {};
    char longExe[MAX_PATH] = {};
    if (GetLongPathNameA(target, longTarget, MAX_PATH) == 0) return Fail("the target does not exist");
    if (GetLongPathNameA(exe.c_str(), longExe, MAX_PATH) == 0) return Fail(exe + " does not exist");
    if (!SameText(longTarget, longExe)) return Fail("the target is not " + exe);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "run") return Run(args[1], {args.begin() + 2, args.end()});
    if (args.size() == 3 && args[0] == "link") return Link(args[1], args[2]);
    if (args.size() == 1 && args[0] == "window") {
        HWND window = CreateWindowExA(0, "STATIC", "dist_probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr) return Fail("cannot open a window");
        DestroyWindow(window);
        return 0;
    }
    std::printf("usage: dist_probe run EXE TEXT... | link LNK EXE | window\n");
    return 2;
}
