// Scan-section tree: fixed nodes, check propagation and the tree walk.
#include "app/scan_tree.h"

namespace ks {

const std::array<ScanTreeNodeInfo, kScanTreeNodeCount> kScanTreeNodes = {{
    {"My Computers", 0, 1},
    {"Files and Folders", 1, 2},
    {"HKEY_LOCAL_MACHINE", 2, 3},
    {"HKEY_CURRENT_USER", 2, 4},
    {"HKEY_USERS", 2, 5},
    {"Software Locations", 1, 6},
    {"Windows Fonts", 1, 7},
    {"Invalid Help Files", 1, 8},
    {"Shared DLLs", 1, 9},
    {"Startup Programs", 1, 10},
    {"Add/Remove Programs", 1, 11},
    {"File Extensions", 1, 12},
    {"Custom Controls", 1, 13},
    {"Obsolete Software", 1, 14},
    {"Windows Services", 1, 15},
    {"Start Menu", 1, 16},
    {"Shortcuts", 1, 17},
    {"Sound and Appevents", 1, 18},
    {"Invalid ActiveX", 1, 19},
    {"MRU and History Lists", 1, 20},
    {"Installer", 1, 21},
    {"Applications", 1, 22},
    {"Empty Keys", 1, 23},
}};

ScanTree::ScanTree() { states_.fill(kNodeChecked); }

std::size_t ScanTree::Parent(std::size_t node) {
    const int level = kScanTreeNodes.at(node).Level;
    for (std::size_t i = node; i-- > 0;)
        if (kScanTreeNodes[i].Level < level) return i;
    return node;
}

bool ScanTree::HasChildren(std::size_t node) {
    return node + 1 < kScanTreeNodeCount && kScanTreeNodes[node + 1].Level > kScanTreeNodes.at(node).Level;
}

std::size_t ScanTree::NodeOfImage(int imageIndex) {
    for (std::size_t i = 0; i < kScanTreeNodeCount; ++i)
        if (kScanTreeNodes[i].ImageIndex == imageIndex) return i;
    return kScanTreeNodeCount;
}

void ScanTree::SetFromChildren(std::size_t node) {
    const int level = kScanTreeNodes.at(node).Level;
    bool anyChecked = false;
    for (std::size_t i = node + 1; i < kScanTreeNodeCount && kScanTreeNodes[i].Level > level; ++i)
        if (kScanTreeNodes[i].Level == level + 1 && IsChecked(i)) anyChecked = true;
    states_[node] = anyChecked ? kNodeChecked : kNodeUnchecked;
}

void ScanTree::ClickCheckBox(std::size_t node) {
    const int newState = IsChecked(node) ? kNodeUnchecked : kNodeChecked;
    states_.at(node) = newState;
    switch (kScanTreeNodes[node].Level) {
    case 0:
        WalkTree(0, newState, nullptr, nullptr);
        break;
    case 1:
        for (std::size_t i = node + 1; i < kScanTreeNodeCount && kScanTreeNodes[i].Level > 1; ++i)
            states_[i] = newState;
        SetFromChildren(0);
        break;
    default:
        SetFromChildren(Parent(node));
        SetFromChildren(0);
        break;
    }
}

void ScanTree::WalkTree(std::size_t start, int mode, std::vector<std::string>* taskIds,
                        std::array<bool, 25>* nodeChecked) {
    const int startLevel = kScanTreeNodes.at(start).Level;
    for (std::size_t i = start; i < kScanTreeNodeCount && kScanTreeNodes[i].Level >= startLevel; ++i) {
        const auto image = static_cast<std::size_t>(kScanTreeNodes[i].ImageIndex);
        switch (mode) {
        case WalkMode::Collect:
            if (taskIds && IsChecked(i)) taskIds->push_back(std::to_string(image));
            break;
        case WalkMode::Uncheck:
        case WalkMode::Check:
            states_[i] = mode;
            break;
        case WalkMode::Save:
            if (nodeChecked) (*nodeChecked)[image] = IsChecked(i);
            break;
        case WalkMode::Load:
            if (nodeChecked) states_[i] = (*nodeChecked)[image] ? kNodeChecked : kNodeUnchecked;
            break;
        default:
            break;
        }
    }
}

}  // namespace ks
