// keyscrub.exe as a process: a second start hands over to the first and ends
// without a window; "-cleanonce" scans, repairs and ends by itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/product.h"
#include "settings/win/settings_file.h"

namespace ks {
namespace {

// A 32-bit process start can take a minute where x86 code is emulated.
constexpr DWORD kStartTimeoutMs = 240000;

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;

    explicit Process(const std::string& arguments) {
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub.exe", MAX_PATH, exe, nullptr);
        std::string commandLine = "\"" + std::string(exe) + "\"" + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        started = CreateProcessA(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &info) != FALSE;
    }
    ~Process() {
        if (!started) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0xdeadbeef;
        GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
};

struct WindowsOfProcess {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectMainWindows(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowsOfProcess*>(data);
    char name[128] = {};
    GetClassNameA(window, name, sizeof(name));
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (std::string(name) == product::kMainWindowClass && (search.process == 0 || owner == search.process))
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> MainWindows(DWORD process = 0) {
    WindowsOfProcess search{process, {}};
    EnumWindows(&CollectMainWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Condition>
bool WaitFor(Condition done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The program keeps its options in the user's settings folder: put a file of
// the test's own there and the user's back afterwards.
class AppProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        settingsFile_ = SettingsFilePath();
        saved_ = ReadWholeFile(settingsFile_);
        DeleteFileA(settingsFile_.c_str());
        ASSERT_TRUE(MainWindows().empty()) << "another keyscrub.exe is running";
    }
    void TearDown() override {
        DeleteFileA(settingsFile_.c_str());
        if (saved_) {
            std::ofstream out(settingsFile_, std::ios::binary);
            out << *saved_;
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, ScratchPath().c_str());
    }
    void Write(const char* section, const char* key, const std::string& value) {
        WritePrivateProfileStringA(section, key, value.c_str(), settingsFile_.c_str());
    }
    static std::string ScratchPath() { return "Software\\KeyscrubTest\\app-" + std::to_string(GetCurrentProcessId()); }

    std::string settingsFile_;
    std::optional<std::string> saved_;
};

TEST_F(AppProcessTest, SecondStartBringsTheFirstForwardAndEndsWithoutAWindow) {
    Process first("");
    ASSERT_TRUE(first.started);
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(first.info.dwProcessId).empty(); }, kStartTimeoutMs));
    HWND window = MainWindows(first.info.dwProcessId).front();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30000));
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 10000));

    Process second("");
    ASSERT_TRUE(second.started);
    ASSERT_TRUE(second.Ended(kStartTimeoutMs));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(window) && IsWindowVisible(window); }, 30000))
        << "the first window came forward, restored";
    EXPECT_EQ(MainWindows().size(), 1u);
    EXPECT_FALSE(first.Ended(0));

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.Ended(60000));
    EXPECT_EQ(first.ExitCode(), 0u);
    // Closing saved the options.
    EXPECT_TRUE(ReadWholeFile(settingsFile_).has_value());
}

TEST_F(AppProcessTest, CleanOnceIsOnlyTheFirstArgument) {
    Process other(" /x -cleanonce");
    ASSERT_TRUE(other.started);
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(other.info.dwProcessId).empty(); }, kStartTimeoutMs));
    HWND window = MainWindows(other.info.dwProcessId).front();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30000));
    // Given time to run a clean it did not start: the window stays up.
    EXPECT_FALSE(other.Ended(3000));
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(other.Ended(60000));
}

}  // namespace
}  // namespace ks
