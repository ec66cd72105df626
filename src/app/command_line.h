// The command line as the program reads it: only its first argument matters.
#pragma once

#include <string>
#include <string_view>

namespace ks {

// The argument after the program name, with its quotes removed; "" when there
// is none. Arguments are separated by blanks; double quotes group blanks into
// an argument and are dropped.
std::string FirstArgument(std::string_view commandLine);

// The first argument is "-cleanonce" in any mix of case.
bool IsCleanOnceCommandLine(std::string_view commandLine);

}  // namespace ks
