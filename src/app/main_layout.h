// The main window's layout rules, run on show and on every resize.
#pragma once

namespace ks {

struct MainLayoutInput {
    int ClientWidth = 0;
    int ClientHeight = 0;
    int UpdateLinkWidth = 0;  // lUpdate
    int TreeTop = 0;          // tvRegistry
    int ListLeft = 0;         // lvRegistryData
    int ListTop = 0;
    int StatusBarHeight = 0;  // StatusBar1
};

struct MainLayout {
    int TitleWidth = 0;  // imgTitle, at (0, 0)
    int TitleHeight = 0;
    int UpdateLinkLeft = 0;
    int UpdateIconLeft = 0;  // iUpdate
    int TreeHeight = 0;
    int ListWidth = 0;
    int ListHeight = 0;
    int StatusBarTop = 0;
    int StatusBarWidth = 0;

    friend bool operator==(const MainLayout&, const MainLayout&) = default;
};

// Heights and widths never go below zero, so a window shrunk to nothing (a
// minimized one reports an empty client area) leaves no negative sizes.
MainLayout ComputeMainLayout(const MainLayoutInput& input);

}  // namespace ks
