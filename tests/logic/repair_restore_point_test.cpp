// The restore-point request as System Restore receives it, and the pace of the
// dialog's bar.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "restore/system_point.h"

namespace ks {
namespace {

TEST(RestorePointTest, RequestBytesAreBeginChangeInstallAndThePaddedDescription) {
    const RestorePointRequest request = MakeRestorePointRequest();
    unsigned char raw[sizeof request];
    std::memcpy(raw, &request, sizeof raw);

    unsigned char expected[80] = {};
    expected[0] = 100;  // begin system change, little-endian
    const std::string description = "Made by Quarlo Keyscrub";
    std::memcpy(expected + 16, description.data(), description.size());
    for (size_t i = 0; i < sizeof raw; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(raw[i], expected[i]);
    }
}

TEST(RestorePointTest, BarStepShrinksAsItFillsAndStopsAtTheTop) {
    struct Case {
        int position;
        int step;
    } const cases[] = {{0, 10},  {30, 10}, {31, 5}, {50, 5}, {51, 3}, {60, 3},
                       {61, 2},  {80, 2},  {81, 1}, {99, 1}, {100, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(SystemPointBarStep(c.position), c.step);
    }
}

TEST(RestorePointTest, BarShowsFortyAfterFourSecondsAndFullAfterAboutThirtyEight) {
    int position = 0;
    int seconds = 0;
    int atFour = -1;
    while (position < 100 && seconds < 1000) {
        position += SystemPointBarStep(position);
        if (++seconds == 4) atFour = position;
    }
    EXPECT_EQ(atFour, 40);
    EXPECT_EQ(position, 100);
    EXPECT_GE(seconds, 36);
    EXPECT_LE(seconds, 40);
}

}  // namespace
}  // namespace ks
