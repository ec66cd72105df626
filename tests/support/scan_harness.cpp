// The recording view and the test thread's message loop.
#include "support/scan_harness.h"

#include "scan/scan_task_thread.h"

namespace ks::test {

void RecordingView::ShowTaskCaption(const std::string& text) { events.push_back("caption:" + text); }
void RecordingView::ShowCurrentKey(const std::string& keyPath) { keysShown.push_back(keyPath); }
void RecordingView::AddFinding(const Finding& finding) {
    if (onFinding) onFinding(findings.size());
    events.push_back("finding");
    findings.push_back(finding);
}
void RecordingView::BeginTaskProgress() { events.push_back("begin"); }
void RecordingView::EndTaskProgress() { events.push_back("end"); }
void RecordingView::ScanFinished() {
    events.push_back("finished");
    finished = true;
}
void RecordingView::ScanFailed() {
    events.push_back("failed");
    failed = true;
}

void WaitableWakeUp::WakeUserInterface() {
    std::lock_guard lock(mutex_);
    pending_ = true;
    ++count_;
    woken_.notify_all();
}

bool WaitableWakeUp::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool woken = woken_.wait_for(lock, timeout, [&] { return pending_; });
    pending_ = false;
    return woken;
}

int WaitableWakeUp::wakeUps() const {
    std::lock_guard lock(mutex_);
    return count_;
}

bool PumpUntil(ScanHandOver& handOver, ScanView& view, WaitableWakeUp& wakeUp, const std::function<bool()>& done,
               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        wakeUp.Wait(std::chrono::milliseconds(20));
        handOver.Deliver(view);
    }
    return true;
}

bool RunScanTasks(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                  const SettingsRecord& settings, std::vector<std::string> tasks, RecordingView& view,
                  std::chrono::milliseconds timeout, std::shared_ptr<ShortcutLinks> shortcuts) {
    WaitableWakeUp wakeUp;
    auto handOver = std::make_shared<ScanHandOver>(&wakeUp);
    auto worker = std::make_unique<TScanTaskThread>(std::move(registry), std::move(files), settings, std::move(tasks),
                                                    handOver);
    worker->Shortcuts = std::move(shortcuts);
    TScanTaskThread::Start(std::move(worker));
    return PumpUntil(*handOver, view, wakeUp, [&] { return view.finished || view.failed; }, timeout);
}

}  // namespace ks::test
