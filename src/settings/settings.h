// The options record shared by every window, mirrored in options.ini.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "settings/profile.h"

namespace ks {

struct SettingsRecord {
    std::string OutputDirectory;
    bool DeleteBackupFile = false;
    bool IncludeRemoveMedia = false;
    bool IncludeCDdrive = false;
    bool Beep = false;
    // Checked state of the scan-section tree node with image index n, n = 1..24.
    std::array<bool, 25> NodeChecked{};
    int IgnoreValueCount = 0;
    std::vector<std::string> IgnoreValues;
    int IgnoreKeyCount = 0;
    std::vector<std::string> IgnoreKeys;
    bool WindowMaximized = false;
    int WindowLeft = 0;
    int WindowTop = 0;
    bool ShowHint = false;
    bool RestorePoint = false;
    std::string Lan;
};

// The one process-wide record, zero-filled at start and loaded while the main
// window is created. Only the user-interface thread changes it; the scan worker
// reads it while the modal progress dialog keeps every editor closed.
inline SettingsRecord Settings;

// Image indexes of the scan-section tree run from 1 to this; NodeChecked[0] is unused.
constexpr int kNodeCheckedCount = 24;

// Ignore lists: a Count up to kTrustedIgnoreCount is taken as written, even
// where the numbered keys are missing (they read as empty entries). A larger
// Count is taken as the numbered keys actually present in the section up to
// it, in number order and never more than kMaxIgnoreEntries of them, so a
// damaged file with Count=2000000000 neither allocates nor reads billions of
// entries, nor leaves tens of thousands of empty ones to write back at close.
constexpr int kTrustedIgnoreCount = 1000;
constexpr int kMaxIgnoreEntries = 65535;

// Show commands of a window placement.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;
bool IsMinimizedShowCommand(int showCommand);

struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

struct WindowPosition {
    int left = 0;
    int top = 0;

    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// Top-left corner that centres a window of the given size on a screen of the
// given size; the divisions truncate toward zero, so a window larger than the
// screen gets a negative corner.
WindowPosition CentredPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// What the store needs of the main window: its size, placement, the screen it
// is on, and the check states of its scan-section tree.
class MainWindowPlacement {
public:
    virtual ~MainWindowPlacement() = default;

    // Outer size in pixels; the setters resize the window at once.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;

    // Outer rectangle in screen coordinates, as the window is now. A minimized
    // window is reported where Windows parks it, near (-32000, -32000).
    virtual WindowBounds Bounds() const = 0;
    // Outer rectangle in screen coordinates that the window returns to when it
    // is restored; for a normal window the same as Bounds().
    virtual WindowBounds RestoredBounds() const = 0;
    // The show command of the window placement (1 normal, 2 minimized,
    // 3 maximized); nullopt when the placement cannot be read.
    virtual std::optional<int> GetPlacementShowCommand() const = 0;

    virtual int ScreenWidth() const = 0;
    virtual int ScreenHeight() const = 0;

    // Writes the check state of every scan-section tree node into
    // nodeChecked[image index of the node]; other elements are left as they are.
    virtual void CopyTreeCheckStates(std::array<bool, 25>& nodeChecked) = 0;
};

// Reads every option from the profile into the record, replacing what it
// held, and gives the main window its saved size. Missing or malformed keys
// read as their defaults; `programFolder` ends in a backslash.
void LoadSettings(SettingsRecord& settings, const Profile& profile, MainWindowPlacement& window,
                  std::string_view programFolder);

// Copies the tree's check states into the record, then writes every option
// and the window's placement to the profile, one key at a time. Keys the store
// does not know, and list entries numbered above the saved count, stay in the
// file. Write failures are not reported.
void SaveSettings(SettingsRecord& settings, Profile& profile, MainWindowPlacement& window);

// The store's single entry point over a given profile: load when `load` is
// true, save otherwise.
void LoadSaveSettings(bool load, Profile& profile, MainWindowPlacement& window, std::string_view programFolder,
                      SettingsRecord& settings = Settings);

// Where options.ini lives: `appDataFolder` + "Quarlo\Keyscrub\" when that
// folder exists or `ensureFolder` can create it, otherwise `programFolder`.
// Both folders end in a backslash; an empty `appDataFolder` (the shell could
// not say where it is) goes straight to the program's folder.
template <typename EnsureFolder>
std::string SettingsFolder(std::string_view appDataFolder, std::string_view programFolder,
                           EnsureFolder&& ensureFolder) {
    if (!appDataFolder.empty()) {
        std::string folder = WithTrailingBackslash(std::string(appDataFolder));
        folder += "Quarlo\\Keyscrub\\";
        if (ensureFolder(folder)) return folder;
    }
    return std::string(programFolder);
}

inline constexpr char kSettingsFileName[] = "options.ini";

// The folders to create, outermost first, so that `folder` exists afterwards:
// every ancestor below the drive root (C:\ ) or the share (\\server\share\ ),
// then the folder itself, each without a trailing backslash.
std::vector<std::string> FolderChain(std::string_view folder);

}  // namespace ks
