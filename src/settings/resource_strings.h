// The run-time texts of the program: every RES_ key with its English wording.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ks {

struct ResourceString {
    const char* key;
    const char* english;
};

inline constexpr std::size_t kResourceStringCount = 104;
extern const std::array<ResourceString, kResourceStringCount> kResourceStrings;

// The English wording of a RES_ key; nullptr for a key the program does not have.
const char* EnglishResourceText(std::string_view key);

// LookupText with the key's own English wording; an unknown key gives "".
std::string LookupResource(std::string_view key);

}  // namespace ks
