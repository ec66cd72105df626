// The restore-point dialog and its worker thread.
#include "restore/win/system_point_dialog.h"

#include <srrestoreptapi.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "restore/system_point.h"
#include "settings/localisation.h"
#include "ui/win/prompts.h"

namespace ks {

static_assert(sizeof(RESTOREPOINTINFOA) == sizeof(RestorePointRequest));
static_assert(offsetof(RESTOREPOINTINFOA, dwRestorePtType) == offsetof(RestorePointRequest, restorePointType));
static_assert(offsetof(RESTOREPOINTINFOA, llSequenceNumber) == offsetof(RestorePointRequest, sequenceNumber));
static_assert(offsetof(RESTOREPOINTINFOA, szDescription) == offsetof(RestorePointRequest, description));
static_assert(sizeof(STATEMGRSTATUS) == sizeof(RestorePointStatus));

bool RequestSystemRestorePoint() {
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::string path = std::string(system) + "\\SrClient.dll";
    // A full path, and its own dependencies looked up beside it.
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) return false;
    using SetRestorePoint = BOOL(WINAPI*)(PRESTOREPOINTINFOA, PSTATEMGRSTATUS);
    const auto set = reinterpret_cast<SetRestorePoint>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "SRSetRestorePointA")));
    bool made = false;
    if (set) {
        const RestorePointRequest request = MakeRestorePointRequest();
        RESTOREPOINTINFOA info{};
        std::memcpy(&info, &request, sizeof info);
        STATEMGRSTATUS status{};
        made = set(&info, &status) != FALSE;
    }
    FreeLibrary(library);
    return made;
}

// ---------------------------------------------------------------- worker

TCreateSystemPointThread::TCreateSystemPointThread(HWND dialog, RestorePointRequester requester,
                                                   std::shared_ptr<std::atomic<bool>> abandoned)
    : dialog_(dialog), requester_(std::move(requester)), abandoned_(std::move(abandoned)) {}

TCreateSystemPointThread* TCreateSystemPointThread::Create(HWND dialog, RestorePointRequester requester,
                                                           std::shared_ptr<std::atomic<bool>> abandoned) {
    auto* worker = new TCreateSystemPointThread(dialog, std::move(requester), std::move(abandoned));
    worker->thread_ = CreateThread(nullptr, 0, &ThreadStart, worker, CREATE_SUSPENDED, nullptr);
    if (!worker->thread_) {
        delete worker;
        return nullptr;
    }
    return worker;
}

void TCreateSystemPointThread::Start() {
    // The handle is not needed to let the thread run to its end.
    HANDLE thread = thread_;
    thread_ = nullptr;
    ResumeThread(thread);
    CloseHandle(thread);
}

DWORD WINAPI TCreateSystemPointThread::ThreadStart(LPVOID self) {
    static_cast<TCreateSystemPointThread*>(self)->Execute();
    delete static_cast<TCreateSystemPointThread*>(self);
    return 0;
}

void TCreateSystemPointThread::Execute() {
    bool made = false;
    try {
        made = requester_ && requester_();
    } catch (...) {
        made = false;  // a request that breaks is a failed request
    }
    if (!abandoned_->load()) PostMessageA(dialog_, kMsgSystemPointAnswer, 0, made ? 0 : 1);
}

// ---------------------------------------------------------------- dialog

TfrmSystemPoint::TfrmSystemPoint(RestorePointRequester requester)
    : Dialog(SystemPointForm()), requester_(std::move(requester)),
      abandoned_(std::make_shared<std::atomic<bool>>(false)) {
    OnTimer("Timer1", [this] { Timer1Timer(); });
    OnMessage(kMsgSystemPointAnswer, [this](WPARAM, LPARAM lParam) -> LRESULT {
        AnswerReceived(lParam);
        return 0;
    });
}

TfrmSystemPoint::~TfrmSystemPoint() { abandoned_->store(true); }

void TfrmSystemPoint::FormShow() {
    answerReceived_ = false;
    abandoned_->store(true);
    abandoned_ = std::make_shared<std::atomic<bool>>(false);
    SetProgress("ProgressBar1", 0);
    StartTimer("Timer1");
    TCreateSystemPointThread* worker = TCreateSystemPointThread::Create(Handle(), requester_, abandoned_);
    if (worker) worker->Start();
    else PostMessageA(Handle(), kMsgSystemPointAnswer, 0, 1);  // no worker: as a failed request
    ApplyActiveLanguage();
}

void TfrmSystemPoint::Timer1Timer() {
    const int position = Progress("ProgressBar1");
    SetProgress("ProgressBar1", position + SystemPointBarStep(position));
}

void TfrmSystemPoint::AnswerReceived(LPARAM lParam) {
    // An answer for a dialog that is no longer waiting is ignored.
    if (!IsModal() || answerReceived_) return;
    answerReceived_ = true;
    modalResult_ = ui::kModalOK;
    if (lParam != 0) {
        const std::string question =
            LookupText("RES_CreatePoint_Fail", "Restore Point creation Failed! Contiue to repair?");
        if (ui::CurrentPrompts().ShowMessage(Handle(), question, MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) !=
            IDYES)
            modalResult_ = ui::kModalCancel;
    }
    SetModalResult(modalResult_);
}

void TfrmSystemPoint::FormClose() {
    StopTimer("Timer1");
    if (answerReceived_) return;
    // Closed before an answer came: the worker is left to finish on its own,
    // and whatever it says later reaches no one.
    abandoned_->store(true);
    modalResult_ = ui::kModalCancel;
}

}  // namespace ks
