// The registry editor as a watched child process, and its progress window.
#include "restore/win/registry_editor.h"

#include "restore/backup_listing.h"
#include "restore/restore_form.h"
#include "restore/win/registry_editor_path.h"
#include "scan/win/handles.h"
#include "settings/localisation.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

// How long a stopped editor may take to go away before its file is touched.
constexpr DWORD kStoppedEditorWaitMs = 10000;

}  // namespace

TfrmBackupHint::TfrmBackupHint(HANDLE process) : Dialog(BackupHintForm()), process_(process) {
    OnTimer("Timer1", [this] { Timer1Timer(); });
    OnClick("bStop", [this] { bStopClick(); });
}

void TfrmBackupHint::FormCreate() {
    SetProgress("ProgressBar1", 0);
    SetCaption(ui::kProgramTitle);
    ApplyActiveLanguage();
}

void TfrmBackupHint::FormShow() { StartTimer("Timer1"); }

void TfrmBackupHint::Timer1Timer() {
    if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
        StopTimer("Timer1");
        SetModalResult(ui::kModalOK);
        return;
    }
    const int position = Progress("ProgressBar1");
    SetProgress("ProgressBar1", position + BackupHintBarStep(position));
}

void TfrmBackupHint::Stop() {
    StopTimer("Timer1");
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 0);
}

void TfrmBackupHint::bStopClick() {
    Stop();
    SetModalResult(ui::kModalCancel);
}

// Closing the window any other way is a stop as well: an editor left running
// would go on writing a file the caller takes for abandoned.
void TfrmBackupHint::FormClose() {
    if (ModalResult() != ui::kModalOK) Stop();
}

std::string RegistryEditorArguments(const std::string& switchText, const std::string& file) {
    return switchText + " \"" + file + "\"";
}

bool RunRegistryEditor(HWND owner, const std::string& arguments, const std::string& text) {
    return RunRegistryEditor(owner, RegistryEditorPath(), arguments, text);
}

bool StartRegistryEditor(const std::string& editorPath, const std::string& arguments, PROCESS_INFORMATION& info) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    // The application is named by its full path, so no search of the
    // program's or the current folder can answer with another program.
    std::string commandLine = "\"" + editorPath + "\" " + arguments;
    return !editorPath.empty() && CreateProcessA(editorPath.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                                 NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info) != FALSE;
}

bool RunRegistryEditor(HWND owner, const std::string& editorPath, const std::string& arguments,
                       const std::string& text) {
    PROCESS_INFORMATION info{};
    if (!StartRegistryEditor(editorPath, arguments, info)) {
        const std::string notFound = LookupText("RES_Regedit_Not_Exist", "Please check if Regedit.exe exists.");
        ui::CurrentPrompts().ShowMessage(owner, notFound, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    TfrmBackupHint hint(process.get());
    hint.Create(owner);
    hint.SetText("lHint", text);
    const bool ended = hint.ShowModal(owner) == ui::kModalOK;
    if (!ended) {
        // However the window went, the editor must not outlive it.
        if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 0);
        WaitForSingleObject(process.get(), kStoppedEditorWaitMs);
    }
    return ended;
}

RegistryEditorRun RunRegistryEditorWithoutWindow(const std::string& arguments, DWORD timeoutMs) {
    PROCESS_INFORMATION info{};
    if (!StartRegistryEditor(RegistryEditorPath(), arguments, info)) return RegistryEditorRun::NotStarted;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) return RegistryEditorRun::Ended;
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), kStoppedEditorWaitMs);
    return RegistryEditorRun::Stopped;
}

}  // namespace ks
