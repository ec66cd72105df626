// keyscrub.exe started over damaged files: an options.ini cut short, of
// random bytes or enormous, a language file without its sections, with
// endless lines or bytes no text has. The program opens its window with the
// defaults or in English, shows nothing else, and leaves the user's file
// alone until it closes normally.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/main_commands.h"
#include "app/product.h"
#include "child_process.h"
#include "settings/win/settings_file.h"
#include "test_files.h"

namespace ks {
namespace {

// A 32-bit process start can take a minute where x86 code is emulated.
constexpr DWORD kStartTimeoutMs = 240000;

struct ProcessWindows {
    DWORD process;
    HWND main = nullptr;
    std::vector<std::string> others;  // class names of the other visible windows
};

BOOL CALLBACK Collect(HWND window, LPARAM data) {
    auto& found = *reinterpret_cast<ProcessWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found.process) return TRUE;
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == product::kMainWindowClass) found.main = window;
    else if (IsWindowVisible(window)) found.others.push_back(name);
    return TRUE;
}

ProcessWindows WindowsOf(DWORD process) {
    ProcessWindows found{process};
    EnumWindows(&Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string RandomBytes(unsigned seed, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(seed >> 16));
    }
    return bytes;
}

class BadStartFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        settingsFile_ = SettingsFilePath();
        saved_ = test::ReadFileIfPresent(settingsFile_);
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub.exe", MAX_PATH, exe, nullptr);
        programFolder_ = exe;
        programFolder_.resize(programFolder_.rfind('\\') + 1);
        language_ = "Damaged" + std::to_string(GetCurrentProcessId());
    }
    void TearDown() override {
        DeleteFileA(settingsFile_.c_str());
        if (saved_) test::WriteWholeFile(settingsFile_, *saved_);
        DeleteFileA(LanguageFile().c_str());
    }
    std::string LanguageFile() const { return programFolder_ + "Lan_" + language_ + ".ini"; }

    std::string settingsFile_;
    std::optional<std::string> saved_;
    std::string programFolder_;
    std::string language_;
};

TEST_F(BadStartFilesTest, DamagedOptionsAndLanguageFilesStartQuietlyAndAreOnlyWrittenAtClose) {
    std::string huge = "[Options]\r\nBeep=0\r\n[Junk]\r\n";
    for (int n = 0; huge.size() < (4u << 20); ++n) huge += "Filler" + std::to_string(n) + "=only taking up room\r\n";
    const std::string lan = "[Options]\r\nShowHint=0\r\nLan=" + language_ + "\r\n";
    std::string longLines = "[frmRegCleaner]\r\nlvRegistryData_Column0=" + std::string(300000, 'W') + "\r\n" +
                            std::string(200000, 'k') + "=v\r\n[ResourceString]\r\nRES_Startup=" +
                            std::string(100000, 'S') + "\r\n[Menu_frmRegCleaner]\r\nmiFile=" +
                            std::string(70000, 'F') + "\r\n";
    struct Case {
        const char* what;
        std::string options;
        std::optional<std::string> language;  // the file of the language the options name
        bool englishCaption;
    } const cases[] = {
        {"options cut short", "[Options]\r\nOutputDirectory=C:\\Keys", std::nullopt, true},
        {"options of random bytes", RandomBytes(18, 300000), std::nullopt, true},
        {"enormous options", huge, std::nullopt, true},
        {"options whose count claims two billion entries", "[IgnoreKey]\r\nCount=2000000000\r\nKey65535=x\r\n",
         std::nullopt, true},
        {"options in UTF-16 with NULs", std::string("\xff\xfe[\0O\0p\0t\0\r\0\n\0\0\0", 16), std::nullopt, true},
        {"language file missing", lan, std::nullopt, true},
        {"language file without sections", lan, "RES_Startup=x\r\nfrmRegCleaner=x\r\n", true},
        {"language file of other sections", lan, "[frmOptions]\r\nfrmOptions=Optionen\r\n[Other]\r\na=b\r\n", true},
        {"language file with endless lines", lan, longLines, true},
        {"language file of random bytes", lan, RandomBytes(1818, 100000), true},
        {"language file with its caption in bytes no text has", lan,
         std::string("[frmRegCleaner]\r\nfrmRegCleaner=\x81\x8d\x8f\x90\x9d\xff\x01\x7f\0tail\r\n", 46), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(test::WriteWholeFile(settingsFile_, c.options));
        DeleteFileA(LanguageFile().c_str());
        if (c.language) ASSERT_TRUE(test::WriteWholeFile(LanguageFile(), *c.language));

        test::ProgramProcess program("");
        ASSERT_TRUE(program.started()) << program.failure();
        const DWORD start = GetTickCount();
        ProcessWindows windows{};
        while (GetTickCount() - start < kStartTimeoutMs && !program.Ended(0)) {
            windows = WindowsOf(program.id());
            if (windows.main && IsWindowVisible(windows.main)) break;
            Sleep(100);
        }
        ASSERT_NE(windows.main, nullptr) << "the main window opens";
        // Anything the start would have shown (a message box, a second
        // window) is on screen by now.
        Sleep(1000);
        windows = WindowsOf(program.id());
        EXPECT_TRUE(windows.others.empty()) << "also shown: " << windows.others.front();
        if (c.englishCaption) {
            char caption[256] = {};
            GetWindowTextA(windows.main, caption, sizeof caption);
            EXPECT_EQ(caption, MainWindowCaption());
        }
        EXPECT_EQ(test::ReadWholeFile(settingsFile_), c.options) << "the file is untouched while the program runs";

        PostMessageA(windows.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.Ended(60000));
        EXPECT_EQ(program.ExitCode(), 0u);
        // Closing wrote the options over whatever was there (a file that
        // begins with a UTF-16 mark is written in UTF-16), and they read back.
        EXPECT_NE(test::ReadWholeFile(settingsFile_), c.options);
        EXPECT_EQ(GetPrivateProfileIntA("Options", "DeleteBackupFile", -1, settingsFile_.c_str()), 1);
        EXPECT_EQ(GetPrivateProfileIntA("TreeViewNodeCheck", "24", -1, settingsFile_.c_str()), 1);
    }
}

}  // namespace
}  // namespace ks
