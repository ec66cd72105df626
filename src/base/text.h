// Small text helpers shared by every subsystem. Texts are 8-bit strings in the
// ANSI code page (Windows-1252 on the machines we ship to).
#pragma once

#include <string>
#include <string_view>

namespace ks {

// Upper case as the registry compares names: ASCII letters and the Windows-1252
// letters that have an upper-case form.
constexpr char UpperAnsiChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
    // Windows-1252: à..þ map to À..Þ except ÷ (0xF7); š œ ž ÿ have their own places.
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
    switch (u) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return c;
    }
}
std::string UpperAnsi(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Order of names compared upper-cased, byte by byte: the order in which the
// registry enumerates subkeys.
int CompareNoCase(std::string_view a, std::string_view b);

// "%d" for n > 9, "0%d" otherwise: 7 gives "07", 0 gives "00", 10 gives "10".
std::string TwoDigits(int n);
// ROT13 of ASCII letters; every other byte unchanged.
std::string Rot13Text(std::string_view s);

// Blanks (space and control characters up to 0x20) removed at both ends.
std::string Trim(std::string_view s);

}  // namespace ks
