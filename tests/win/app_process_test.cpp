// keyscrub.exe as a process: a second start hands over to the first and ends
// without a window; "-cleanonce" scans, repairs and ends by itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/product.h"
#include "child_process.h"
#include "test_files.h"
#include "settings/win/settings_file.h"

namespace ks {
namespace {

// A 32-bit process start can take a minute where x86 code is emulated.
constexpr DWORD kStartTimeoutMs = 240000;

using test::IgnoreAllBut;
using Process = test::ProgramProcess;

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
        saved_ = test::ReadFileIfPresent(settingsFile_);
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
    ASSERT_TRUE(first.started()) << first.failure();
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(first.id()).empty(); }, kStartTimeoutMs));
    HWND window = MainWindows(first.id()).front();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30000));
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 10000));

    Process second("");
    ASSERT_TRUE(second.started()) << second.failure();
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
    EXPECT_TRUE(test::ReadFileIfPresent(settingsFile_).has_value());
}

TEST_F(AppProcessTest, StartsAtTheSameInstantOpenOneWindow) {
    Process first("");
    Process second("");
    ASSERT_TRUE(first.started()) << first.failure();
    ASSERT_TRUE(second.started()) << second.failure();
    // One of them ends by itself, having handed over; the other shows the window.
    ASSERT_TRUE(WaitFor([&] { return first.Ended(0) || second.Ended(0); }, kStartTimeoutMs));
    Process& ended = first.Ended(0) ? first : second;
    Process& running = first.Ended(0) ? second : first;
    EXPECT_EQ(ended.ExitCode(), 0u);
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(running.id()).empty(); }, kStartTimeoutMs));
    Sleep(1000);
    EXPECT_EQ(MainWindows().size(), 1u);
    EXPECT_FALSE(running.Ended(0));
    PostMessageA(MainWindows(running.id()).front(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(running.Ended(60000));
}

TEST_F(AppProcessTest, AStartWaitsWhileACopyWithoutAWindowHoldsTheInstance) {
    // A copy that is opening or closing holds the instance but shows no
    // window: a start then neither hands over to nothing nor opens a second
    // window; once the instance is let go it runs.
    HANDLE instance = CreateMutexA(nullptr, TRUE, product::kInstanceMutex);
    ASSERT_NE(instance, nullptr);
    Process waiting("");
    ASSERT_TRUE(waiting.started()) << waiting.failure();
    EXPECT_FALSE(waiting.Ended(5000)) << "it must not give up while the instance is held";
    EXPECT_TRUE(MainWindows().empty());
    ReleaseMutex(instance);
    CloseHandle(instance);
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(waiting.id()).empty(); }, kStartTimeoutMs));
    PostMessageA(MainWindows(waiting.id()).front(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(waiting.Ended(60000));
}

TEST_F(AppProcessTest, CleanOnceScansRepairsAndEndsByItself) {
    HKEY scratch = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ScratchPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &scratch, nullptr),
              ERROR_SUCCESS);
    const std::string missing = "C:\\ks-app-missing-" + std::to_string(GetCurrentProcessId()) + "\\gone.exe";
    const std::string existing = test::ChildProcess::ProgramPath();
    RegSetValueExA(scratch, "Stale", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing.c_str()),
                   static_cast<DWORD>(missing.size() + 1));
    RegSetValueExA(scratch, "Valid", 0, REG_SZ, reinterpret_cast<const BYTE*>(existing.c_str()),
                   static_cast<DWORD>(existing.size() + 1));
    RegCloseKey(scratch);

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string backups = std::string(temp) + "ks-app-backups-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(backups.c_str(), nullptr);

    // Nothing may wait for a person: no hint, no restore point, the backup
    // folder exists. Only the current user's deep section is ticked.
    Write("Options", "OutputDirectory", backups);
    Write("Options", "ShowHint", "0");
    Write("Options", "RestorePoint", "0");
    Write("Options", "Beep", "0");
    for (int node = 1; node <= 24; ++node)
        Write("TreeViewNodeCheck", std::to_string(node).c_str(), node == 1 || node == 2 || node == 4 ? "1" : "0");
    // The repair must touch nothing but the scratch key: every other branch of
    // the current user goes on the key ignore list.
    std::vector<std::string> ignored;
    IgnoreAllBut("", "Software", ignored);
    IgnoreAllBut("Software", "KeyscrubTest", ignored);
    IgnoreAllBut("Software\\KeyscrubTest", "app-" + std::to_string(GetCurrentProcessId()), ignored);
    Write("IgnoreKey", "Count", std::to_string(ignored.size()));
    for (std::size_t i = 0; i < ignored.size(); ++i)
        Write("IgnoreKey", ("Key" + std::to_string(i + 1)).c_str(), ignored[i]);

    Process clean(" -CleanOnce");
    ASSERT_TRUE(clean.started()) << clean.failure();
    ASSERT_TRUE(clean.Ended(kStartTimeoutMs)) << "the unattended clean ends by itself";
    EXPECT_EQ(clean.ExitCode(), 0u);
    EXPECT_TRUE(MainWindows().empty());

    HKEY after = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ScratchPath().c_str(), 0, KEY_READ, &after), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(after, "Stale", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(after, "Valid", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(after);

    // The removed value was backed up first.
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((backups + "\\*.reg").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    const std::string backupFile = backups + "\\" + found.cFileName;
    FindClose(search);
    const std::optional<std::string> backup = test::ReadFileIfPresent(backupFile);
    ASSERT_TRUE(backup.has_value());
    EXPECT_NE(backup->find("\"Stale\""), std::string::npos);
    EXPECT_EQ(backup->find("\"Valid\""), std::string::npos);
    DeleteFileA(backupFile.c_str());
    RemoveDirectoryA(backups.c_str());
}

TEST_F(AppProcessTest, CleanOnceIsOnlyTheFirstArgument) {
    Process other(" /x -cleanonce");
    ASSERT_TRUE(other.started()) << other.failure();
    ASSERT_TRUE(WaitFor([&] { return !MainWindows(other.id()).empty(); }, kStartTimeoutMs));
    HWND window = MainWindows(other.id()).front();
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 30000));
    // Given time to run a clean it did not start: the window stays up.
    EXPECT_FALSE(other.Ended(3000));
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(other.Ended(60000));
}

}  // namespace
}  // namespace ks
