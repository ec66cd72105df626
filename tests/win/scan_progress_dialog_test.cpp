// The progress dialog as a real modal window under Wine, with its worker on
// a real thread over an in-memory machine: results 2 and 3, the recount after
// each task, Stop and close during a task, one worker per dialog, clean-once.
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "base/window_messages.h"
#include "scan/progress_form.h"
#include "scan/win/progress_dialog.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

// The main window's part: counts the recounts posted to it.
int recounts = 0;
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsgRecount) {
        ++recounts;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Runs `tick` on the user-interface thread every few milliseconds while a
// modal loop runs.
std::function<void()> onTick;
void CALLBACK TickProc(HWND, UINT, UINT_PTR, DWORD) {
    if (onTick) onTick();
}

struct CollectingSink : FindingSink {
    std::vector<Finding> findings;
    std::function<void()> onFinding;
    void AddFinding(const Finding& finding) override {
        findings.push_back(finding);
        if (onFinding) onFinding();
    }
};

class FailingFileSystem : public test::MemoryFileSystem {
public:
    bool FolderExists(std::string_view path) override {
        if (path.find("Boom") != std::string_view::npos) throw std::runtime_error("unexpected");
        return MemoryFileSystem::FolderExists(path);
    }
};

// A disk that answers slowly, so that a task is surely still running when
// the person's click arrives.
class SlowFileSystem : public test::MemoryFileSystem {
public:
    bool FolderExists(std::string_view path) override {
        Sleep(1);
        return MemoryFileSystem::FolderExists(path);
    }
};

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = MainProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KeyscrubScanTestMain";
        RegisterClassA(&windowClass);
        main = CreateWindowA("KeyscrubScanTestMain", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(main, nullptr);
        recounts = 0;
        files->SetWow64(false);
        timer = SetTimer(nullptr, 0, 10, TickProc);
    }
    void TearDown() override {
        KillTimer(nullptr, timer);
        onTick = nullptr;
        DestroyWindow(main);
    }

    TfrmRegProgressHint::Machine Machine() { return {registry, files}; }

    void UseSlowDisk() {
        auto slow = std::make_shared<SlowFileSystem>();
        slow->SetWow64(false);
        files = slow;
    }

    void PlantMissing(const std::string& key, int count) {
        for (int i = 0; i < count; ++i)
            registry->SetString(RootKey::CurrentUser, key, "v" + std::to_string(1000 + i),
                                "C:\\Gone" + key + "\\" + std::to_string(i) + ".exe");
    }

    // True once only the test and `holders` others hold the registry: the
    // worker has ended and let go of it.
    bool WorkerEnded(long holders) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (registry.use_count() > 1 + holders) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            ui::ProcessPendingMessages();
            Sleep(5);
        }
        return true;
    }

    test::EnglishTexts english;
    std::shared_ptr<test::MemoryRegistry> registry = std::make_shared<test::MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    CollectingSink sink;
    HWND main = nullptr;
    UINT_PTR timer = 0;
};

TEST_F(ProgressDialogTest, RunsEveryTaskAndClosesWithTheCancelResult) {
    PlantMissing("Software\\A", 3);
    TfrmRegProgressHint dialog({"4", "not a number"}, sink, Machine(), main, false);
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalCancel);
    ui::ProcessPendingMessages();  // the last recount
    ASSERT_EQ(sink.findings.size(), 3u);
    EXPECT_EQ(sink.findings[0], (Finding{"Invalid File or Folder", "HKEY_CURRENT_USER\\Software\\A\\v1000",
                                         "C:\\GoneSoftware\\A\\0.exe", RemovalKind::DeleteValueInPath}));
    EXPECT_EQ(sink.findings[2].KeyPath, "HKEY_CURRENT_USER\\Software\\A\\v1002");
    EXPECT_EQ(recounts, 2) << "one per task, the unknown id included";
    EXPECT_EQ(dialog.Text("lScanTask"), "Scanning Files and Folders - HKEY_CURRENT_USER...");
    EXPECT_EQ(dialog.Text("Memo1"), "Software\\A");
    EXPECT_EQ(dialog.Progress("ProgressBar1"), 1000);
    EXPECT_FALSE(dialog.TimerRunning("Timer1"));
    EXPECT_EQ(dialog.WorkersStarted(), 1);

    // Activating the dialog again starts no second worker.
    for (int i = 0; i < 3; ++i) SendMessageA(dialog.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    ui::ProcessPendingMessages();
    EXPECT_EQ(dialog.WorkersStarted(), 1);
    EXPECT_EQ(sink.findings.size(), 3u);
    EXPECT_TRUE(WorkerEnded(1));
}

TEST_F(ProgressDialogTest, AnEmptyTaskListClosesAtOnce) {
    TfrmRegProgressHint dialog({}, sink, Machine(), main, false);
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalCancel);
    ui::ProcessPendingMessages();
    EXPECT_TRUE(sink.findings.empty());
    EXPECT_EQ(recounts, 0);
    EXPECT_EQ(dialog.WorkersStarted(), 1);
}

TEST_F(ProgressDialogTest, StopDuringATaskClosesAtOnceAndNothingFollows) {
    UseSlowDisk();
    for (int k = 0; k < 2000; ++k) PlantMissing("Many\\K" + std::to_string(k), 4);
    TfrmRegProgressHint dialog({"4", "4"}, sink, Machine(), main, false);
    // The click arrives as the person's would: queued behind what the worker
    // has handed over so far.
    bool clicked = false;
    sink.onFinding = [&] {
        if (!clicked) PostMessageA(dialog.Control("bStop"), BM_CLICK, 0, 0);
        clicked = true;
    };
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalAbort);
    ASSERT_TRUE(clicked);
    EXPECT_FALSE(dialog.TimerRunning("Timer1"));
    const std::size_t atStop = sink.findings.size();
    EXPECT_LT(atStop, 16000u);
    EXPECT_TRUE(WorkerEnded(1)) << "the worker ends by itself";
    ui::ProcessPendingMessages();
    EXPECT_EQ(sink.findings.size(), atStop);
    EXPECT_EQ(recounts, 0);
}

TEST_F(ProgressDialogTest, ClosingDuringATaskIsAStop) {
    UseSlowDisk();
    for (int k = 0; k < 2000; ++k) PlantMissing("Many\\K" + std::to_string(k), 4);
    TfrmRegProgressHint dialog({"4"}, sink, Machine(), main, false);
    bool closed = false;
    sink.onFinding = [&] {
        if (!closed) PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
        closed = true;
    };
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalAbort);
    const std::size_t atClose = sink.findings.size();
    EXPECT_TRUE(WorkerEnded(1));
    ui::ProcessPendingMessages();
    EXPECT_EQ(sink.findings.size(), atClose);
    EXPECT_EQ(recounts, 0);
}

TEST_F(ProgressDialogTest, CleanOnceHidesTheDialogAndAFailureEndsItAsStopped) {
    auto failing = std::make_shared<FailingFileSystem>();
    failing->SetWow64(false);
    files = failing;
    PlantMissing("A", 2);
    registry->SetString(RootKey::CurrentUser, "B", "bad", "C:\\Boom\\x.exe");
    TfrmRegProgressHint dialog({"4", "5"}, sink, Machine(), main, true);
    bool visibleDuringRun = true;
    sink.onFinding = [&] { visibleDuringRun = IsWindowVisible(dialog.Handle()) != FALSE; };
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalAbort);
    EXPECT_EQ(sink.findings.size(), 2u);
    EXPECT_FALSE(visibleDuringRun);
    EXPECT_EQ(recounts, 0);
}

TEST_F(ProgressDialogTest, AFailureLeavesAShownDialogOpenUntilStop) {
    auto failing = std::make_shared<FailingFileSystem>();
    failing->SetWow64(false);
    files = failing;
    registry->SetString(RootKey::CurrentUser, "B", "bad", "C:\\Boom\\x.exe");
    TfrmRegProgressHint dialog({"4"}, sink, Machine(), main, false);
    int ticksAfterEnd = 0;
    onTick = [&] {
        // Once the worker is gone the dialog is still up; then Stop.
        if (registry.use_count() <= 2 && ++ticksAfterEnd == 5) dialog.bStopClick();
    };
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalAbort);
    EXPECT_EQ(ticksAfterEnd, 5);
}

TEST_F(ProgressDialogTest, WindowAndPseudoProgress) {
    TfrmRegProgressHint dialog({}, sink, Machine(), main, false);
    dialog.Create(nullptr);
    RECT client{};
    GetClientRect(dialog.Handle(), &client);
    EXPECT_EQ(client.right - client.left, 395);
    EXPECT_EQ(client.bottom - client.top, 166);
    EXPECT_EQ(dialog.Caption(), "Scanning");
    EXPECT_EQ(dialog.Text("bStop"), "Stop");
    EXPECT_EQ(dialog.Text("Memo1"), "Registry Key");
    EXPECT_EQ(SendMessageA(dialog.Control("ProgressBar1"), PBM_GETRANGE, FALSE, 0), 1000);
    dialog.SetProgress("ProgressBar1", 0);
    for (int i = 0; i < 20; ++i) dialog.Timer1Timer();
    EXPECT_EQ(dialog.Progress("ProgressBar1"), 200);
    dialog.SetProgress("ProgressBar1", 997);
    for (int i = 0; i < 5; ++i) dialog.Timer1Timer();
    EXPECT_EQ(dialog.Progress("ProgressBar1"), 999);
    EXPECT_EQ(dialog.WorkersStarted(), 0) << "nothing starts before the dialog is active";
}

}  // namespace
}  // namespace ks
