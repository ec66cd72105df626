// Command-line reading.
#include "app/command_line.h"

#include "app/product.h"
#include "base/text.h"

namespace ks {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads the argument starting at or after pos and moves pos past it; false
// when only blanks are left.
bool NextArgument(std::string_view line, std::size_t& pos, std::string& argument) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size()) return false;
    argument.clear();
    bool quoted = false;
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') quoted = !quoted;
        else if (!quoted && IsBlank(c)) break;
        else argument += c;
    }
    return true;
}

}  // namespace

std::string FirstArgument(std::string_view commandLine) {
    std::size_t pos = 0;
    std::string argument;
    if (!NextArgument(commandLine, pos, argument)) return {};
    if (!NextArgument(commandLine, pos, argument)) return {};
    return argument;
}

bool IsCleanOnceCommandLine(std::string_view commandLine) {
    return EqualsNoCase(FirstArgument(commandLine), product::kCleanOnceSwitch);
}

}  // namespace ks
