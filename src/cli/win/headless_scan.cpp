// The headless driver of the scan hand-over.
#include "cli/win/headless_scan.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "scan/scan_hand_over.h"
#include "scan/win/handles.h"
#include "scan/win/scan_worker_setup.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"

namespace ks::cli {

namespace {

// Set by the console's Ctrl+C handler, which runs on a thread of its own.
std::atomic<bool> stopRequested{false};
std::atomic<HANDLE> wakeEvent{nullptr};

BOOL WINAPI OnConsoleBreak(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    stopRequested = true;
    if (HANDLE event = wakeEvent.load()) SetEvent(event);
    return TRUE;
}

// The progress line: caption and key, cut to the console's width and
// overwritten in place.
class ProgressLine {
public:
    explicit ProgressLine(bool shown) : shown_(shown) {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (shown_ && GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
            width_ = static_cast<std::size_t>(info.dwSize.X > 1 ? info.dwSize.X - 1 : 1);
    }
    ~ProgressLine() { Clear(); }

    void SetCaption(const std::string& text) {
        caption_ = text;
        Draw();
    }
    void SetKey(const std::string& key) {
        key_ = key;
        Draw();
    }
    void Clear() {
        if (!shown_ || drawn_ == 0) return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(drawn_), "");
        std::fflush(stderr);
        drawn_ = 0;
    }

private:
    void Draw() {
        if (!shown_) return;
        std::string line = caption_.empty() ? key_ : caption_ + " " + key_;
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        if (line.size() > width_) line.resize(width_);
        const std::size_t length = line.size();
        if (length < drawn_) line.append(drawn_ - length, ' ');
        std::fprintf(stderr, "\r%s", line.c_str());
        std::fflush(stderr);
        drawn_ = length;
    }

    bool shown_;
    std::size_t width_ = 79;
    std::size_t drawn_ = 0;
    std::string caption_;
    std::string key_;
};

class ConsoleView final : public ScanView {
public:
    ConsoleView(const std::vector<int>& sections, HeadlessScan& result, bool showProgress)
        : sections_(sections), result_(result), progress_(showProgress) {}

    void ShowTaskCaption(const std::string& text) override { progress_.SetCaption(text); }
    void ShowCurrentKey(const std::string& keyPath) override { progress_.SetKey(keyPath); }
    void AddFinding(const Finding& finding) override { result_.findings.push_back({section_, finding}); }
    // The worker begins the tasks in the order it was given them.
    void BeginTaskProgress() override {
        section_ = next_ < sections_.size() ? sections_[next_] : 0;
        ++next_;
    }
    void EndTaskProgress() override {}
    void ScanFinished() override {
        result_.finished = true;
        ended_ = true;
    }
    void ScanFailed() override { ended_ = true; }

    bool ended() const { return ended_; }
    void ClearProgress() { progress_.Clear(); }

private:
    const std::vector<int>& sections_;
    HeadlessScan& result_;
    ProgressLine progress_;
    std::size_t next_ = 0;
    int section_ = 0;
    bool ended_ = false;
};

// Called by the worker with the hand-over's lock held: only signals.
class EventWakeUp final : public ScanWakeUp {
public:
    explicit EventWakeUp(HANDLE event) : event_(event) {}
    void WakeUserInterface() override { SetEvent(event_); }

private:
    HANDLE event_;
};

}  // namespace

bool StderrIsConsole() {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return error && error != INVALID_HANDLE_VALUE && GetFileType(error) == FILE_TYPE_CHAR &&
           GetConsoleMode(error, &mode);
}

HeadlessScan RunHeadlessScan(const std::vector<int>& sections, const SettingsRecord& settings) {
    HeadlessScan result;
    // Lives as long as the process: a stopped worker may still signal it.
    static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!event) return result;
    wakeEvent = event;
    stopRequested = false;
    SetConsoleCtrlHandler(&OnConsoleBreak, TRUE);

    ConsoleView view(sections, result, StderrIsConsole());
    // Shared with the worker, which may outlive this call after a stop.
    static EventWakeUp wakeUp(event);
    auto handOver = std::make_shared<ScanHandOver>(&wakeUp);
    std::vector<std::string> taskIds;
    for (const int id : sections) taskIds.push_back(std::to_string(id));
    auto worker = MakeScanWorker(std::shared_ptr<Registry>(MakeWin32Registry()),
                                 std::shared_ptr<FileSystem>(MakeWin32FileSystem()), settings, std::move(taskIds),
                                 handOver);
    TScanTaskThread::Start(std::move(worker));
    while (!view.ended()) {
        WaitForSingleObject(event, INFINITE);
        if (stopRequested) {
            handOver->Stop(view);
            result.stopped = true;
            break;
        }
        handOver->Deliver(view);
    }
    view.ClearProgress();
    SetConsoleCtrlHandler(&OnConsoleBreak, FALSE);
    return result;
}

}  // namespace ks::cli
