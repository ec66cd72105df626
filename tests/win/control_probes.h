// Test helpers that work real controls the way the mouse does and read what
// the common-controls helpers of the program do not cover.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace ks::test {

// A client point on the given part of a tree node (TVHT_ONITEMSTATEICON for
// its check box, TVHT_ONITEMBUTTON for its expand button), found by asking
// the tree itself; false when the node shows no such part.
inline bool TreeItemPartPoint(HWND tree, HTREEITEM item, UINT part, POINT& at) {
    RECT text{};
    *reinterpret_cast<HTREEITEM*>(&text) = item;
    if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text))) return false;
    for (int x = text.left - 1; x >= 0; --x) {
        TVHITTESTINFO hit{};
        hit.pt = {x, (text.top + text.bottom) / 2};
        SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem == item && (hit.flags & part)) {
            at = hit.pt;
            return true;
        }
    }
    return false;
}

// A left click at a client point, delivered at once.
inline void PressAt(HWND control, POINT at) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

inline std::string PanelText(HWND status, int panel) {
    char text[512] = {};
    SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace ks::test
