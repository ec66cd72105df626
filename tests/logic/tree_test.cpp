// The scan-section tree: its nodes, the check-box propagation and the walk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/scan_tree.h"

namespace ks {
namespace {

std::size_t Node(int imageIndex) {
    const std::size_t node = ScanTree::NodeOfImage(imageIndex);
    EXPECT_LT(node, kScanTreeNodeCount) << imageIndex;
    return node;
}

std::vector<std::string> Collect(ScanTree& tree) {
    std::vector<std::string> ids = {"stale"};
    ids.clear();
    tree.WalkTree(0, WalkMode::Collect, &ids, nullptr);
    return ids;
}

ScanTree AllUnchecked() {
    ScanTree tree;
    tree.WalkTree(0, WalkMode::Uncheck, nullptr, nullptr);
    return tree;
}

TEST(TreeTest, NodesAreInTreeOrderWithTheirImageIndexes) {
    ASSERT_EQ(kScanTreeNodes.size(), 23u);
    for (std::size_t i = 0; i < kScanTreeNodeCount; ++i) {
        SCOPED_TRACE(kScanTreeNodes[i].Caption);
        // Image indexes run 1..23 in tree order, so each section's task id is its position + 1.
        EXPECT_EQ(kScanTreeNodes[i].ImageIndex, static_cast<int>(i) + 1);
    }
    EXPECT_STREQ(kScanTreeNodes[0].Caption, "My Computers");
    EXPECT_STREQ(kScanTreeNodes[4].Caption, "HKEY_USERS");
    EXPECT_STREQ(kScanTreeNodes[17].Caption, "Sound and Appevents");
    EXPECT_STREQ(kScanTreeNodes[22].Caption, "Empty Keys");
    struct Case {
        int image;
        std::size_t parent;
        bool hasChildren;
    } const cases[] = {{1, 0, true}, {2, 0, true}, {3, 1, false}, {5, 1, false}, {6, 0, false}, {23, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        EXPECT_EQ(ScanTree::Parent(Node(c.image)), c.parent);
        EXPECT_EQ(ScanTree::HasChildren(Node(c.image)), c.hasChildren);
    }
    EXPECT_EQ(ScanTree::NodeOfImage(24), kScanTreeNodeCount);
}

TEST(TreeTest, SectionClickKeepsRootWhileAnotherSectionIsChecked) {
    ScanTree tree;
    tree.ClickCheckBox(Node(9));  // Shared DLLs off
    EXPECT_FALSE(tree.IsChecked(Node(9)));
    EXPECT_TRUE(tree.IsChecked(0));
    // Uncheck every other level-1 node; the root follows only at the last one.
    for (int image = 2; image <= 23; ++image) {
        const std::size_t node = Node(image);
        if (kScanTreeNodes[node].Level != 1 || image == 9) continue;
        EXPECT_TRUE(tree.IsChecked(0)) << image;
        tree.ClickCheckBox(node);
    }
    EXPECT_FALSE(tree.IsChecked(0));
    for (std::size_t i = 0; i < kScanTreeNodeCount; ++i) EXPECT_FALSE(tree.IsChecked(i)) << i;
}

TEST(TreeTest, GroupClickCarriesItsStateToItsChildren) {
    ScanTree tree = AllUnchecked();
    tree.ClickCheckBox(Node(2));
    EXPECT_EQ(Collect(tree), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    tree.ClickCheckBox(Node(2));
    EXPECT_TRUE(Collect(tree).empty());
}

TEST(TreeTest, MemberClickSetsGroupThenRoot) {
    ScanTree tree = AllUnchecked();
    tree.ClickCheckBox(Node(5));  // HKEY_USERS alone
    EXPECT_TRUE(tree.IsChecked(Node(2)));
    EXPECT_TRUE(tree.IsChecked(0));
    EXPECT_EQ(Collect(tree), (std::vector<std::string>{"1", "2", "5"}));

    tree.ClickCheckBox(Node(3));
    tree.ClickCheckBox(Node(5));  // HKEY_LOCAL_MACHINE still checked
    EXPECT_TRUE(tree.IsChecked(Node(2)));
    tree.ClickCheckBox(Node(3));
    EXPECT_FALSE(tree.IsChecked(Node(2)));
    EXPECT_FALSE(tree.IsChecked(0));

    // The root follows the level-1 nodes, not the members directly.
    tree.ClickCheckBox(Node(12));
    tree.ClickCheckBox(Node(4));
    tree.ClickCheckBox(Node(4));
    EXPECT_FALSE(tree.IsChecked(Node(2)));
    EXPECT_TRUE(tree.IsChecked(0));
}

TEST(TreeTest, RootClickSetsEveryNode) {
    ScanTree tree;
    tree.ClickCheckBox(Node(7));
    tree.ClickCheckBox(0);  // the root was still checked: now everything goes off
    for (std::size_t i = 0; i < kScanTreeNodeCount; ++i) EXPECT_FALSE(tree.IsChecked(i)) << i;
    EXPECT_TRUE(Collect(tree).empty());
    tree.ClickCheckBox(0);
    EXPECT_EQ(Collect(tree).size(), 23u);
}

TEST(TreeTest, CollectListsCheckedNodesInTreeOrderIncludingRootAndGroup) {
    ScanTree tree;
    std::vector<std::string> expected;
    for (int image = 1; image <= 23; ++image) expected.push_back(std::to_string(image));
    EXPECT_EQ(Collect(tree), expected);

    tree = AllUnchecked();
    tree.ClickCheckBox(Node(23));
    tree.ClickCheckBox(Node(4));
    tree.ClickCheckBox(Node(12));
    EXPECT_EQ(Collect(tree), (std::vector<std::string>{"1", "2", "4", "12", "23"}));
    // Without a list nothing is collected and nothing fails.
    tree.WalkTree(0, WalkMode::Collect, nullptr, nullptr);
}

TEST(TreeTest, WalkFromInnerNodeVisitsOnlyItsSubtreeAndFollowingSiblings) {
    ScanTree tree;
    tree.WalkTree(Node(4), WalkMode::Uncheck, nullptr, nullptr);  // HKEY_CURRENT_USER and HKEY_USERS
    EXPECT_TRUE(tree.IsChecked(Node(3)));
    EXPECT_FALSE(tree.IsChecked(Node(4)));
    EXPECT_FALSE(tree.IsChecked(Node(5)));
    EXPECT_TRUE(tree.IsChecked(Node(6)));
    EXPECT_TRUE(tree.IsChecked(Node(2)));

    tree = ScanTree();
    tree.WalkTree(Node(2), WalkMode::Uncheck, nullptr, nullptr);  // the group, its members, every later section
    EXPECT_TRUE(tree.IsChecked(0));
    for (std::size_t i = 1; i < kScanTreeNodeCount; ++i) EXPECT_FALSE(tree.IsChecked(i)) << i;
}

TEST(TreeTest, SaveAndLoadUseTheImageIndexAndLeaveOtherElementsAlone) {
    std::array<bool, 25> saved{};
    saved.fill(true);
    ScanTree tree = AllUnchecked();
    tree.ClickCheckBox(Node(15));
    tree.WalkTree(0, WalkMode::Save, nullptr, &saved);
    EXPECT_TRUE(saved[0]) << "element 0 is not a node";
    EXPECT_TRUE(saved[24]) << "element 24 is not a node";
    EXPECT_TRUE(saved[1]);
    EXPECT_FALSE(saved[2]);
    EXPECT_TRUE(saved[15]);
    EXPECT_FALSE(saved[14]);

    std::array<bool, 25> stored{};
    stored[3] = true;
    stored[23] = true;
    tree.WalkTree(0, WalkMode::Load, nullptr, &stored);
    EXPECT_EQ(Collect(tree), (std::vector<std::string>{"3", "23"}));
    // Loading restores states as saved, without propagation.
    EXPECT_EQ(tree.State(0), kNodeUnchecked);
    EXPECT_EQ(tree.State(Node(3)), kNodeChecked);
}

TEST(TreeTest, UnknownModeChangesNothing) {
    ScanTree tree;
    tree.ClickCheckBox(Node(8));
    std::array<bool, 25> saved{};
    tree.WalkTree(0, 7, nullptr, &saved);
    for (bool b : saved) EXPECT_FALSE(b);
    EXPECT_FALSE(tree.IsChecked(Node(8)));
    EXPECT_EQ(Collect(tree).size(), 22u);
}

}  // namespace
}  // namespace ks
