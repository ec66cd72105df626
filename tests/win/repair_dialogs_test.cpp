// The windows of a repair under Wine: the restore-point dialog's outcomes, the
// after-repair hint, and the whole command as the main window runs it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "backup_registry_dump.h"
#include "repair/win/repair_command.h"
#include "repair/win/show_hint_dialog.h"
#include "restore/system_point.h"
#include "restore/win/system_point_dialog.h"
#include "settings/settings.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

constexpr UINT kPoke = WM_APP + 0x321;

// Answers every message box with a fixed button and remembers what was asked.
class AnsweringPrompts : public ui::Prompts {
public:
    explicit AnsweringPrompts(int answer) : answer_(answer) {}
    int ShowMessage(HWND, const std::string& text, UINT style) override {
        texts.push_back(text);
        styles.push_back(style);
        return answer_;
    }
    std::optional<std::string> SaveFile(HWND, const ui::SaveFileRequest&) override {
        ADD_FAILURE() << "no file dialog expected";
        return std::nullopt;
    }
    std::optional<std::string> PickFolder(HWND, const std::string&, const std::wstring&) override {
        ADD_FAILURE() << "no folder picker expected";
        return std::nullopt;
    }
    void OpenAddress(HWND, const std::string&) override { ADD_FAILURE() << "no address expected"; }

    std::vector<std::string> texts;
    std::vector<UINT> styles;

private:
    int answer_;
};

// Keeps an event handle for one test.
struct Event {
    HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(handle); }
    void Set() const { SetEvent(handle); }
    bool WaitFor(DWORD milliseconds) const { return WaitForSingleObject(handle, milliseconds) == WAIT_OBJECT_0; }
};

// Pumps this thread's messages until the condition holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        ui::ProcessPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

class SystemPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedLan_ = Settings.Lan;
        Settings.Lan = "English";
    }
    void TearDown() override { Settings.Lan = savedLan_; }

private:
    std::string savedLan_;
};

TEST_F(SystemPointTest, AMadeRestorePointClosesTheDialogWithOK) {
    AnsweringPrompts prompts(IDNO);
    ui::ScopedPrompts scoped(prompts);
    TfrmSystemPoint dialog([] { return true; });
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalOK);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_FALSE(dialog.TimerRunning("Timer1"));
}

TEST_F(SystemPointTest, AFailedRequestAsksWhetherToGoOn) {
    struct Case {
        int answer;
        int result;
    } const cases[] = {{IDYES, ui::kModalOK}, {IDNO, ui::kModalCancel}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        AnsweringPrompts prompts(c.answer);
        ui::ScopedPrompts scoped(prompts);
        TfrmSystemPoint dialog([] { return false; });
        EXPECT_EQ(dialog.ShowModal(nullptr), c.result);
        ASSERT_EQ(prompts.texts.size(), 1u);
        EXPECT_EQ(prompts.texts[0], "Restore Point creation Failed! Contiue to repair?");
        EXPECT_EQ(prompts.styles[0], UINT(MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2));
    }
}

TEST_F(SystemPointTest, ARequestThatBreaksCountsAsFailed) {
    AnsweringPrompts prompts(IDNO);
    ui::ScopedPrompts scoped(prompts);
    TfrmSystemPoint dialog([]() -> bool { throw std::runtime_error("broken"); });
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalCancel);
    EXPECT_EQ(prompts.texts.size(), 1u);
}

TEST_F(SystemPointTest, SystemRestoreUnderWineFailsAndTheQuestionDecides) {
    // Wine's SrClient.dll answers every request with failure.
    AnsweringPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    TfrmSystemPoint dialog;
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalOK);
    EXPECT_EQ(prompts.texts.size(), 1u);
}

TEST_F(SystemPointTest, ClosingBeforeTheAnswerCancelsAndALateAnswerIsIgnored) {
    AnsweringPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    Event release;
    Event finished;
    TfrmSystemPoint dialog([&] {
        release.WaitFor(30000);
        finished.Set();
        return false;  // a late failure would ask the question
    });
    dialog.Create(nullptr);
    PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalCancel);
    release.Set();
    ASSERT_TRUE(finished.WaitFor(30000));
    // Give a stray answer every chance to arrive.
    PumpUntil([&] { return !prompts.texts.empty(); }, 500);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(dialog.ModalResult(), ui::kModalCancel);
    // Even an answer posted by hand to the closed dialog changes nothing.
    PostMessageA(dialog.Handle(), kMsgSystemPointAnswer, 0, 1);
    ui::ProcessPendingMessages();
    EXPECT_TRUE(prompts.texts.empty());
}

TEST_F(SystemPointTest, TheBarMovesEverySecondWhileWaiting) {
    AnsweringPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    TfrmSystemPoint dialog([] {
        Sleep(2300);
        return true;
    });
    EXPECT_EQ(dialog.ShowModal(nullptr), ui::kModalOK);
    // Two ticks of 10 each, perhaps a third if the machine is slow.
    EXPECT_GE(dialog.Progress("ProgressBar1"), 20);
    EXPECT_LE(dialog.Progress("ProgressBar1"), 40);
}

TEST(ShowHintTest, ShowsTheCountAndItsCheckBoxSwitchesTheSetting) {
    const std::string savedLan = Settings.Lan;
    const bool savedHint = Settings.ShowHint;
    Settings.Lan = "English";
    Settings.ShowHint = true;
    TfrmShowHint hint(7);
    hint.Create(nullptr);
    std::string label;
    bool afterFirstClick = true;
    bool afterSecondClick = false;
    hint.OnMessage(kPoke, [&](WPARAM, LPARAM) -> LRESULT {
        label = hint.Text("Label1");
        SendMessageA(hint.Control("cbNotShowHint"), BM_CLICK, 0, 0);
        afterFirstClick = Settings.ShowHint;
        SendMessageA(hint.Control("cbNotShowHint"), BM_CLICK, 0, 0);
        afterSecondClick = Settings.ShowHint;
        SendMessageA(hint.Control("cbNotShowHint"), BM_CLICK, 0, 0);
        PostMessageA(hint.Control("bClose"), BM_CLICK, 0, 0);
        return 0;
    });
    PostMessageA(hint.Handle(), kPoke, 0, 0);
    EXPECT_EQ(hint.ShowModal(nullptr), ui::kModalOK);
    EXPECT_EQ(label, "There are total 7 problems to be repaired.");
    EXPECT_FALSE(afterFirstClick);
    EXPECT_TRUE(afterSecondClick);
    EXPECT_FALSE(Settings.ShowHint);
    EXPECT_EQ(hint.Caption(), "Quarlo Keyscrub");
    Settings.Lan = savedLan;
    Settings.ShowHint = savedHint;
}

// Closes the after-repair hint of this process when it appears, from another
// thread, as a person would.
class HintCloser {
public:
    HintCloser()
        : thread_([this] {
              const DWORD start = GetTickCount();
              while (!stop_ && GetTickCount() - start < 60000) {
                  if (HWND hint = FindWindowA("TfrmShowHint", nullptr); hint && IsWindowVisible(hint)) {
                      PostMessageA(hint, WM_CLOSE, 0, 0);
                      closed_ = true;
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~HintCloser() {
        stop_ = true;
        thread_.join();
    }
    bool closed() const { return closed_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> closed_{false};
    std::thread thread_;
};

TEST(RepairCommandTest, RunsFromStartToEndOverTheRealMachine) {
    test::ScratchKey scratch("repair-command");
    test::ScratchFolder folder("repair-command");
    test::Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\Gone\\Deep", L"v", REG_SZ, test::Utf16(L"x"));
    test::Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\Kept", L"v", REG_SZ, test::Utf16(L"y"));
    test::Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\Values", L"old", REG_DWORD, test::Bytes{1, 0, 0, 0});

    const SettingsRecord saved = Settings;
    Settings.Lan = "English";
    Settings.OutputDirectory = folder.path() + "\\not yet";
    Settings.RestorePoint = true;
    Settings.ShowHint = true;
    Settings.Beep = false;

    ProblemListModel list;
    auto add = [&](Finding finding, bool checked) {
        list.Append(std::move(finding));
        list.SetChecked(list.Count() - 1, checked);
    };
    add({"p", scratch.full() + "\\Gone", "", RemovalKind::DeleteKey}, true);
    add({"p", scratch.full() + "\\Kept", "", RemovalKind::DeleteKey}, false);
    add({"p", scratch.full() + "\\Values\\old", "", RemovalKind::DeleteValueInPath}, true);
    add({"p", scratch.full() + "\\Missing", "m", RemovalKind::DeleteKey}, true);

    // Yes to both questions: create the folder, and go on without a restore point.
    AnsweringPrompts prompts(IDYES);
    ui::ScopedPrompts scoped(prompts);
    UnrepairedFindings unrepaired;
    std::string currentBackupFile;
    int recounts = 0;
    RepairOutcome outcome;
    bool hintClosed = false;
    {
        HintCloser closer;
        outcome = RunRepairCommand(nullptr, list, unrepaired, currentBackupFile, [&] { ++recounts; });
        hintClosed = closer.closed();
    }
    Settings = saved;

    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.count, 3u);
    EXPECT_TRUE(hintClosed) << "the hint was shown";
    EXPECT_EQ(recounts, 1);
    ASSERT_EQ(prompts.texts.size(), 2u);
    EXPECT_EQ(prompts.texts[0],
              folder.path() + "\\not yet,The backup directory does not exist.\r\ncreates a new directory?");
    EXPECT_EQ(prompts.texts[1], "Restore Point creation Failed! Contiue to repair?");

    ASSERT_EQ(list.Count(), 1u);
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_EQ(unrepaired.Keys, std::vector<std::string>{scratch.full() + "\\Missing"});
    const test::StoredKey left = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    EXPECT_EQ(left.subkeys.count(L"Gone"), 0u);
    EXPECT_EQ(left.subkeys.count(L"Kept"), 1u);
    EXPECT_TRUE(left.subkeys.at(L"Values").values.empty());

    EXPECT_TRUE(currentBackupFile.starts_with(folder.path() + "\\not yet\\Backup")) << currentBackupFile;
    const std::string text = test::ReadWholeFile(currentBackupFile);
    EXPECT_TRUE(text.starts_with("REGEDIT4\r\n\r\n[" + scratch.full() + "\\Values]\r\n\"old\"=dword:00000001\r\n"))
        << text;
    EXPECT_NE(text.find("[" + scratch.full() + "\\Gone\\Deep]\r\n\"v\"=\"x\"\r\n"), std::string::npos) << text;
}

// A backup file that cannot be written ends the repair, and the window says
// so in the active language: how many were repaired, and that the rest were
// not because of the backup.
TEST(RepairCommandTest, ABackupThatCannotBeWrittenIsToldInTheActiveLanguage) {
    test::ScratchKey scratch("repair-unwritable");
    test::ScratchFolder folder("repair-unwritable");
    test::Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\K", L"a", REG_SZ, test::Utf16(L"x"));
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    // Folders stand where this minute's backup files would go.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME at{};
    SystemTimeToFileTime(&now, &at);
    for (int second = 0; second < 60; ++second) {
        ULARGE_INTEGER ticks{{at.dwLowDateTime, at.dwHighDateTime}};
        ticks.QuadPart += 10000000ull * static_cast<unsigned>(second);
        const FILETIME later{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME t{};
        FileTimeToSystemTime(&later, &t);
        const BackupTime time{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
        CreateDirectoryA(MakeBackupFileName(folder.path(), time).c_str(), nullptr);
    }

    const SettingsRecord saved = Settings;
    ASSERT_NE(GetFileAttributesA("Languages\\Lan_German.ini"), INVALID_FILE_ATTRIBUTES);
    Settings.Lan = "German";
    Settings.OutputDirectory = folder.path();
    Settings.RestorePoint = false;
    Settings.ShowHint = true;
    ProblemListModel list;
    list.Append({"p", scratch.full() + "\\K\\a", "", RemovalKind::DeleteValueInPath});
    list.SetChecked(0, true);
    AnsweringPrompts prompts(IDOK);
    ui::ScopedPrompts scoped(prompts);
    UnrepairedFindings unrepaired;
    std::string currentBackupFile;
    const RepairOutcome outcome = RunRepairCommand(nullptr, list, unrepaired, currentBackupFile, {});
    Settings = saved;

    EXPECT_TRUE(outcome.backupFailed);
    ASSERT_EQ(prompts.texts.size(), 1u) << "no hint, one message";
    EXPECT_EQ(prompts.texts[0], "0 Probleme wurden repariert. Die \xFC" "brigen nicht, weil ihre Sicherung nicht in diese "
                                "Datei geschrieben werden konnte:\n" + currentBackupFile);
    EXPECT_EQ(prompts.styles[0], UINT(MB_OK | MB_ICONWARNING));
    EXPECT_TRUE(list.Count() == 1 && list.IsChecked(0));
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch.wpath()), before);
}

}  // namespace
}  // namespace ks
