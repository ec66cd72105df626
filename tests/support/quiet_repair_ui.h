// A repair front end that nobody watches: it says yes to every question, lets
// the repair go on past the restore point, and shows and sounds nothing.
#pragma once

#include <cstddef>
#include <string>

#include "repair/repair.h"

namespace ks::test {

class QuietRepairUi : public RepairUi {
public:
    bool AskYesNo(const std::string&) override { return true; }
    int RunRestorePointDialog() override { return 1; }
    void UpdateProblemCounts() override {}
    void ShowHint(std::size_t) override {}
    void Beep() override {}
};

}  // namespace ks::test
