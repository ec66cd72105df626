// Where the main window reopens. The position is saved whatever the window's
// state, and Windows parks a minimized window near (-32000, -32000): a window
// closed while minimized would otherwise reopen out of reach for good. The
// same happens when the monitor it was on is gone.
#pragma once

#include <vector>

namespace ks {

struct ScreenRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

struct WindowOrigin {
    int Left = 0;
    int Top = 0;

    friend bool operator==(const WindowOrigin&, const WindowOrigin&) = default;
};

// The user can reach the window when a piece of its title strip (its top 20
// pixels) lies on some monitor: at least 40 pixels of its width (all of it
// when narrower) and 8 pixels of the strip's height (all of it when lower).
bool IsReachable(WindowOrigin position, int width, int height, const std::vector<ScreenRect>& monitors);

// Centred on a screen of the given size, both halves truncated toward zero.
WindowOrigin CentredOrigin(int screenWidth, int screenHeight, int width, int height);

// The saved position when the window can be reached there; otherwise centred.
WindowOrigin MendedPosition(WindowOrigin saved, int width, int height, const std::vector<ScreenRect>& monitors,
                              int screenWidth, int screenHeight);

}  // namespace ks
