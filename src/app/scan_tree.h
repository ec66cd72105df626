// The scan-section tree of the main window as plain data: its 23 fixed nodes,
// their check states and the rules that tie a node's box to its relatives.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace ks {

struct ScanTreeNodeInfo {
    const char* Caption;
    int Level;       // 0 root, 1 section or group, 2 member of the group
    int ImageIndex;  // identity; for sections also the task id
};

constexpr std::size_t kScanTreeNodeCount = 23;
// In tree order: a node, then its descendants, then its next sibling.
extern const std::array<ScanTreeNodeInfo, kScanTreeNodeCount> kScanTreeNodes;

// State images: 1 unchecked, 2 checked.
constexpr int kNodeUnchecked = 1;
constexpr int kNodeChecked = 2;

// Modes of WalkTree.
namespace WalkMode {
constexpr int Collect = -1;
constexpr int Uncheck = 1;
constexpr int Check = 2;
constexpr int Save = 99;
constexpr int Load = 100;
}  // namespace WalkMode

class ScanTree {
public:
    ScanTree();

    int State(std::size_t node) const { return states_.at(node); }
    bool IsChecked(std::size_t node) const { return State(node) == kNodeChecked; }
    void SetState(std::size_t node, int state) { states_.at(node) = state; }

    // The node's parent, or the node itself for the root.
    static std::size_t Parent(std::size_t node);
    static bool HasChildren(std::size_t node);
    // Index in tree order of the node with this image index; kScanTreeNodeCount when none.
    static std::size_t NodeOfImage(int imageIndex);

    // A press on the node's check box: toggles it and carries the new state
    // to its children and up to its ancestors.
    void ClickCheckBox(std::size_t node);

    // Visits the start node, its subtree and its following siblings with
    // their subtrees, each node before its children. Collect appends the
    // image index of every checked node to taskIds (when given); Check and
    // Uncheck set every visited node; Save copies the states into
    // nodeChecked[image index]; Load takes them from there. Other modes
    // visit without effect.
    void WalkTree(std::size_t start, int mode, std::vector<std::string>* taskIds, std::array<bool, 25>* nodeChecked);

private:
    // Checked when at least one of the node's children is checked.
    void SetFromChildren(std::size_t node);

    std::array<int, kScanTreeNodeCount> states_;
};

}  // namespace ks
