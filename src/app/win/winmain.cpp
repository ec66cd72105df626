// Process entry of keyscrub.exe: one running instance, the main window, the
// message loop.
#include <windows.h>

#include "app/messages.h"
#include "app/product.h"
#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "ui/win/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // A second start only hands over to the first, even when that one is busy
    // with a modal dialog, and never shows a window of its own.
    if (HWND running = FindWindowA(ks::product::kMainWindowClass, nullptr)) {
        PostMessageA(running, ks::kMsgComeForward, 0, 0);
        SetForegroundWindow(running);
        return 0;
    }

    ks::ui::InitializeUi();
    ks::TfrmRegCleaner window;
    ks::WireMainWindow(window);
    window.SetQuitOnDestroy(true);
    window.Show(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
    return ks::ui::RunMessageLoop();
}
