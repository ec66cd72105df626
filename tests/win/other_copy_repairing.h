// Test helper: the repair lock held on a thread of its own, as another copy
// of the program would hold it (the lock is a mutex, which the thread that
// holds it could take again).
#pragma once

#include <windows.h>

#include <thread>

#include "repair/win/repair_lock.h"

namespace ks::test {

class OtherCopyRepairing {
public:
    OtherCopyRepairing()
        : thread_([this] {
              RepairLock lock;
              held_ = lock.held();
              SetEvent(taken_);
              WaitForSingleObject(release_, INFINITE);
          }) {
        WaitForSingleObject(taken_, 10000);
    }
    ~OtherCopyRepairing() {
        SetEvent(release_);
        thread_.join();
        CloseHandle(taken_);
        CloseHandle(release_);
    }
    bool held() const { return held_; }

private:
    HANDLE taken_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool held_ = false;
    std::thread thread_;
};

}  // namespace ks::test
