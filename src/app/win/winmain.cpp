// Process entry of keyscrub.exe: one running instance, the main window, the
// message loop.
#include <windows.h>

#include <string>

#include "app/product.h"
#include "base/win/system_code_page.h"
#include "base/window_messages.h"
#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "app/win/process_start.h"
#include "settings/win/localisation_win.h"
#include "ui/win/window.h"

namespace {

// Hands over to a running copy: it comes forward, restored, even when busy
// with a modal dialog.
bool HandOverToRunningCopy() {
    HWND running = FindWindowA(ks::product::kMainWindowClass, nullptr);
    if (!running) return false;
    PostMessageA(running, ks::kMsgComeForward, 0, 0);
    SetForegroundWindow(running);
    return true;
}

// True when this start is the one to run. A copy whose window is up gets the
// start handed over. A copy that holds the instance mutex without a window is
// either still opening it (its window will come) or closing (the mutex will
// be let go, or abandoned when the process ends): wait for whichever happens.
bool BecomeTheRunningCopy(HANDLE instance) {
    for (;;) {
        if (HandOverToRunningCopy()) return false;
        if (!instance) return true;  // no mutex to be had: the window check alone decides
        // Owned, abandoned by a copy that ended, or failed: this start runs.
        if (WaitForSingleObject(instance, 100) != WAIT_TIMEOUT) return true;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    ks::LoadLibrariesFromSystemFolderOnly();
    ks::EndOnTerminate([](const std::string& what) { ks::ReportFatalFailure(what); }, ks::kExitFatal);
    // No exception leaves the program's entry: what failed is told, and the
    // process ends with a failure code. (Started where the main window cannot
    // be made, such as a session without a display, it ends here.)
    try {
        // A second start only hands over to the first and never shows a
        // window of its own. The mutex is owned until the process ends.
        HANDLE instance = CreateMutexA(nullptr, FALSE, ks::product::kInstanceMutex);
        if (!BecomeTheRunningCopy(instance)) return 0;

        // Names are compared as this system folds case, from the start on.
        ks::InstallCodePage(ks::SystemCodePage());
        ks::LendWidgetServices();
        ks::ui::InitializeUi();
        ks::TfrmRegCleaner window;
        ks::WireMainWindow(window);
        window.SetQuitOnDestroy(true);
        window.Show(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
        return ks::ui::RunMessageLoop();
    } catch (...) {
        return ks::ReportFatalFailure(ks::CurrentFailureText());
    }
}
