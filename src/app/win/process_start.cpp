// DLL search, fatal failures and std::terminate for both programs.
#include "app/win/process_start.h"

#include <windows.h>

#include <exception>

#include "settings/localisation.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

void (*g_report)(const std::string&) = nullptr;
int g_exitCode = kExitFatal;

[[noreturn]] void OnTerminate() {
    if (g_report) g_report(CurrentFailureText());
    ExitProcess(static_cast<UINT>(g_exitCode));
}

}  // namespace

bool LoadLibrariesFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto set = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
                                  GetProcAddress(kernel, "SetDefaultDllDirectories")))
                            : nullptr;
    // Under Wine a DLL beside the program that bears the name of one of
    // Wine's own (version.dll, say) is still taken from there; one of any
    // other name is not. Windows keeps to the system folder for both.
    if (set && set(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryA("");
    return false;
}

std::string CurrentFailureText() {
    try {
        if (const std::exception_ptr failure = std::current_exception()) std::rethrow_exception(failure);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
    }
    return "an unexpected failure";
}

int ReportFatalFailure(const std::string& what) {
    std::string text;
    try {
        text = LookupText("RES_Program_Failed", "Quarlo Keyscrub cannot go on and ends here. What failed:");
    } catch (...) {
        text = "Quarlo Keyscrub cannot go on and ends here. What failed:";
    }
    text += "\n\n" + what;
    // Without a display (or a desktop) the box cannot be shown: MessageBoxA
    // then returns at once, which is all that is needed.
    MessageBoxA(nullptr, text.c_str(), ui::kProgramTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kExitFatal;
}

void EndOnTerminate(void (*report)(const std::string& what), int exitCode) {
    g_report = report;
    g_exitCode = exitCode;
    std::set_terminate(&OnTerminate);
}

}  // namespace ks
