// How the scan worker's output reaches the user-interface thread: findings and
// progress texts in order without the worker waiting for each, the two task
// steps run there while the worker waits, and the stop that cuts it all off.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "scan/finding.h"

namespace ks {

// The user-interface side of a scan. Called only on the user-interface
// thread, only from ScanHandOver::Deliver.
class ScanView {
public:
    virtual ~ScanView() = default;
    virtual void ShowTaskCaption(const std::string& text) = 0;   // lScanTask
    virtual void ShowCurrentKey(const std::string& keyPath) = 0;  // Memo1
    virtual void AddFinding(const Finding& finding) = 0;          // appended to the problem list
    // Ends every delivery that handed over findings: the list shows them now,
    // once for the whole batch.
    virtual void FindingsDelivered() {}
    // ProgressBar1 to 0, Timer1 on.
    virtual void BeginTaskProgress() = 0;
    // Timer1 off, ProgressBar1 to 1000, the recount posted to the main window.
    virtual void EndTaskProgress() = 0;
    // The worker ran every task (the dialog closes with its cancel result).
    virtual void ScanFinished() = 0;
    // A check failed unexpectedly; the worker has ended without finishing.
    virtual void ScanFailed() = 0;
};

// Called on the worker thread with the hand-over's lock held: asks the
// user-interface thread to call Deliver soon. Must not wait for that thread.
class ScanWakeUp {
public:
    virtual ~ScanWakeUp() = default;
    virtual void WakeUserInterface() = 0;
};

class ScanHandOver {
public:
    enum class TaskStep { Begin, End };

    explicit ScanHandOver(ScanWakeUp* wakeUp = nullptr);

    // Worker side. None of these waits for the user-interface thread, except
    // RunTaskStep. After a stop they do nothing.
    void ShowTaskCaption(std::string text);
    // The latest wins. False once the scan is stopped, so that the worker
    // learns of a stop at each key without asking separately.
    bool ShowCurrentKey(std::string_view keyPath);
    void AddFinding(Finding finding);
    // Has the step run on the user-interface thread and waits for it. False
    // when the scan was stopped before or while waiting.
    bool RunTaskStep(TaskStep step);
    void ReportFinished();
    void ReportFailed();
    bool StopRequested() const;

    // User-interface side. Applies everything handed over so far, in order;
    // runs a step the worker waits for. Nothing once stopped.
    void Deliver(ScanView& view);
    // Delivers the findings already handed over, then cuts the worker off:
    // from here on nothing reaches the view and the wake-up is never called
    // again, and a worker waiting for a step goes on (and ends). Called from
    // inside a view call, the delivery under way finishes the findings.
    void Stop(ScanView& view);
    // Cuts off without delivering (the window is going away).
    void Detach();

    // For the display and for tests: how many items wait for delivery.
    std::size_t Pending() const;
    // Whether a delivery now would run a step the worker waits for or end the
    // scan. A user-interface side that puts deliveries off to save its time
    // delivers at once then: for these the wake-up is called again, even
    // while a delivery is pending.
    bool DeliveryUrgent() const;

private:
    struct StepRequest {
        TaskStep step;
        std::uint64_t ticket;
    };
    struct Caption {
        std::string text;
    };
    enum class Outcome { Finished, Failed };
    using Item = std::variant<Caption, Finding, StepRequest, Outcome>;

    void Enqueue(Item item);  // with the lock held
    void EnqueueUrgent(Item item);
    void Apply(ScanView& view, std::deque<Item>& items, std::optional<std::string>& key);

    mutable std::mutex mutex_;
    std::condition_variable stepDone_;
    ScanWakeUp* wakeUp_;
    std::deque<Item> items_;
    std::optional<std::string> currentKey_;
    bool wakePending_ = false;
    bool urgent_ = false;
    bool stopped_ = false;
    bool delivering_ = false;
    bool missedDelivery_ = false;
    // Handed over before a stop that came from inside a delivery: applied by
    // that delivery after the items it holds, so the order stays.
    std::deque<Item> beforeStop_;
    std::uint64_t nextTicket_ = 1;
    std::uint64_t doneTicket_ = 0;
};

}  // namespace ks
