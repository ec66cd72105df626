// The problem-list model against a plain vector of rows: removals anywhere and
// in any order, appends after removals, ticks and counts.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "repair/problem_list.h"

namespace ks {
namespace {

TEST(ProblemListModelTest, BehavesLikeAPlainListUnderAnyEditSequence) {
    struct Plain {
        std::string key;
        bool checked;
    };
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        ProblemListModel model;
        std::vector<Plain> plain;
        int serial = 0;
        for (int step = 0; step < 400; ++step) {
            const unsigned op = random() % 10;
            if (op < 3 || plain.empty()) {
                const std::string key = "K" + std::to_string(serial++);
                model.Append(Finding{"p", key, "", RemovalKind::DeleteKey});
                plain.push_back({key, false});
            } else if (op < 6) {
                // Mostly the last-to-first visit of the commands, sometimes anywhere.
                const std::size_t index = (op < 5 && plain.size() > 3) ? plain.size() - 1 - random() % 3
                                                                       : random() % plain.size();
                model.Remove(index);
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(index));
            } else {
                const std::size_t index = random() % plain.size();
                const bool checked = random() % 2 == 0;
                model.SetChecked(index, checked);
                plain[index].checked = checked;
            }
            ASSERT_EQ(plain.size(), model.Count());
            std::size_t checked = 0;
            for (std::size_t i = 0; i < plain.size(); ++i) {
                ASSERT_EQ(plain[i].key, model.Row(i).KeyPath) << i;
                ASSERT_EQ(plain[i].checked, model.IsChecked(i)) << i;
                checked += plain[i].checked ? 1 : 0;
            }
            ASSERT_EQ(checked, CheckedCount(model));
        }
        EXPECT_THROW(model.Row(model.Count()), std::out_of_range);
    }
}

TEST(ProblemListModelTest, LastToFirstRemovalMovesEachKeptRowOnce) {
    // Half the rows removed, alternating, from the last to the first: with a
    // row moved per removal for every row behind it this takes minutes.
    ProblemListModel model;
    const std::size_t rows = 200000;
    for (std::size_t i = 0; i < rows; ++i) model.Append(Finding{"p", std::to_string(i), "", RemovalKind::DeleteKey});
    for (std::size_t i = rows; i-- > 0;)
        if (i % 2 == 0) model.Remove(i);
    ASSERT_EQ(rows / 2, model.Count());
    EXPECT_EQ("1", model.Row(0).KeyPath);
    EXPECT_EQ(std::to_string(rows - 1), model.Row(model.Count() - 1).KeyPath);
}

TEST(ProblemListModelTest, UnrepairedFindingsAnswerPairsAddedBetweenQuestions) {
    UnrepairedFindings unrepaired;
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\A", "v"));
    unrepaired.Add("HKEY_CURRENT_USER\\A", "v");
    EXPECT_TRUE(unrepaired.Contains("hkey_current_user\\a", "V"));
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\A", "w")) << "key and value belong together";
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\A\\v", "")) << "the pair is not one joined text";
    unrepaired.Add("HKEY_CURRENT_USER\\B", "");
    EXPECT_TRUE(unrepaired.Contains("HKEY_CURRENT_USER\\B", ""));
    unrepaired = {};
    EXPECT_FALSE(unrepaired.Contains("HKEY_CURRENT_USER\\A", "v")) << "a cleared memory forgets";
}

}  // namespace
}  // namespace ks
