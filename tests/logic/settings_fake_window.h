// A main window stand-in for the settings store's tests: a size that can be
// set, a placement that can be made to fail, and scan-tree check states.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace ks::test {

class FakeMainWindow : public MainWindowPlacement {
public:
    // The main window's design size and a common screen.
    int width = 684;
    int height = 520;
    int left = 170;
    int top = 124;
    int screenWidth = 1024;
    int screenHeight = 768;
    std::optional<int> showCommand = kShowNormal;
    WindowBounds restored{170, 124, 684, 520};
    // Tree nodes by image index; an empty element is a node the tree lacks.
    std::array<std::optional<bool>, 25> tree{};

    // What the store asked of the window.
    std::vector<int> widthsSet;
    std::vector<int> heightsSet;
    int treeCopies = 0;

    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetWidth(int value) override {
        widthsSet.push_back(value);
        width = value;
    }
    void SetHeight(int value) override {
        heightsSet.push_back(value);
        height = value;
    }
    WindowBounds Bounds() const override { return WindowBounds{left, top, width, height}; }
    WindowBounds RestoredBounds() const override { return restored; }
    std::optional<int> GetPlacementShowCommand() const override { return showCommand; }
    int ScreenWidth() const override { return screenWidth; }
    int ScreenHeight() const override { return screenHeight; }
    void CopyTreeCheckStates(std::array<bool, 25>& nodeChecked) override {
        ++treeCopies;
        for (std::size_t i = 0; i < tree.size(); ++i)
            if (tree[i]) nodeChecked[i] = *tree[i];
    }
};

// options.ini as the store writes it from scratch with every default, for a
// program in `programFolder` and the window as it stands.
inline std::string DefaultOptionsText(const std::string& programFolder, const FakeMainWindow& window) {
    std::string text = "[Options]\r\nOutputDirectory=" + programFolder +
                       "Backup\r\nDeleteBackupFile=1\r\nIncludeRemoveMedia=0\r\n"
                       "IncludeCDdrive=0\r\nBeep=0\r\nShowHint=1\r\nRestorePoint=0\r\nLan=English\r\n"
                       "[TreeViewNodeCheck]\r\n";
    for (int n = 1; n <= 24; ++n) text += std::to_string(n) + "=1\r\n";
    text += "[IgnoreValue]\r\nCount=0\r\n[IgnoreKey]\r\nCount=0\r\n[Window]\r\nState=1\r\n";
    text += "Left=" + std::to_string(window.left) + "\r\nTop=" + std::to_string(window.top) + "\r\n";
    text += "Width=" + std::to_string(window.width) + "\r\nHeight=" + std::to_string(window.height) + "\r\n";
    return text;
}

}  // namespace ks::test
