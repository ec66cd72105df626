// The task-id table and the reading of task-id texts.
#include "scan/task_ids.h"

#include <charconv>

namespace ks {

namespace {
constexpr TaskInfo kTasks[] = {
    {3, "HKEY_LOCAL_MACHINE", "ScanFilesAndFoldersLocalMachine"},
    {4, "HKEY_CURRENT_USER", "ScanFilesAndFoldersCurrentUser"},
    {5, "HKEY_USERS", "ScanFilesAndFoldersUsers"},
    {6, "Software Locations", "ScanSoftwareLocations"},
    {7, "Windows Fonts", "ScanWindowsFonts"},
    {8, "Invalid Help Files", "ScanHelpFiles"},
    {9, "Shared DLLs", "ScanSharedDlls"},
    {10, "Startup Programs", "ScanStartupPrograms"},
    {11, "Add/Remove Programs", "ScanAddRemovePrograms"},
    {12, "File Extensions", "ScanFileExtensions"},
    {13, "Custom Controls", "ScanCustomControls"},
    {14, "Obsolete Software", "ScanObsoleteSoftware"},
    {15, "Windows Services", "ScanWindowsServices"},
    {16, "Start Menu", "ScanStartMenu"},
    {17, "Shortcuts", "ScanShortcuts"},
    {18, "Sound and Appevents", "ScanSoundEvents"},
    {19, "Invalid ActiveX", "ScanActiveX"},
    {20, "MRU and History Lists", "ScanRecentLists"},
    {21, "Installer", "ScanInstaller"},
    {22, "Applications", "ScanApplications"},
    {23, "Empty Keys", "ScanEmptyKeys"},
};
static_assert(sizeof(kTasks) / sizeof(kTasks[0]) == kLastTaskId - kFirstTaskId + 1);
}  // namespace

const TaskInfo* FindTask(int id) {
    if (id < kFirstTaskId || id > kLastTaskId) return nullptr;
    return &kTasks[id - kFirstTaskId];
}

int ParseTaskId(std::string_view text) {
    // Whole text, decimal, an optional sign; anything else (blanks, trailing
    // letters, overflow) is not a number.
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return 0;
    int id = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, id);
    if (error != std::errc() || stop != end) return 0;
    return id;
}

}  // namespace ks
