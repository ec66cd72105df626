// Text helpers shared across the program.
#include "base/text.h"

namespace ks {

namespace {

// UpperAnsiChar of every byte: the post-scan filter upper-cases every row.
struct UpperTable {
    char upper[256];
    constexpr UpperTable() : upper{} {
        for (int c = 0; c < 256; ++c) upper[c] = UpperAnsiChar(static_cast<char>(c));
    }
};
constexpr UpperTable kUpper;

}  // namespace

std::string UpperAnsi(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = kUpper.upper[static_cast<unsigned char>(c)];
    return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(UpperAnsiChar(a[i]));
        const auto y = static_cast<unsigned char>(UpperAnsiChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string TwoDigits(int n) {
    std::string digits = std::to_string(n);
    if (n <= 9) digits.insert(digits.begin(), '0');
    return digits;
}

std::string Rot13Text(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>('a' + (c - 'a' + 13) % 26);
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    }
    return out;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace ks
