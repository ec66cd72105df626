// The progress dialog: a thin window over the worker and its hand-over.
#include "scan/win/progress_dialog.h"

#include "base/window_messages.h"
#include "scan/progress_form.h"
#include "scan/scan_task_thread.h"
#include "scan/win/scan_worker_setup.h"
#include "settings/settings.h"

namespace ks {

// What the hand-over applies on the user-interface thread.
class TfrmRegProgressHint::View : public ScanView {
public:
    explicit View(TfrmRegProgressHint& dialog) : dialog_(dialog) {}

    void ShowTaskCaption(const std::string& text) override { dialog_.SetText("lScanTask", text); }
    void ShowCurrentKey(const std::string& keyPath) override { dialog_.SetText("Memo1", keyPath); }
    void AddFinding(const Finding& finding) override { dialog_.findings_.AddFinding(finding); }
    void FindingsDelivered() override { dialog_.findings_.FindingsDelivered(); }
    void BeginTaskProgress() override {
        dialog_.SetProgress("ProgressBar1", 0);
        dialog_.StartTimer("Timer1");
    }
    void EndTaskProgress() override {
        // Only reached while no stop was requested: the hand-over runs no step after one.
        dialog_.StopTimer("Timer1");
        dialog_.SetProgress("ProgressBar1", kProgressFull);
        if (dialog_.mainWindow_) PostMessageA(dialog_.mainWindow_, kMsgRecount, 0, 0);
    }
    void ScanFinished() override {
        if (dialog_.Handle()) PostMessageA(dialog_.Handle(), WM_CLOSE, 0, 0);
    }
    void ScanFailed() override {
        // Shown, the dialog stays for the person to stop; hidden in an
        // unattended run, nobody would, so it ends as stopped.
        if (dialog_.cleanOnceMode_) dialog_.Stop();
    }

private:
    TfrmRegProgressHint& dialog_;
};

// Called by the worker with the hand-over's lock held; never after a stop.
class TfrmRegProgressHint::WakeUp : public ScanWakeUp {
public:
    // The worker only ever sees the window handle, never the dialog object.
    explicit WakeUp(HWND dialog) : dialog_(dialog) {}
    void WakeUserInterface() override { PostMessageA(dialog_, kMsgScanDelivery, 0, 0); }

private:
    HWND dialog_;
};

TfrmRegProgressHint::TfrmRegProgressHint(std::vector<std::string> taskIds, FindingSink& findings, Machine machine,
                                         HWND mainWindow, bool cleanOnceMode)
    : Dialog(RegProgressHintForm()),
      taskIds_(std::move(taskIds)),
      findings_(findings),
      machine_(std::move(machine)),
      mainWindow_(mainWindow),
      cleanOnceMode_(cleanOnceMode),
      view_(std::make_unique<View>(*this)) {
    OnClick("bStop", [this] { bStopClick(); });
    OnTimer("Timer1", [this] { Timer1Timer(); });
    OnMessage(kMsgStartScan, [this](WPARAM, LPARAM) {
        StartWorker();
        return LRESULT{0};
    });
    OnTimer("tDelivery", [this] { Deliver(); });
    OnMessage(kMsgScanDelivery, [this](WPARAM, LPARAM) {
        const unsigned long long since = GetTickCount64() - lastDelivery_;
        if (since < kDeliveryIntervalMs && handOver_ && !handOver_->DeliveryUrgent()) {
            if (!TimerRunning("tDelivery")) {
                SetTimerInterval("tDelivery", static_cast<unsigned>(kDeliveryIntervalMs - since));
                StartTimer("tDelivery");
            }
            return LRESULT{0};
        }
        Deliver();
        return LRESULT{0};
    });
}

TfrmRegProgressHint::~TfrmRegProgressHint() {
    // A worker still running must never reach this window again.
    if (handOver_) handOver_->Detach();
}

void TfrmRegProgressHint::FormShow() {
    SetProgress("ProgressBar1", 0);
    ApplyActiveLanguage();
}

void TfrmRegProgressHint::FormActivate() { PostMessageA(Handle(), kMsgStartScan, 0, 0); }

void TfrmRegProgressHint::StartWorker() {
    if (handOver_) return;  // one worker per dialog, however often it is activated
    if (cleanOnceMode_) ShowWindow(Handle(), SW_HIDE);
    wakeUp_ = std::make_unique<WakeUp>(Handle());
    handOver_ = std::make_shared<ScanHandOver>(wakeUp_.get());
    auto worker = MakeScanWorker(machine_.registry, machine_.files, Settings, taskIds_, handOver_);
    ++workersStarted_;
    TScanTaskThread::Start(std::move(worker));
}

void TfrmRegProgressHint::Deliver() {
    StopTimer("tDelivery");
    lastDelivery_ = GetTickCount64();
    if (handOver_) handOver_->Deliver(*view_);
}

void TfrmRegProgressHint::Timer1Timer() {
    SetProgress("ProgressBar1", NextPseudoProgress(Progress("ProgressBar1")));
}

void TfrmRegProgressHint::Stop() {
    if (handOver_) handOver_->Stop(*view_);
    StopTimer("Timer1");
    SetModalResult(ui::kModalAbort);
}

void TfrmRegProgressHint::bStopClick() { Stop(); }

void TfrmRegProgressHint::FormClose() {
    if (TimerRunning("Timer1")) Stop();
    taskIds_.clear();
}

}  // namespace ks
