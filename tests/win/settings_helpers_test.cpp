// The settings helpers against the real system: folders, silent deletion,
// the main window's placement, the settings file's location, the folder picker.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "settings/settings.h"
#include "base/text.h"
#include "settings/win/browse_for_folder.h"
#include "settings/win/profile_file.h"
#include "settings/win/settings_file.h"
#include "settings/win/shell_helpers.h"
#include "settings/win/window_placement.h"
#include "win/settings_temp_folder.h"

namespace ks {
namespace {

using test::PathExists;
using test::ReadWholeFile;
using test::TempFolder;
using test::WriteWholeFile;

TEST(SettingsHelpersTest, AppDataFolderIsTheShellsWithATrailingBackslash) {
    const std::string folder = GetAppDataFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    char expected[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, expected), S_OK);
    EXPECT_TRUE(EqualsNoCase(folder, std::string(expected) + "\\")) << folder << " vs " << expected;
    EXPECT_TRUE(FolderExists(folder));
}

TEST(SettingsHelpersTest, ProgramFolderHoldsThisExecutable) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string selfPath = self;
    EXPECT_EQ(selfPath.substr(0, folder.size()), folder);
    EXPECT_EQ(selfPath.find('\\', folder.size()), std::string::npos);
}

TEST(SettingsHelpersTest, FolderTreesAreCreatedWithTheirParents) {
    TempFolder temp;
    const std::string deep = temp / "a\\b\\c\\";
    EXPECT_FALSE(FolderExists(deep));
    EXPECT_TRUE(CreateFolderTree(deep));
    EXPECT_TRUE(FolderExists(temp / "a\\b\\c"));
    EXPECT_TRUE(CreateFolderTree(deep)) << "an existing folder is fine";

    // A file standing where a folder should be cannot be got round.
    ASSERT_TRUE(WriteWholeFile(temp / "blocker", "x"));
    EXPECT_FALSE(CreateFolderTree(temp / "blocker\\sub\\"));
    EXPECT_FALSE(FolderExists(temp / "blocker"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(SettingsHelpersTest, SettingsFileFallsBackToTheProgramFolder) {
    TempFolder temp;
    const std::string appData = temp / "AppData\\";
    const std::string program = temp / "Program\\";
    ASSERT_TRUE(CreateFolderTree(program));

    EXPECT_EQ(SettingsFilePath(appData, program), appData + "Quarlo\\Keyscrub\\options.ini");
    EXPECT_TRUE(FolderExists(appData + "Quarlo\\Keyscrub"));

    // An application-data folder that cannot hold our folder.
    ASSERT_TRUE(WriteWholeFile(temp / "NotAFolder", "x"));
    EXPECT_EQ(SettingsFilePath(temp / "NotAFolder\\", program), program + "options.ini");
    EXPECT_EQ(SettingsFilePath("", program), program + "options.ini");
    EXPECT_EQ(SettingsFilePath(), GetAppDataFolder() + "Quarlo\\Keyscrub\\options.ini");
}

TEST(SettingsHelpersTest, DeleteFileSilentlyRemovesExactlyOneFile) {
    TempFolder temp;
    const std::string file = temp / "Backup20131113.reg";
    ASSERT_TRUE(WriteWholeFile(file, "REGEDIT4\r\n"));
    EXPECT_TRUE(DeleteFileSilently(file));
    EXPECT_FALSE(PathExists(file));
    EXPECT_FALSE(DeleteFileSilently(file)) << "already gone";

    const std::string readOnly = temp / "locked.txt";
    ASSERT_TRUE(WriteWholeFile(readOnly, "x"));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    DeleteFileSilently(readOnly);  // the shell decides; it must not ask anyone

    // Refused: they would take more than one file with them.
    ASSERT_TRUE(CreateFolderTree(temp / "keep"));
    ASSERT_TRUE(WriteWholeFile(temp / "keep\\one.txt", "1"));
    ASSERT_TRUE(WriteWholeFile(temp / "keep\\two.txt", "2"));
    const std::string refused[] = {temp / "keep", temp / "keep\\", temp / "keep\\*.txt", temp / "keep\\o?e.txt", ""};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(DeleteFileSilently(path));
    }
    EXPECT_TRUE(PathExists(temp / "keep\\one.txt"));
    EXPECT_TRUE(PathExists(temp / "keep\\two.txt"));
}

// A plain top-level window the tests can move, size, minimize and maximize.
class PlacementWindow {
public:
    PlacementWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KeyscrubSettingsTestWindow";
        RegisterClassA(&windowClass);  // fails harmlessly once registered
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "placement", WS_OVERLAPPEDWINDOW, 100, 80, 684, 520,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    PlacementWindow(const PlacementWindow&) = delete;
    PlacementWindow& operator=(const PlacementWindow&) = delete;
    ~PlacementWindow() {
        if (window_) DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

class TestPlacement final : public HwndPlacement {
public:
    using HwndPlacement::HwndPlacement;
    void CopyTreeCheckStates(std::array<bool, 25>& nodeChecked) override { nodeChecked[4] = false; }
};

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST(SettingsPlacementTest, RealWindowIsSizedAndReported) {
    PlacementWindow window;
    ASSERT_NE(window.get(), nullptr);
    ShowWindow(window.get(), SW_SHOWNORMAL);
    Pump();
    TestPlacement placement(window.get());
    EXPECT_EQ(placement.Bounds(), (WindowBounds{100, 80, 684, 520}));
    EXPECT_EQ(placement.GetPlacementShowCommand(), kShowNormal);
    EXPECT_EQ(placement.ScreenWidth(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(placement.ScreenHeight(), GetSystemMetrics(SM_CYSCREEN));

    placement.SetWidth(700);
    placement.SetHeight(540);
    EXPECT_EQ(placement.Bounds(), (WindowBounds{100, 80, 700, 540}));
    EXPECT_EQ(placement.RestoredBounds(), placement.Bounds());

    // Under Wine without a window manager, ShowWindow(SW_MAXIMIZE) right after
    // a resize is not carried out; setting the placement is.
    WINDOWPLACEMENT maximized{};
    maximized.length = sizeof(maximized);
    ASSERT_TRUE(GetWindowPlacement(window.get(), &maximized));
    maximized.showCmd = SW_SHOWMAXIMIZED;
    ASSERT_TRUE(SetWindowPlacement(window.get(), &maximized));
    Pump();
    ASSERT_TRUE(IsZoomed(window.get()));
    EXPECT_EQ(placement.GetPlacementShowCommand(), kShowMaximized);
    EXPECT_NE(placement.Bounds(), placement.RestoredBounds());
    EXPECT_EQ(placement.RestoredBounds(), (WindowBounds{100, 80, 700, 540}));

    ShowWindow(window.get(), SW_RESTORE);
    ShowWindow(window.get(), SW_MINIMIZE);
    Pump();
    EXPECT_EQ(placement.GetPlacementShowCommand(), kShowMinimized);
    EXPECT_EQ(placement.RestoredBounds(), (WindowBounds{100, 80, 700, 540}));
}

TEST(SettingsPlacementTest, AWindowClosedMinimizedReopensWhereItWas) {
    TempFolder temp;
    PlacementWindow window;
    ASSERT_NE(window.get(), nullptr);
    ShowWindow(window.get(), SW_SHOWNORMAL);
    ShowWindow(window.get(), SW_MINIMIZE);
    Pump();
    TestPlacement placement(window.get());
    ASSERT_EQ(placement.GetPlacementShowCommand(), kShowMinimized);

    ProfileFile profile(temp / "options.ini");
    SettingsRecord record;
    LoadSaveSettings(false, profile, placement, "C:\\Tools\\", record);
    EXPECT_FALSE(record.NodeChecked[4]) << "tree states copied first";
    EXPECT_EQ(profile.ReadString("Window", "State", ""), "2");
    EXPECT_EQ(profile.ReadString("Window", "Left", ""), "100");
    EXPECT_EQ(profile.ReadString("Window", "Top", ""), "80");
    EXPECT_EQ(profile.ReadString("Window", "Width", ""), "684");
    EXPECT_EQ(profile.ReadString("Window", "Height", ""), "520");
    EXPECT_TRUE(BoundsOnAnyMonitor(WindowBounds{100, 80, 684, 520}));
}

TEST(SettingsPlacementTest, OnlyRectanglesTouchingAMonitorCount) {
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    struct Case {
        WindowBounds bounds;
        bool on;
    } const cases[] = {
        {{100, 80, 684, 520}, true},
        {{left - 600, top + 10, 684, 520}, true},  // partly off the left edge
        {{-32000, -32000, 160, 28}, false},        // where Windows parks a minimized window
        {{left + width + 10, top, 684, 520}, false},
        {{left, top + height + 10, 684, 520}, false},
        {{100, 80, 0, 520}, false},
        {{2147483000, 80, 684, 520}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bounds.left) + "," + std::to_string(c.bounds.top));
        EXPECT_EQ(BoundsOnAnyMonitor(c.bounds), c.on);
    }
}

// The real entry point writes this user's options.ini; whatever was there
// before, and the process-wide record, are put back afterwards.
TEST(SettingsEntryPointTest, LoadsAndSavesTheUsersOptionsFile) {
    const std::string path = SettingsFilePath();
    const bool existed = PathExists(path);
    const std::string before = existed ? ReadWholeFile(path) : std::string();
    const SettingsRecord saved = Settings;

    PlacementWindow window;
    ASSERT_NE(window.get(), nullptr);
    TestPlacement placement(window.get());
    DeleteFileA(path.c_str());
    LoadSaveSettings(true, placement);
    EXPECT_EQ(Settings.OutputDirectory, ProgramFolder() + "Backup");
    EXPECT_EQ(Settings.Lan, "English");
    Settings.Lan = "Dutch";
    Settings.IgnoreKeys = {"HKEY_CURRENT_USER\\Software\\KeyscrubTest"};
    Settings.IgnoreKeyCount = 1;
    LoadSaveSettings(false, placement);
    EXPECT_FALSE(Settings.NodeChecked[4]);
    const std::string written = ReadWholeFile(path);
    EXPECT_NE(written.find("Lan=Dutch\r\n"), std::string::npos);
    EXPECT_NE(written.find("Key1=HKEY_CURRENT_USER\\Software\\KeyscrubTest\r\n"), std::string::npos);

    Settings = SettingsRecord();
    LoadSaveSettings(true, placement);
    EXPECT_EQ(Settings.Lan, "Dutch");
    EXPECT_EQ(Settings.IgnoreKeyCount, 1);

    if (existed)
        WriteWholeFile(path, before);
    else
        DeleteFileA(path.c_str());
    Settings = saved;
}

// Finds the picker among this process's windows, then acts on it from a
// second thread while the first sits in the picker's modal loop.
class PickerDriver {
public:
    enum class Answer { Cancel, SelectPath, SelectChildOfRoot };

    // `target` is a folder path for SelectPath, the name of a child of the
    // tree's root for SelectChildOfRoot.
    PickerDriver(DWORD uiThread, Answer answer, std::string target, HWND watched)
        : uiThread_(uiThread), answer_(answer), target_(std::move(target)), watched_(watched) {
        thread_ = std::thread([this] { Run(); });
    }
    ~PickerDriver() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

    // Findings, to be read after Join().
    bool found = false;
    bool selected = false;
    bool watchedWasDisabled = false;
    UINT errorModeSeen = 0;
    std::string rootText;
    RECT frame{};
    WindowPosition expected;

private:
    static BOOL CALLBACK FindDialog(HWND window, LPARAM context) noexcept {
        char className[32] = {};
        GetClassNameA(window, className, sizeof(className));
        if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        }
        return TRUE;
    }

    static std::string ItemText(HWND tree, HTREEITEM item) {
        char text[MAX_PATH] = {};
        TVITEMA data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = MAX_PATH;
        if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return {};
        return text;
    }

    // Waits for a condition, polling, for at most `timeoutMs`.
    template <typename Condition>
    static bool WaitFor(Condition condition, DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(20);
        }
        return true;
    }

    void Run() {
        HWND picker = nullptr;
        found = WaitFor(
            [&] {
                EnumThreadWindows(uiThread_, &FindDialog, reinterpret_cast<LPARAM>(&picker));
                return picker != nullptr;
            },
            30000);
        if (!found) return;
        HWND tree = nullptr;
        WaitFor(
            [&] {
                tree = FindWindowExA(picker, nullptr, "SysTreeView32", nullptr);
                return tree && SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) != 0;
            },
            10000);
        const auto root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        rootText = ItemText(tree, root);
        watchedWasDisabled = !IsWindowEnabled(watched_);
        errorModeSeen = GetErrorMode();
        RECT client{};
        GetWindowRect(picker, &frame);
        GetClientRect(picker, &client);
        expected = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                   client.right - client.left, client.bottom - client.top);

        const auto caretText = [&] {
            return ItemText(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
        };
        const std::string wanted = target_.substr(target_.find_last_of('\\') + 1);
        if (answer_ == Answer::SelectPath) {
            // Asked again until it takes: a request that arrives while the
            // picker is still starting up can be lost.
            for (int attempt = 0; attempt < 20 && !selected; ++attempt) {
                SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(target_.c_str()));
                selected = WaitFor([&] { return EqualsNoCase(caretText(), wanted); }, 500);
            }
        } else if (answer_ == Answer::SelectChildOfRoot) {
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
            auto child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                                  reinterpret_cast<LPARAM>(root)));
            while (child && !EqualsNoCase(ItemText(tree, child), wanted))
                child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                 reinterpret_cast<LPARAM>(child)));
            if (child) SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
            selected = child && WaitFor([&] { return EqualsNoCase(caretText(), wanted); }, 10000);
        }
        PostMessageA(picker, WM_COMMAND, answer_ == Answer::Cancel ? IDCANCEL : IDOK, 0);
    }

    DWORD uiThread_;
    Answer answer_;
    std::string target_;
    HWND watched_;
    std::thread thread_;
};

class FolderPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window.get(), nullptr);
        ShowWindow(window.get(), SW_SHOWNORMAL);
        Pump();
        ASSERT_TRUE(CreateFolderTree(temp / "Chosen\\"));
        previousMode = SetErrorMode(0);
    }
    void TearDown() override { SetErrorMode(previousMode); }

    // Outside the user's profile folder, which the picker's tree reaches by
    // another route than the path.
    TempFolder temp{"C:\\"};
    PlacementWindow window;
    UINT previousMode = 0;
};

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

void ExpectPickerHeldTheProgram(const PickerDriver& driver) {
    EXPECT_TRUE(driver.watchedWasDisabled) << "other windows stay usable";
    EXPECT_EQ(driver.errorModeSeen & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS));
    EXPECT_EQ(driver.frame.left, driver.expected.left);
    EXPECT_EQ(driver.frame.top, driver.expected.top);
}

TEST_F(FolderPickerTest, ConfirmingGivesTheChosenFolder) {
    std::string path = "C:\\no such folder at all";
    PickerDriver driver(GetCurrentThreadId(), PickerDriver::Answer::SelectPath, temp / "Chosen", window.get());
    const bool chosen = BrowseForFolder("Please select the directory to add", L"", path, window.get());
    driver.Join();
    ASSERT_TRUE(driver.found) << "the picker never appeared";
    ASSERT_TRUE(driver.selected);
    ExpectPickerHeldTheProgram(driver);
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(EqualsNoCase(path, temp / "Chosen")) << path;
    EXPECT_TRUE(IsWindowEnabled(window.get()));
    EXPECT_EQ(GetErrorMode(), 0u);
}

TEST_F(FolderPickerTest, ARootLimitsTheTreeToThatFolder) {
    std::string path;
    PickerDriver driver(GetCurrentThreadId(), PickerDriver::Answer::SelectChildOfRoot, "Chosen", window.get());
    const bool chosen = BrowseForFolder("title", Wide(temp.path()), path, window.get());
    driver.Join();
    ASSERT_TRUE(driver.found);
    const std::string folderName = temp.path().substr(temp.path().find_last_of('\\') + 1);
    EXPECT_TRUE(EqualsNoCase(driver.rootText, folderName)) << driver.rootText;
    ASSERT_TRUE(driver.selected);
    ExpectPickerHeldTheProgram(driver);
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(EqualsNoCase(path, temp / "Chosen")) << path;
}

TEST_F(FolderPickerTest, ARootTheShellCannotParseShowsEverything) {
    std::string whole, unparsed;
    for (const std::wstring& root : {std::wstring(), std::wstring(L"Q:\\no\\such\\root")}) {
        std::string path;
        PickerDriver driver(GetCurrentThreadId(), PickerDriver::Answer::Cancel, "", window.get());
        EXPECT_FALSE(BrowseForFolder("title", root, path, window.get()));
        driver.Join();
        ASSERT_TRUE(driver.found);
        (root.empty() ? whole : unparsed) = driver.rootText;
    }
    EXPECT_FALSE(whole.empty());
    EXPECT_EQ(unparsed, whole);
}

TEST_F(FolderPickerTest, CancellingKeepsAnExistingFolderAndClearsAMissingOne) {
    struct Case {
        std::string path;
        std::string after;
    } const cases[] = {
        {temp.path(), temp.path()},
        {temp / "missing", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string path = c.path;
        PickerDriver driver(GetCurrentThreadId(), PickerDriver::Answer::Cancel, "", window.get());
        const bool chosen = BrowseForFolder("title", L"", path, window.get());
        driver.Join();
        EXPECT_TRUE(driver.found);
        ExpectPickerHeldTheProgram(driver);
        EXPECT_FALSE(chosen);
        EXPECT_EQ(path, c.after);
        EXPECT_TRUE(IsWindowEnabled(window.get()));
        EXPECT_EQ(GetErrorMode(), 0u);
    }
}

}  // namespace
}  // namespace ks
