// The progress dialog's table and the pseudo-progress it shows.
#include <gtest/gtest.h>

#include "scan/progress_form.h"
#include "settings/localisation.h"

namespace ks {
namespace {

// Ticks (500 ms each) from `from` until the bar is at least `target`.
int TicksUntil(int from, int target) {
    int ticks = 0;
    for (int position = from; position < target; position = NextPseudoProgress(position)) {
        if (++ticks > 10000) return -1;
    }
    return ticks;
}

TEST(ProgressFormTest, PseudoProgressReachesItsMilestonesOnTime) {
    EXPECT_EQ(TicksUntil(0, 200), 20);    // 10 s
    EXPECT_EQ(TicksUntil(0, 400), 59);    // 29.5 s
    EXPECT_EQ(TicksUntil(0, 701), 159);   // passes 700 after 79.5 s
    EXPECT_EQ(TicksUntil(0, 800), 208);   // 104 s
    EXPECT_EQ(TicksUntil(0, 999), 406);   // 203 s
    const struct {
        int from;
        int to;
    } steps[] = {{0, 10}, {200, 210}, {201, 206}, {400, 405}, {401, 404}, {700, 703},
                 {701, 703}, {800, 802}, {801, 802}, {998, 999}, {999, 999}, {1000, 1000}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.from);
        EXPECT_EQ(NextPseudoProgress(s.from), s.to);
    }
}

TEST(ProgressFormTest, TableHoldsTheNamedControlsAndTheirTexts) {
    const ui::FormDef& form = RegProgressHintForm();
    EXPECT_TRUE(ui::CheckFormDef(form).empty());
    EXPECT_EQ(form.name, "frmRegProgressHint");
    EXPECT_EQ(form.caption, "Scanning");
    EXPECT_EQ(form.clientWidth, 395);
    EXPECT_EQ(form.clientHeight, 166);
    const ui::ControlDef* bar = ui::FindControl(form, "ProgressBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->range, 1000);
    const ui::ControlDef* timer = ui::FindControl(form, "Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval, 500);
    EXPECT_EQ(timer->flags & ui::kRunning, 0u) << "off until a task runs";
    const ui::ControlDef* memo = ui::FindControl(form, "Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_NE(memo->flags & ui::kReadOnly, 0u);

    std::vector<std::pair<std::string, std::string>> texts;
    for (const auto& key : DesignTimeKeys(form)) texts.emplace_back(key.key, key.english);
    // The key box shows registry paths, which are never translated.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"frmRegProgressHint", "Scanning"}, {"lScanTask", "Scanning "}, {"bStop", "Stop"}};
    EXPECT_EQ(memo->caption, "Registry Key");
    EXPECT_EQ(texts, expected);
}

}  // namespace
}  // namespace ks
