// Small text helpers shared by every subsystem. Texts are 8-bit strings in the
// system's ANSI code page; case is folded as that code page folds it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace ks {

// Upper case of one ASCII or Windows-1252 letter. For drive letters and other
// ASCII texts; names are folded with UpperAnsi, which follows the code page.
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

// The bytes of the ANSI code page that open a two-byte character. A default
// object describes a single-byte code page.
class LeadBytes {
public:
    void AddRange(unsigned char first, unsigned char last);
    bool IsLead(char c) const { return lead_[static_cast<unsigned char>(c)]; }
    bool Any() const { return any_; }
    // True when the text does not end in the middle of a two-byte character.
    bool IsComplete(std::string_view text) const;
    // The most bytes one character takes: two where there are lead bytes,
    // up to four in a code page such as UTF-8 that has none.
    unsigned MaxCharBytes() const { return maxCharBytes_ ? maxCharBytes_ : (any_ ? 2 : 1); }
    void SetMaxCharBytes(unsigned bytes) { maxCharBytes_ = bytes; }

private:
    std::array<bool, 256> lead_{};
    bool any_ = false;
    unsigned maxCharBytes_ = 0;  // 0: as the lead bytes say
};

// The system holds names to limits counted in characters (UTF-16 units). The
// fewest characters it can make of these bytes: exact for single-byte code
// pages and for well-formed double-byte text, and never more than the real
// count for any other, so that no text is taken for longer than it is.
std::size_t FewestChars(std::string_view text, const LeadBytes& leadBytes);
// The bytes of the longest beginning of the text that holds no more than
// `chars` characters by that count; a two-byte character is not cut.
std::size_t BytesOfFewestChars(std::string_view text, std::size_t chars, const LeadBytes& leadBytes);

// The ANSI code page as the text helpers see it: which bytes open a two-byte
// character, and the upper-case form of every other byte. The second byte of
// a two-byte character is never folded: it is part of the character, not a
// letter of its own.
class AnsiCodePage {
public:
    // Windows-1252, the code page of the machines we ship to.
    AnsiCodePage();
    // upper[b] is the system's upper case of the single byte b; entries for
    // lead bytes are not used.
    AnsiCodePage(const std::array<unsigned char, 256>& upper, const LeadBytes& leadBytes);

    const LeadBytes& Leads() const { return leads_; }
    // The byte's upper case as a single character (lead bytes unchanged).
    unsigned char UpperByte(unsigned char b) const { return upper_[b]; }
    std::string Upper(std::string_view text) const;
    // Order of the texts compared upper-cased, byte by byte.
    int Compare(std::string_view a, std::string_view b) const;
    bool Equals(std::string_view a, std::string_view b) const;

private:
    std::array<unsigned char, 256> upper_{};
    LeadBytes leads_;
};

// The code page UpperAnsi, EqualsNoCase, CompareNoCase and the separator
// helpers below follow: Windows-1252 until the program installs the system's
// own. The program does that once at start, before any other thread runs.
const AnsiCodePage& ActiveCodePage();
void InstallCodePage(const AnsiCodePage& codePage);

std::string UpperAnsi(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Order of names compared upper-cased, byte by byte: the order in which the
// registry enumerates subkeys.
int CompareNoCase(std::string_view a, std::string_view b);

// Separators in paths and key paths. A 0x5C byte that is the second byte of a
// two-byte character (as in many Shift-JIS characters) separates nothing.
bool EndsInBackslash(std::string_view path, const LeadBytes& leadBytes = ActiveCodePage().Leads());
// The path with a backslash at its end: one is added only when it has none
// (an empty path becomes "\").
std::string WithTrailingBackslash(std::string path, const LeadBytes& leadBytes = ActiveCodePage().Leads());
// One trailing backslash taken off, when there is one.
std::string_view WithoutTrailingBackslash(std::string_view path,
                                          const LeadBytes& leadBytes = ActiveCodePage().Leads());
// Positions of the first and the last separating backslash; npos for none.
std::size_t FirstBackslash(std::string_view path, const LeadBytes& leadBytes = ActiveCodePage().Leads());
std::size_t LastBackslash(std::string_view path, const LeadBytes& leadBytes = ActiveCodePage().Leads());

// "%d" for n > 9, "0%d" otherwise: 7 gives "07", 0 gives "00", 10 gives "10".
std::string TwoDigits(int n);
// ROT13 of ASCII letters; every other byte unchanged.
std::string Rot13Text(std::string_view s);

// Blanks (space and control characters up to 0x20) removed at both ends.
std::string Trim(std::string_view s);

}  // namespace ks
