// Main window layout.
#include "app/main_layout.h"

#include <algorithm>

namespace ks {

MainLayout ComputeMainLayout(const MainLayoutInput& in) {
    MainLayout out;
    out.TitleWidth = std::max(in.ClientWidth, 0);
    out.TitleHeight = 50;
    out.UpdateLinkLeft = in.ClientWidth - in.UpdateLinkWidth - 20;
    out.UpdateIconLeft = out.UpdateLinkLeft - 25;
    out.TreeHeight = std::max(in.ClientHeight - in.TreeTop - in.StatusBarHeight, 0);
    out.ListHeight = std::max(in.ClientHeight - in.ListTop - in.StatusBarHeight, 0);
    out.ListWidth = std::max(in.ClientWidth - in.ListLeft, 0);
    out.StatusBarTop = in.ClientHeight - in.StatusBarHeight;
    out.StatusBarWidth = std::max(in.ClientWidth, 0);
    return out;
}

}  // namespace ks
