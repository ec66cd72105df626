// Window size and placement for the settings store.
#include "settings/win/window_placement.h"

#include <climits>

namespace ks {

namespace {

// The placement record is 44 bytes in both the 32- and the 64-bit ABI.
static_assert(sizeof(WINDOWPLACEMENT) == 44);

WindowBounds FromRect(const RECT& rect) {
    return WindowBounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::optional<WINDOWPLACEMENT> ReadPlacement(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement)) return std::nullopt;
    return placement;
}

}  // namespace

int HwndPlacement::Width() const { return Bounds().width; }

int HwndPlacement::Height() const { return Bounds().height; }

void HwndPlacement::SetWidth(int width) {
    SetWindowPos(window_, nullptr, 0, 0, width, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void HwndPlacement::SetHeight(int height) {
    SetWindowPos(window_, nullptr, 0, 0, Width(), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowBounds HwndPlacement::Bounds() const {
    RECT rect{};
    if (!GetWindowRect(window_, &rect)) return WindowBounds{};
    return FromRect(rect);
}

WindowBounds HwndPlacement::RestoredBounds() const {
    const std::optional<WINDOWPLACEMENT> placement = ReadPlacement(window_);
    if (!placement) return Bounds();
    RECT rect = placement->rcNormalPosition;
    // Top-level windows other than tool windows keep this rectangle relative
    // to the work area, which starts beside a taskbar on the left or top.
    const LONG_PTR exStyle = GetWindowLongPtrA(window_, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_TOOLWINDOW) && !(GetWindowLongPtrA(window_, GWL_STYLE) & WS_CHILD)) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTOPRIMARY), &monitor))
            OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    }
    return FromRect(rect);
}

std::optional<int> HwndPlacement::GetPlacementShowCommand() const {
    const std::optional<WINDOWPLACEMENT> placement = ReadPlacement(window_);
    if (!placement) return std::nullopt;
    return static_cast<int>(placement->showCmd);
}

int HwndPlacement::ScreenWidth() const { return GetSystemMetrics(SM_CXSCREEN); }

int HwndPlacement::ScreenHeight() const { return GetSystemMetrics(SM_CYSCREEN); }

bool BoundsOnAnyMonitor(const WindowBounds& bounds) {
    if (bounds.width <= 0 || bounds.height <= 0) return false;
    // 64-bit sums: a damaged file may hold positions near the ends of int.
    const long long right = static_cast<long long>(bounds.left) + bounds.width;
    const long long bottom = static_cast<long long>(bounds.top) + bounds.height;
    if (right > INT_MAX || bottom > INT_MAX) return false;
    const RECT rect{bounds.left, bounds.top, static_cast<LONG>(right), static_cast<LONG>(bottom)};
    return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace ks
