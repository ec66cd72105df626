// The version code table: what each platform and version maps to.
#include <gtest/gtest.h>

#include "settings/system_version.h"

namespace ks {
namespace {

TEST(SystemVersionTest, CodesFollowThePlatformAndVersion) {
    struct Case {
        std::uint32_t platform, major, minor;
        std::uint8_t code;
    } const cases[] = {
        {PlatformId::Nt, 3, 51, 5},  {PlatformId::Nt, 3, 10, 5},  {PlatformId::Nt, 4, 0, 6},
        {PlatformId::Nt, 5, 0, 7},   {PlatformId::Nt, 5, 1, 9},   {PlatformId::Nt, 5, 2, 10},
        {PlatformId::Nt, 5, 3, 10},  {PlatformId::Nt, 6, 0, 11},  {PlatformId::Nt, 6, 1, 12},
        {PlatformId::Nt, 6, 2, 11},  {PlatformId::Nt, 6, 3, 11},  {PlatformId::Nt, 10, 0, 10},
        {PlatformId::Nt, 2, 0, 10},  {PlatformId::Windows, 4, 0, 1}, {PlatformId::Windows, 4, 10, 3},
        {PlatformId::Windows, 4, 90, 8}, {PlatformId::Windows, 4, 1, 10}, {PlatformId::Windows, 5, 0, 10},
        {PlatformId::Windows, 6, 1, 10}, {PlatformId::Win32s, 4, 0, 1}, {PlatformId::Win32s, 3, 10, 10},
        {7, 4, 10, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
        EXPECT_EQ(WindowsVersionCodeFrom(c.platform, c.major, c.minor), c.code);
    }
}

TEST(SystemVersionTest, NeverProducesTheUnusedCodes) {
    for (std::uint32_t platform = 0; platform < 4; ++platform)
        for (std::uint32_t major = 0; major < 12; ++major)
            for (std::uint32_t minor = 0; minor < 100; ++minor) {
                const auto code = WindowsVersionCodeFrom(platform, major, minor);
                ASSERT_NE(code, 2) << platform << " " << major << "." << minor;
                ASSERT_NE(code, 4) << platform << " " << major << "." << minor;
                ASSERT_GE(code, 1);
                ASSERT_LE(code, 12);
            }
}

}  // namespace
}  // namespace ks
