// A stand-in for the user-interface side of a scan: a view that records what
// reaches it, and a wake-up the test thread waits on as a message loop would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "scan/file_system.h"
#include "scan/registry.h"
#include "scan/scan_hand_over.h"
#include "scan/shortcut_links.h"
#include "settings/settings.h"

namespace ks {
// Readable findings in test failures.
inline void PrintTo(const Finding& finding, std::ostream* out) {
    *out << "{" << finding.Problem << " | " << finding.KeyPath << " | " << finding.Value << " | "
         << static_cast<int>(finding.RemovalKind) << "}";
}
}  // namespace ks

namespace ks::test {

class RecordingView : public ScanView {
public:
    void ShowTaskCaption(const std::string& text) override;
    void ShowCurrentKey(const std::string& keyPath) override;
    void AddFinding(const Finding& finding) override;
    void BeginTaskProgress() override;
    void EndTaskProgress() override;
    void ScanFinished() override;
    void ScanFailed() override;
    void FindingsDelivered() override { ++batches; }

    // "begin", "caption:<text>", "finding", "end", "finished", "failed", in order.
    std::vector<std::string> events;
    std::vector<Finding> findings;
    std::vector<std::string> keysShown;
    bool finished = false;
    bool failed = false;
    int batches = 0;  // deliveries that ended with findings shown
    // Called before each finding is recorded: a slow user-interface thread.
    std::function<void(std::size_t)> onFinding;
};

class WaitableWakeUp : public ScanWakeUp {
public:
    void WakeUserInterface() override;
    // Waits until woken or the time is up; clears the wake-up.
    bool Wait(std::chrono::milliseconds timeout);
    int wakeUps() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable woken_;
    bool pending_ = false;
    int count_ = 0;
};

// Puts the built-in English texts in force for its lifetime.
class EnglishTexts {
public:
    EnglishTexts() : saved_(Settings.Lan) { Settings.Lan = "English"; }
    ~EnglishTexts() { Settings.Lan = saved_; }
    EnglishTexts(const EnglishTexts&) = delete;
    EnglishTexts& operator=(const EnglishTexts&) = delete;

private:
    std::string saved_;
};

// Delivers whenever woken until done() holds or the time is up. True when done.
bool PumpUntil(ScanHandOver& handOver, ScanView& view, WaitableWakeUp& wakeUp, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Runs the worker over the tasks on its own thread and delivers what it sends
// to the view until it has finished or failed. False when the time ran out.
// Without a shortcut reader the shortcut section reads no shortcut.
bool RunScanTasks(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> files,
                  const SettingsRecord& settings, std::vector<std::string> tasks, RecordingView& view,
                  std::chrono::milliseconds timeout, std::shared_ptr<ShortcutLinks> shortcuts = nullptr);

}  // namespace ks::test
