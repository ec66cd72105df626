// The set-up every window and process test runs under, as the program makes
// it at start: the system's code page for the text helpers, and the widget
// layer's lent services (language files, translation, folder picker).
#include <gtest/gtest.h>

#include "base/win/system_code_page.h"
#include "settings/win/localisation_win.h"

namespace ks {
namespace {

class ProgramStart final : public ::testing::Environment {
public:
    void SetUp() override {
        InstallCodePage(SystemCodePage());
        LendWidgetServices();
    }
};

::testing::Environment* const kProgramStart = ::testing::AddGlobalTestEnvironment(new ProgramStart);

}  // namespace
}  // namespace ks
