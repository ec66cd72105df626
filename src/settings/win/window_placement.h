// The main window's size and placement as the settings store asks for them,
// read from and applied to a real window. The window itself supplies the
// check states of its scan-section tree.
#pragma once

#include <windows.h>

#include <optional>

#include "settings/settings.h"

namespace ks {

class HwndPlacement : public MainWindowPlacement {
public:
    explicit HwndPlacement(HWND window) : window_(window) {}

    HWND window() const { return window_; }

    int Width() const override;
    int Height() const override;
    // Resize at once, keeping the position, Z-order and activation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    WindowBounds Bounds() const override;
    // The restored rectangle of GetWindowPlacement, taken from the work-area
    // coordinates Windows keeps it in to screen coordinates; Bounds() when
    // the placement cannot be read.
    WindowBounds RestoredBounds() const override;
    std::optional<int> GetPlacementShowCommand() const override;
    int ScreenWidth() const override;
    int ScreenHeight() const override;

private:
    HWND window_;
};

// Whether any part of the rectangle lies on a monitor. A window saved while
// Windows had it parked near (-32000, -32000), or on a monitor since removed,
// is on none.
bool BoundsOnAnyMonitor(const WindowBounds& bounds);

}  // namespace ks
