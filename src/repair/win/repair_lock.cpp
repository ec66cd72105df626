// The repair lock: a named mutex.
#include "repair/win/repair_lock.h"

#include <string>

#include "settings/localisation.h"
#include "ui/win/prompts.h"

namespace ks {

RepairLock::RepairLock(DWORD waitMs) {
    mutex_ = CreateMutexA(nullptr, FALSE, kRepairMutexName);
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_, waitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RepairLock::~RepairLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

void ShowRepairBusy(HWND owner) {
    ui::CurrentPrompts().ShowMessage(
        owner,
        LookupText("RES_Repair_Busy",
                   "Another copy of Quarlo Keyscrub is repairing or restoring the registry. Try again when it has "
                   "finished."),
        MB_OK | MB_ICONINFORMATION);
}

}  // namespace ks
