// Test helpers for the program as a separate process: starting keyscrub.exe
// (or any command), waiting for it, and fencing an unattended clean into one
// scratch branch of the current user's registry.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace ks::test {

// A started process, ended by force if still running when the owner goes.
//
// Wine starts a process by having its server fork the loader; in a crowded
// build container that start has failed for a moment (seen once on a build
// machine, never on a desktop). A failed start is tried again a few times;
// `failure` says what each attempt answered so a test can report it.
class ChildProcess {
public:
    // `application` may be null: the command line's first word is then looked
    // up as CreateProcess does.
    ChildProcess(const char* application, std::string commandLine, WORD show = SW_SHOWDEFAULT)
        : ChildProcess(application, std::move(commandLine), show, nullptr) {}
    // A console program without a window, its output and errors going to
    // these inheritable handles.
    struct Output {
        HANDLE out;
        HANDLE err;
    };
    ChildProcess(const char* application, std::string commandLine, Output output)
        : ChildProcess(application, std::move(commandLine), SW_SHOWDEFAULT, &output) {}

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    // keyscrub.exe beside the test program, with `arguments` after its name.
    static std::string ProgramPath() {
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub.exe", MAX_PATH, exe, nullptr);
        return exe;
    }

    bool started() const { return started_; }
    const std::string& failure() const { return failure_; }
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0xdeadbeef;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    ChildProcess(const char* application, std::string commandLine, WORD show, const Output* output) {
        for (int attempt = 1; attempt <= kAttempts && !started_; ++attempt) {
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            if (show != SW_SHOWDEFAULT) {
                startup.dwFlags = STARTF_USESHOWWINDOW;
                startup.wShowWindow = show;
            }
            if (output) {
                startup.dwFlags |= STARTF_USESTDHANDLES;
                startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
                startup.hStdOutput = output->out;
                startup.hStdError = output->err;
            }
            std::string writable = commandLine;  // CreateProcessA may write into it
            started_ = CreateProcessA(application, writable.data(), nullptr, nullptr, output != nullptr,
                                      output ? CREATE_NO_WINDOW : 0, nullptr, nullptr, &startup, &info_) != FALSE;
            if (!started_) {
                failure_ += "attempt " + std::to_string(attempt) + ": CreateProcess(" + commandLine +
                            ") failed with error " + std::to_string(GetLastError()) + "\n";
                Sleep(1000);
            }
        }
    }
    static constexpr int kAttempts = 5;
    PROCESS_INFORMATION info_{};
    bool started_ = false;
    std::string failure_;
};

// keyscrub.exe started with `arguments` (which begin with their own blank).
class ProgramProcess : public ChildProcess {
public:
    explicit ProgramProcess(const std::string& arguments)
        : ChildProcess(ProgramPath().c_str(), "\"" + ProgramPath() + "\"" + arguments) {}
};

// Every subkey of HKEY_CURRENT_USER\`path` except `keep`, as key-ignore
// entries: an unattended clean in a test may touch nothing outside its own
// scratch key.
inline void IgnoreAllBut(const std::string& path, const std::string& keep, std::vector<std::string>& ignored) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (lstrcmpiA(name, keep.c_str()) == 0) continue;
        ignored.push_back("HKEY_CURRENT_USER\\" + (path.empty() ? std::string() : path + "\\") + name);
    }
    RegCloseKey(key);
}

// The key-ignore entries that fence an unattended run into
// HKEY_CURRENT_USER\`scratchPath`, a key below Software\KeyscrubTest.
inline std::vector<std::string> FenceAround(const std::string& scratchPath) {
    std::vector<std::string> ignored;
    IgnoreAllBut("", "Software", ignored);
    IgnoreAllBut("Software", "KeyscrubTest", ignored);
    IgnoreAllBut("Software\\KeyscrubTest", scratchPath.substr(scratchPath.rfind('\\') + 1), ignored);
    return ignored;
}

}  // namespace ks::test
