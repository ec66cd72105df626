// Running the registry editor for an import or an export: started hidden by
// its full path, watched by the progress window TfrmBackupHint until it ends
// or the user stops it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/win/window.h"

namespace ks {

class TfrmBackupHint : public ui::Dialog {
public:
    // `process` is the editor's process handle; the caller keeps it.
    explicit TfrmBackupHint(HANDLE process);

    void Timer1Timer();
    void bStopClick();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;

private:
    void Stop();

    HANDLE process_;
};

// Runs the editor with `arguments` ("/s" or "/e" and a quoted file name)
// under the progress window showing `text`. True only when the editor ended
// by itself; false when it could not be started (the user is told) or was
// stopped. A stopped editor has ended by the time this returns, so its file
// can be removed.
bool RunRegistryEditor(HWND owner, const std::string& arguments, const std::string& text);

// The same with another program in the editor's place (tests).
bool RunRegistryEditor(HWND owner, const std::string& editorPath, const std::string& arguments,
                       const std::string& text);

// Starts the editor hidden, by its full path, with `arguments`. The caller
// owns the handles in `info`.
bool StartRegistryEditor(const std::string& editorPath, const std::string& arguments, PROCESS_INFORMATION& info);

// The same run with nobody watching (the console program): the editor is
// waited for up to `timeoutMs`, then ended.
enum class RegistryEditorRun { Ended, NotStarted, Stopped };
RegistryEditorRun RunRegistryEditorWithoutWindow(const std::string& arguments, DWORD timeoutMs);

// `switchText` (as "/s"), a blank and the file in double quotes.
std::string RegistryEditorArguments(const std::string& switchText, const std::string& file);

}  // namespace ks
