// Reachability of a saved window position.
#include "app/window_position.h"

#include <algorithm>

namespace ks {

namespace {
constexpr int kTitleStrip = 20;
constexpr int kMinVisibleWidth = 40;
constexpr int kMinVisibleHeight = 8;
}  // namespace

bool IsReachable(WindowOrigin position, int width, int height, const std::vector<ScreenRect>& monitors) {
    if (width <= 0 || height <= 0) return false;
    // 64-bit arithmetic: saved positions come from a file and may be anything.
    const long long left = position.Left;
    const long long top = position.Top;
    const long long right = left + width;
    const long long bottom = top + std::min(height, kTitleStrip);
    const long long needWidth = std::min(width, kMinVisibleWidth);
    const long long needHeight = std::min<long long>(bottom - top, kMinVisibleHeight);
    for (const ScreenRect& monitor : monitors) {
        const long long overlapWidth = std::min<long long>(right, monitor.Right) - std::max<long long>(left, monitor.Left);
        const long long overlapHeight = std::min<long long>(bottom, monitor.Bottom) - std::max<long long>(top, monitor.Top);
        if (overlapWidth >= needWidth && overlapHeight >= needHeight) return true;
    }
    return false;
}

WindowOrigin CentredOrigin(int screenWidth, int screenHeight, int width, int height) {
    return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

WindowOrigin MendedPosition(WindowOrigin saved, int width, int height, const std::vector<ScreenRect>& monitors,
                              int screenWidth, int screenHeight) {
    if (IsReachable(saved, width, height, monitors)) return saved;
    return CentredOrigin(screenWidth, screenHeight, width, height);
}

}  // namespace ks
