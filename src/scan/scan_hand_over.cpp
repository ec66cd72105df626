// The queue between the scan worker and the user-interface thread.
#include "scan/scan_hand_over.h"

#include <chrono>
#include <type_traits>

namespace ks {

ScanHandOver::ScanHandOver(ScanWakeUp* wakeUp) : wakeUp_(wakeUp) {}

void ScanHandOver::Enqueue(Item item) {
    items_.push_back(std::move(item));
    if (!wakePending_ && wakeUp_) {
        wakePending_ = true;
        wakeUp_->WakeUserInterface();
    }
}

void ScanHandOver::EnqueueUrgent(Item item) {
    const bool wakeAgain = wakePending_ && wakeUp_;
    urgent_ = true;
    Enqueue(std::move(item));
    if (wakeAgain) wakeUp_->WakeUserInterface();
}

void ScanHandOver::ShowTaskCaption(std::string text) {
    std::lock_guard lock(mutex_);
    if (!stopped_) Enqueue(Caption{std::move(text)});
}

bool ScanHandOver::ShowCurrentKey(std::string_view keyPath) {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    // Between two deliveries the same text is overwritten in place.
    if (currentKey_) currentKey_->assign(keyPath);
    else currentKey_.emplace(keyPath);
    if (!wakePending_ && wakeUp_) {
        wakePending_ = true;
        wakeUp_->WakeUserInterface();
    }
    return true;
}

void ScanHandOver::AddFinding(Finding finding) {
    std::lock_guard lock(mutex_);
    if (!stopped_) Enqueue(std::move(finding));
}

void ScanHandOver::ReportFinished() {
    std::lock_guard lock(mutex_);
    if (!stopped_) EnqueueUrgent(Outcome::Finished);
}

void ScanHandOver::ReportFailed() {
    std::lock_guard lock(mutex_);
    if (!stopped_) EnqueueUrgent(Outcome::Failed);
}

bool ScanHandOver::RunTaskStep(TaskStep step) {
    std::unique_lock lock(mutex_);
    if (stopped_) return false;
    const std::uint64_t ticket = nextTicket_++;
    EnqueueUrgent(StepRequest{step, ticket});
    // Woken when the step has run; the condition is asked again now and then
    // as well, so that a lost wake-up costs a moment instead of the scan (a
    // step wait under Wine once never woke, about one run in 300).
    while (!stopped_ && doneTicket_ < ticket) stepDone_.wait_for(lock, std::chrono::milliseconds(50));
    return !stopped_;
}

bool ScanHandOver::StopRequested() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

bool ScanHandOver::DeliveryUrgent() const {
    std::lock_guard lock(mutex_);
    return urgent_ && !stopped_;
}

std::size_t ScanHandOver::Pending() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

void ScanHandOver::Apply(ScanView& view, std::deque<Item>& items, std::optional<std::string>& key) {
    // Whatever a view call does, a worker waiting for a step taken out of the
    // queue here must not wait for ever.
    struct ReleaseSteps {
        ScanHandOver& self;
        std::deque<Item>& items;
        ~ReleaseSteps() {
            std::uint64_t last = 0;
            for (const auto& item : items)
                if (const auto* request = std::get_if<StepRequest>(&item)) last = request->ticket;
            if (last == 0) return;
            std::lock_guard lock(self.mutex_);
            if (last > self.doneTicket_) self.doneTicket_ = last;
            self.stepDone_.notify_all();
        }
    } release{*this, items};

    // However a view call ends, the findings given to the view are shown.
    struct ShowFindings {
        ScanView& view;
        bool any = false;
        ~ShowFindings() {
            if (any) view.FindingsDelivered();
        }
    } shown{view};

    while (!items.empty()) {
        Item item = std::move(items.front());
        items.pop_front();
        if (StopRequested()) {
            // Stopped from inside a view call: only findings still count.
            if (const auto* finding = std::get_if<Finding>(&item)) {
                shown.any = true;
                view.AddFinding(*finding);
            }
            continue;
        }
        if (auto* caption = std::get_if<Caption>(&item)) {
            view.ShowTaskCaption(caption->text);
        } else if (auto* finding = std::get_if<Finding>(&item)) {
            shown.any = true;
            view.AddFinding(*finding);
        } else if (auto* request = std::get_if<StepRequest>(&item)) {
            const std::uint64_t ticket = request->ticket;
            struct Done {
                ScanHandOver& self;
                std::uint64_t ticket;
                ~Done() {
                    std::lock_guard lock(self.mutex_);
                    if (ticket > self.doneTicket_) self.doneTicket_ = ticket;
                    self.stepDone_.notify_all();
                }
            } done{*this, ticket};
            if (request->step == TaskStep::Begin) view.BeginTaskProgress();
            else view.EndTaskProgress();
        } else if (const auto* outcome = std::get_if<Outcome>(&item)) {
            if (*outcome == Outcome::Finished) view.ScanFinished();
            else view.ScanFailed();
        }
    }
    if (!StopRequested()) {
        if (key) view.ShowCurrentKey(*key);
        return;
    }
    std::deque<Item> rest;
    {
        std::lock_guard lock(mutex_);
        rest.swap(beforeStop_);
    }
    for (const auto& item : rest)
        if (const auto* finding = std::get_if<Finding>(&item)) {
            shown.any = true;
            view.AddFinding(*finding);
        }
}

void ScanHandOver::Deliver(ScanView& view) {
    {
        std::lock_guard lock(mutex_);
        if (delivering_) {
            // Called again from inside a view call: the outer call picks the
            // new items up when it is done, so the order holds.
            missedDelivery_ = true;
            return;
        }
        delivering_ = true;
    }
    struct Leave {
        ScanHandOver& self;
        ~Leave() {
            std::lock_guard lock(self.mutex_);
            self.delivering_ = false;
        }
    } leave{*this};
    for (;;) {
        std::deque<Item> items;
        std::optional<std::string> key;
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return;
            items.swap(items_);
            key.swap(currentKey_);
            wakePending_ = false;
            urgent_ = false;
            missedDelivery_ = false;
        }
        Apply(view, items, key);
        std::lock_guard lock(mutex_);
        if (!missedDelivery_) return;
    }
}

void ScanHandOver::Stop(ScanView& view) {
    std::deque<Item> items;
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
        wakeUp_ = nullptr;
        items.swap(items_);
        currentKey_.reset();
        stepDone_.notify_all();
        if (delivering_) {
            // The delivery under way applies these after its own.
            beforeStop_ = std::move(items);
            return;
        }
    }
    // What the worker found before the stop stays; its steps and its end no
    // longer matter.
    bool any = false;
    for (const auto& item : items)
        if (const auto* finding = std::get_if<Finding>(&item)) {
            any = true;
            view.AddFinding(*finding);
        }
    if (any) view.FindingsDelivered();
}

void ScanHandOver::Detach() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    wakeUp_ = nullptr;
    items_.clear();
    currentKey_.reset();
    stepDone_.notify_all();
}

}  // namespace ks
