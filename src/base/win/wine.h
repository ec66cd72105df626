// Whether the program runs under Wine, for the few places where Wine's
// controls behave unlike Windows' and the program makes up for it.
#pragma once

namespace ks {

bool RunsOnWine();

}  // namespace ks
