// One repair or restore at a time on this desktop, whichever program runs it:
// the window's repair and restore commands, the startup manager's deletions
// and the console program's repair and restore all hold this named mutex
// while they change the registry.
#pragma once

#include <windows.h>

namespace ks {

inline constexpr char kRepairMutexName[] = "Local\\Quarlo Keyscrub repairing";

class RepairLock {
public:
    // Tries to take the lock, waiting at most `waitMs`. A lock left behind by
    // a process that ended (abandoned) is taken.
    explicit RepairLock(DWORD waitMs = 0);
    RepairLock(const RepairLock&) = delete;
    RepairLock& operator=(const RepairLock&) = delete;
    ~RepairLock();

    bool held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

// The note the window shows when another copy holds the lock.
void ShowRepairBusy(HWND owner);

}  // namespace ks
