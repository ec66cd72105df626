// A repair front end that nobody watches: it says yes to every question, lets
// the repair go on past the restore point, and shows and sounds nothing.
#pragma once

#include "repair/repair.h"

namespace ks::test {

using QuietRepairUi = UnattendedRepairUi;

}  // namespace ks::test
