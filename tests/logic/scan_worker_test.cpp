// The scan worker on its own thread against a recording user-interface side:
// task order and steps, the drive set, the hand-over order under a slow
// user-interface thread, stop, and failures inside a check.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "base/detached_thread.h"
#include "scan/scan_task_thread.h"
#include "scan/task_ids.h"
#include "support/memory_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

using namespace std::chrono_literals;

TEST(TaskIdTest, TextsThatAreNotNumbersReadAsZero) {
    const struct {
        const char* text;
        int id;
    } cases[] = {{"3", 3}, {"23", 23}, {"007", 7}, {"+5", 5}, {"-4", -4}, {"", 0},     {"x", 0},
                 {"3x", 0}, {" 3", 0}, {"3 ", 0}, {"++3", 0}, {"+", 0},  {"99999999999", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseTaskId(c.text), c.id);
    }
    EXPECT_EQ(FindTask(2), nullptr);
    EXPECT_EQ(FindTask(24), nullptr);
    for (int id = kFirstTaskId; id <= kLastTaskId; ++id) {
        ASSERT_NE(FindTask(id), nullptr);
        EXPECT_EQ(FindTask(id)->id, id);
    }
    EXPECT_STREQ(FindTask(5)->checkName, "ScanFilesAndFoldersUsers");
    EXPECT_STREQ(FindTask(19)->caption, "Invalid ActiveX");
}

TEST(ScanDrivesTest, BuiltFromDriveTypesAndTheTwoSettings) {
    test::MemoryFileSystem fs;  // C fixed
    fs.SetDrive('D', DriveTypeCode::CdRom);
    fs.SetDrive('E', DriveTypeCode::Remote);
    fs.SetDrive('F', DriveTypeCode::Fixed);
    fs.SetDrive('G', DriveTypeCode::Removable);
    fs.SetDrive('Z', DriveTypeCode::Fixed);
    const std::string everyOther = "cdefghijklmnopqrstuvwxyz";
    const struct {
        bool removable;
        bool cd;
        std::string drives;
    } cases[] = {
        {false, false, "cfz"},
        {false, true, "cdfz"},
        // Every non-CD letter, present or not; the CD-ROM letter is left out...
        {true, false, "ab" + std::string("c") + everyOther.substr(2)},
        // ...or appears twice.
        {true, true, "ab" + std::string("cdd") + everyOther.substr(2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.removable) + std::to_string(c.cd));
        EXPECT_EQ(BuildScanDrives(fs, c.removable, c.cd), c.drives);
    }
}

// A worker over a shared in-memory machine, with its hand-over.
struct Scan {
    test::EnglishTexts english;
    std::shared_ptr<test::MemoryRegistry> registry = std::make_shared<test::MemoryRegistry>();
    std::shared_ptr<test::MemoryFileSystem> files = std::make_shared<test::MemoryFileSystem>();
    test::WaitableWakeUp wakeUp;
    std::shared_ptr<ScanHandOver> handOver = std::make_shared<ScanHandOver>(&wakeUp);
    test::RecordingView view;
    SettingsRecord settings;

    Scan() { files->SetWow64(false); }
    // A worker that has not ended lets go of this scan's wake-up and view.
    ~Scan() { handOver->Stop(view); }

    std::unique_ptr<TScanTaskThread> Worker(std::vector<std::string> ids) {
        return std::make_unique<TScanTaskThread>(registry, files, settings, std::move(ids), handOver);
    }
    // Starts the worker, which frees itself; true once it has let go of the
    // registry it shared, that is once it has ended.
    bool WorkerEnded(std::chrono::milliseconds timeout = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (registry.use_count() > 1) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    bool Pump(const std::function<bool()>& done) { return test::PumpUntil(*handOver, view, wakeUp, done); }
    void PlantMissing(RootKey root, const std::string& key, int count) {
        for (int i = 0; i < count; ++i)
            registry->SetString(root, key, "v" + std::to_string(100000 + i), "C:\\Gone\\" + std::to_string(i) + ".exe");
    }
};

// Every thread the scan starts runs at once: started one after the other,
// each must have run before the next one starts.
TEST(DetachedThreadTest, EachStartedThreadRunsPromptly) {
    for (int started = 0; started < 1000; ++started) {
        auto ran = std::make_shared<std::atomic<bool>>(false);
        StartDetachedThread([ran] { *ran = true; });
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!*ran && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(*ran) << "thread " << started << " has not run";
    }
}

TEST(ScanWorkerTest, EmptyTaskListFinishesAtOnce) {
    Scan scan;
    TScanTaskThread::Start(scan.Worker({}));
    ASSERT_TRUE(scan.Pump([&] { return scan.view.finished; }));
    EXPECT_EQ(scan.view.events, (std::vector<std::string>{"finished"}));
    EXPECT_TRUE(scan.WorkerEnded());
}

TEST(ScanWorkerTest, IdsWithoutCheckStillRunBothSteps) {
    Scan scan;
    scan.PlantMissing(RootKey::CurrentUser, "Software\\X", 3);
    TScanTaskThread::Start(scan.Worker({"x", "2", "24", "99", "-3", ""}));
    ASSERT_TRUE(scan.Pump([&] { return scan.view.finished; }));
    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i) {
        expected.push_back("begin");
        expected.push_back("end");
    }
    expected.push_back("finished");
    EXPECT_EQ(scan.view.events, expected);
    EXPECT_TRUE(scan.view.findings.empty());
    EXPECT_TRUE(scan.WorkerEnded());
}

TEST(ScanWorkerTest, TasksRunInListOrderWithTheirFindingsBeforeTheirEnd) {
    Scan scan;
    scan.PlantMissing(RootKey::CurrentUser, "Software\\Mine", 2);
    scan.PlantMissing(RootKey::LocalMachine, "Software\\Theirs", 1);
    TScanTaskThread::Start(scan.Worker({"4", "3"}));
    ASSERT_TRUE(scan.Pump([&] { return scan.view.finished; }));
    const std::vector<std::string> expected = {
        "begin", "caption:Scanning Files and Folders - HKEY_CURRENT_USER...", "finding", "finding", "end",
        "begin", "caption:Scanning Files and Folders - HKEY_LOCAL_MACHINE...", "finding", "end", "finished"};
    EXPECT_EQ(scan.view.events, expected);
    ASSERT_EQ(scan.view.findings.size(), 3u);
    EXPECT_EQ(scan.view.findings[0].KeyPath, "HKEY_CURRENT_USER\\Software\\Mine\\v100000");
    EXPECT_EQ(scan.view.findings[2].KeyPath, "HKEY_LOCAL_MACHINE\\Software\\Theirs\\v100000");
    ASSERT_FALSE(scan.view.keysShown.empty());
    EXPECT_EQ(scan.view.keysShown.back(), "Software\\Theirs") << "the latest key wins";
    EXPECT_TRUE(scan.WorkerEnded());
}

TEST(ScanWorkerTest, TenThousandFindingsArriveInOrderWhileTheInterfaceIsSlow) {
    Scan scan;
    constexpr int kFindings = 10000;
    // Spread over keys so that the walk order matters too.
    for (int k = 0; k < 10; ++k) scan.PlantMissing(RootKey::CurrentUser, "K" + std::to_string(k), kFindings / 10);
    TScanTaskThread::Start(scan.Worker({"4"}));
    // Let the worker begin, then deliver nothing until it has handed over
    // every finding: a worker that waited per finding would never get there.
    ASSERT_TRUE(scan.Pump([&] { return !scan.view.events.empty(); }));
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (scan.handOver->Pending() < kFindings + 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_GE(scan.handOver->Pending(), static_cast<std::size_t>(kFindings + 1));
    scan.view.onFinding = [](std::size_t n) {
        if (n % 1000 == 0) std::this_thread::sleep_for(20ms);
    };
    ASSERT_TRUE(scan.Pump([&] { return scan.view.finished; }));
    ASSERT_EQ(scan.view.findings.size(), static_cast<std::size_t>(kFindings));
    for (int i = 0; i < kFindings; ++i) {
        const std::string expected =
            "HKEY_CURRENT_USER\\K" + std::to_string(i / 1000) + "\\v" + std::to_string(100000 + i % 1000);
        ASSERT_EQ(scan.view.findings[static_cast<std::size_t>(i)].KeyPath, expected) << i;
    }
    EXPECT_EQ(scan.view.events.back(), "finished");
    EXPECT_EQ(scan.view.events[scan.view.events.size() - 2], "end");
    EXPECT_LT(scan.wakeUp.wakeUps(), 100) << "one wake-up per batch, not per finding";
    EXPECT_TRUE(scan.WorkerEnded());
}

// A file test on an empty removable or CD drive must fail rather than wait
// for someone to answer "There is no disk in the drive".
TEST(ScanWorkerTest, CriticalErrorsAreSilencedForTheWholeScan) {
    Scan scan;
    scan.PlantMissing(RootKey::CurrentUser, "Software\\X", 3);
    scan.registry->SetString(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "r",
                             "C:\\Gone\\r.exe");
    TScanTaskThread::Start(scan.Worker({"4", "10"}));
    ASSERT_TRUE(scan.Pump([&] { return scan.view.finished; }));
    ASSERT_TRUE(scan.WorkerEnded());
    EXPECT_EQ(scan.view.findings.size(), 4u);
    EXPECT_GT(scan.files->queries(), 0u);
    EXPECT_EQ(scan.files->unsilencedQueries(), 0u);
    (void)scan.files->FileExists("C:\\Gone\\r.exe");
    EXPECT_EQ(scan.files->unsilencedQueries(), 1u) << "the silence ends with the scan";
}

TEST(ScanWorkerTest, StopDuringATaskDeliversNothingMore) {
    Scan scan;
    for (int k = 0; k < 3000; ++k) scan.PlantMissing(RootKey::CurrentUser, "Many\\K" + std::to_string(k), 3);
    TScanTaskThread::Start(scan.Worker({"4", "5", "4"}));
    ASSERT_TRUE(scan.Pump([&] { return !scan.view.findings.empty(); }));
    scan.handOver->Stop(scan.view);
    const auto atStop = scan.view.events;
    ASSERT_LT(scan.view.findings.size(), 9000u) << "the worker should still have been running";
    // The worker ends at its next key and lets go of everything it shared.
    EXPECT_TRUE(scan.WorkerEnded());
    for (int i = 0; i < 5; ++i) scan.handOver->Deliver(scan.view);
    EXPECT_EQ(scan.view.events, atStop);
    EXPECT_FALSE(scan.view.finished);
    EXPECT_EQ(std::count(atStop.begin(), atStop.end(), "end"), 0) << "no recount for the stopped task";
}

TEST(ScanWorkerTest, StopWhileTheWorkerWaitsForItsFirstStep) {
    Scan scan;
    TScanTaskThread::Start(scan.Worker({"4"}));
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (scan.handOver->Pending() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    scan.handOver->Stop(scan.view);
    EXPECT_TRUE(scan.WorkerEnded()) << "a worker waiting for a step must be let go";
    EXPECT_TRUE(scan.view.events.empty());
}

// A file system that fails unexpectedly on one path.
class FailingFileSystem : public test::MemoryFileSystem {
public:
    bool FolderExists(std::string_view path) override {
        if (path.find("Boom") != std::string_view::npos) throw std::runtime_error("disk on fire");
        return MemoryFileSystem::FolderExists(path);
    }
};

TEST(ScanWorkerTest, AFailingCheckEndsTheLoopQuietlyAndStopStillWorks) {
    Scan scan;
    scan.files = std::make_shared<FailingFileSystem>();
    scan.files->SetWow64(false);
    scan.PlantMissing(RootKey::CurrentUser, "A", 2);
    scan.registry->SetString(RootKey::CurrentUser, "B", "bad", "C:\\Boom\\x.exe");
    scan.PlantMissing(RootKey::CurrentUser, "C", 2);
    TScanTaskThread::Start(scan.Worker({"4", "5"}));
    ASSERT_TRUE(scan.Pump([&] { return scan.view.failed; }));
    EXPECT_TRUE(scan.WorkerEnded());
    const std::vector<std::string> expected = {
        "begin", "caption:Scanning Files and Folders - HKEY_CURRENT_USER...", "finding", "finding", "failed"};
    EXPECT_EQ(scan.view.events, expected);
    // The dialog may still be stopped: it touches only the hand-over it shares.
    scan.handOver->Stop(scan.view);
    scan.handOver->Deliver(scan.view);
    EXPECT_EQ(scan.view.events, expected);
}

TEST(ScanHandOverTest, ItemsInOrderAndTheLatestKeyOnly) {
    test::WaitableWakeUp wakeUp;
    ScanHandOver handOver(&wakeUp);
    test::RecordingView view;
    handOver.ShowTaskCaption("one");
    EXPECT_TRUE(handOver.ShowCurrentKey("HKEY_USERS\\a longer key"));
    handOver.AddFinding(Finding{"p", "HKEY_USERS\\a", "v", RemovalKind::DeleteNamedValue});
    EXPECT_TRUE(handOver.ShowCurrentKey("K2"));
    EXPECT_EQ(wakeUp.wakeUps(), 1) << "one wake-up until the next delivery";
    EXPECT_FALSE(handOver.DeliveryUrgent());
    handOver.ReportFinished();
    EXPECT_EQ(wakeUp.wakeUps(), 2) << "the end wakes again: a user-interface side may have put the delivery off";
    EXPECT_TRUE(handOver.DeliveryUrgent());
    handOver.Deliver(view);
    EXPECT_FALSE(handOver.DeliveryUrgent());
    EXPECT_EQ(view.events, (std::vector<std::string>{"caption:one", "finding", "finished"}));
    EXPECT_EQ(view.keysShown, (std::vector<std::string>{"K2"}));
    ASSERT_EQ(view.findings.size(), 1u);
    EXPECT_EQ(view.findings[0], (Finding{"p", "HKEY_USERS\\a", "v", RemovalKind::DeleteNamedValue}));
    EXPECT_EQ(view.batches, 1) << "one batch for the whole delivery";
    handOver.ShowTaskCaption("two");
    handOver.Deliver(view);
    EXPECT_EQ(view.batches, 1) << "a delivery without findings shows none";
    handOver.AddFinding(Finding{});
    EXPECT_EQ(wakeUp.wakeUps(), 4);
}

TEST(ScanHandOverTest, StopKeepsWhatWasFoundAndCutsTheRest) {
    test::WaitableWakeUp wakeUp;
    ScanHandOver handOver(&wakeUp);
    test::RecordingView view;
    handOver.ShowTaskCaption("one");
    handOver.AddFinding(Finding{"p", "k1", "v", RemovalKind::DeleteKey});
    handOver.Stop(view);
    EXPECT_EQ(view.events, (std::vector<std::string>{"finding"}));
    EXPECT_EQ(view.batches, 1) << "what a stop keeps is shown";
    EXPECT_TRUE(handOver.StopRequested());
    const int wakeUps = wakeUp.wakeUps();
    handOver.AddFinding(Finding{"p", "k2", "v", RemovalKind::DeleteKey});
    EXPECT_FALSE(handOver.ShowCurrentKey("K")) << "tells the worker to stop";
    handOver.ReportFinished();
    EXPECT_FALSE(handOver.RunTaskStep(ScanHandOver::TaskStep::End)) << "returns at once once stopped";
    handOver.Deliver(view);
    EXPECT_EQ(view.findings.size(), 1u);
    EXPECT_EQ(wakeUp.wakeUps(), wakeUps) << "the window is never woken after a stop";
}

// A view that delivers again from inside a view call, as a window procedure
// re-entered by a nested message loop would.
class ReenteringView : public test::RecordingView {
public:
    ScanHandOver* handOver = nullptr;
    void AddFinding(const Finding& finding) override {
        RecordingView::AddFinding(finding);
        handOver->Deliver(*this);
    }
};

TEST(ScanHandOverTest, ReenteredDeliveryKeepsTheOrder) {
    ScanHandOver handOver;
    ReenteringView view;
    view.handOver = &handOver;
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) handOver.AddFinding(Finding{"p", std::to_string(i), "", RemovalKind::DeleteKey});
        handOver.ReportFinished();
    });
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!view.finished && std::chrono::steady_clock::now() < deadline) handOver.Deliver(view);
    worker.join();
    handOver.Deliver(view);
    ASSERT_EQ(view.findings.size(), 2000u);
    for (std::size_t i = 0; i < view.findings.size(); ++i) ASSERT_EQ(view.findings[i].KeyPath, std::to_string(i));
}

TEST(ScanWorkerTest, FlagsComeFromTheMachineAtCreation) {
    Scan scan;
    const struct {
        std::uint8_t version;
        bool wow64;
        bool windows61;
        bool windows6x;
    } cases[] = {{12, true, true, false}, {11, false, false, true}, {10, false, false, false}, {8, true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.version));
        scan.files->SetVersionCode(c.version);
        scan.files->SetWow64(c.wow64);
        const auto worker = scan.Worker({});
        EXPECT_EQ(worker->IsWow64, c.wow64);
        EXPECT_EQ(worker->IsWindows61, c.windows61);
        EXPECT_EQ(worker->IsWindows6x, c.windows6x);
        EXPECT_FALSE(worker->DriveAReady);
        EXPECT_EQ(worker->ScanDrives, "c");
    }
}

}  // namespace
}  // namespace ks

namespace ks {
namespace {

// A view whose finding handler stops the scan, as a window whose handler
// pumps messages might; the worker may hand over more meanwhile.
class StoppingView : public test::RecordingView {
public:
    ScanHandOver* handOver = nullptr;
    std::size_t stopAt = 0;
    std::vector<std::string> handedOverMeanwhile;
    void AddFinding(const Finding& finding) override {
        RecordingView::AddFinding(finding);
        if (findings.size() != stopAt) return;
        for (const auto& key : handedOverMeanwhile) handOver->AddFinding(Finding{"p", key, "", RemovalKind::DeleteKey});
        handOver->Stop(*this);
    }
};

std::vector<std::string> Keys(const std::vector<Finding>& findings) {
    std::vector<std::string> keys;
    for (const auto& f : findings) keys.push_back(f.KeyPath);
    return keys;
}

TEST(ScanHandOverTest, StopFromInsideADeliveryKeepsEveryEarlierFindingInOrder) {
    const struct {
        std::size_t stopAt;
        std::vector<std::string> keys;
    } cases[] = {
        {1, {"1", "2", "3", "late1", "late2"}},
        {3, {"1", "2", "3", "late1", "late2"}},
        {4, {"1", "2", "3", "4", "late1", "late2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stopAt);
        ScanHandOver handOver;
        StoppingView view;
        view.handOver = &handOver;
        view.stopAt = c.stopAt;
        view.handedOverMeanwhile = {"late1", "late2"};
        handOver.AddFinding(Finding{"p", "1", "", RemovalKind::DeleteKey});
        handOver.AddFinding(Finding{"p", "2", "", RemovalKind::DeleteKey});
        handOver.ShowTaskCaption("caption");
        handOver.AddFinding(Finding{"p", "3", "", RemovalKind::DeleteKey});
        handOver.Deliver(view);
        handOver.AddFinding(Finding{"p", "4", "", RemovalKind::DeleteKey});
        handOver.ReportFinished();
        handOver.Deliver(view);
        handOver.Deliver(view);
        EXPECT_EQ(Keys(view.findings), c.keys);
        EXPECT_FALSE(view.finished);
        EXPECT_TRUE(handOver.StopRequested());
        // The caption before the stop point shows only when the stop came after it.
        const bool captionShown =
            std::find(view.events.begin(), view.events.end(), "caption:caption") != view.events.end();
        EXPECT_EQ(captionShown, c.stopAt >= 3);
    }
}

}  // namespace
}  // namespace ks
