// The restore-point dialog and its worker: the worker asks System Restore for
// a restore point and posts the answer; the dialog paces its bar meanwhile and
// turns the answer into its modal result (1 go on with the repair, 2 abandon).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "ui/win/window.h"

namespace ks {

// Asks for the restore point; true when it was made. Runs on the worker.
using RestorePointRequester = std::function<bool()>;

// SRSetRestorePointA of SrClient.dll, loaded from the system folder only (the
// program runs elevated: never from its own or the current folder). A missing
// library or function counts as a failed request.
bool RequestSystemRestorePoint();

class TCreateSystemPointThread {
public:
    // Makes the thread suspended. It posts its answer to `dialog` unless
    // `abandoned` is set by then, and frees itself when it ends.
    static TCreateSystemPointThread* Create(HWND dialog, RestorePointRequester requester,
                                            std::shared_ptr<std::atomic<bool>> abandoned);
    // Lets it run; from here on it owns itself.
    void Start();

private:
    TCreateSystemPointThread(HWND dialog, RestorePointRequester requester,
                             std::shared_ptr<std::atomic<bool>> abandoned);
    void Execute();
    static DWORD WINAPI ThreadStart(LPVOID self);

    HWND dialog_;
    RestorePointRequester requester_;
    std::shared_ptr<std::atomic<bool>> abandoned_;
    HANDLE thread_ = nullptr;
};

class TfrmSystemPoint : public ui::Dialog {
public:
    explicit TfrmSystemPoint(RestorePointRequester requester = RequestSystemRestorePoint);
    ~TfrmSystemPoint() override;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void Timer1Timer();
    void AnswerReceived(LPARAM lParam);

    RestorePointRequester requester_;
    std::shared_ptr<std::atomic<bool>> abandoned_;
    bool answerReceived_ = false;
};

}  // namespace ks
