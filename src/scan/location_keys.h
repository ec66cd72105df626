// How the location checks name the keys they report.
#pragma once

#include <string>
#include <string_view>

namespace ks {

inline constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";

// A root's name, a backslash and the key path below it.
inline std::string JoinKeyPath(std::string_view rootName, std::string_view path) {
    std::string text(rootName);
    text.append(1, '\\').append(path);
    return text;
}

}  // namespace ks
