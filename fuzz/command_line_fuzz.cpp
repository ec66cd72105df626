// The command-line rule against a plain reading of the same rule: the line
// cut into all its arguments at once, the second of them taken.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

std::vector<std::string> AllArguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : line) {
        const bool blank = static_cast<unsigned char>(c) <= 0x20;
        if (!quoted && blank) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"') quoted = !quoted;
        else current += c;
    }
    if (inArgument) arguments.push_back(current);
    return arguments;
}

bool IsCleanOnce(const std::string& argument) {
    static const char expected[] = "-cleanonce";
    if (argument.size() != sizeof expected - 1) return false;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        char c = argument[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != expected[i]) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const auto arguments = AllArguments(line);
    const std::string expected = arguments.size() > 1 ? arguments[1] : std::string();
    const std::string first = ks::FirstArgument(line);
    if (first != expected) {
        std::fprintf(stderr, "command line [%s]: [%s], plainly [%s]\n", line.c_str(), first.c_str(), expected.c_str());
        std::abort();
    }
    if (ks::IsCleanOnceCommandLine(line) != IsCleanOnce(expected)) {
        std::fprintf(stderr, "command line [%s]: clean-once answer differs\n", line.c_str());
        std::abort();
    }
    return 0;
}
