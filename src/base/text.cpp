// Text helpers shared across the program.
#include "base/text.h"

#include <algorithm>

namespace ks {

void LeadBytes::AddRange(unsigned char first, unsigned char last) {
    for (unsigned c = first; c <= last; ++c) {
        lead_[c] = true;
        any_ = true;
    }
}

bool LeadBytes::IsComplete(std::string_view text) const {
    if (!any_) return true;
    for (size_t i = 0; i < text.size(); ++i)
        if (IsLead(text[i]) && ++i == text.size()) return false;
    return true;
}

AnsiCodePage::AnsiCodePage() {
    for (int c = 0; c < 256; ++c) upper_[c] = static_cast<unsigned char>(UpperAnsiChar(static_cast<char>(c)));
}

AnsiCodePage::AnsiCodePage(const std::array<unsigned char, 256>& upper, const LeadBytes& leadBytes)
    : upper_(upper), leads_(leadBytes) {
    // A lead byte stays itself, and no other byte becomes one: folding never
    // changes where the characters of a text begin.
    for (int c = 0; c < 256; ++c)
        if (leads_.IsLead(static_cast<char>(c)) || leads_.IsLead(static_cast<char>(upper_[c])))
            upper_[c] = static_cast<unsigned char>(c);
}

std::string AnsiCodePage::Upper(std::string_view text) const {
    std::string out(text);
    if (!leads_.Any()) {
        for (char& c : out) c = static_cast<char>(upper_[static_cast<unsigned char>(c)]);
        return out;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        if (leads_.IsLead(out[i])) ++i;  // the character's second byte stays as it is
        else out[i] = static_cast<char>(upper_[static_cast<unsigned char>(out[i])]);
    }
    return out;
}

int AnsiCodePage::Compare(std::string_view a, std::string_view b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    // While the bytes so far are equal both texts are at the same place of a
    // character, so one flag says for both whether this byte is a second byte.
    bool second = false;
    for (size_t i = 0; i < n; ++i) {
        const auto rawA = static_cast<unsigned char>(a[i]);
        const auto rawB = static_cast<unsigned char>(b[i]);
        const unsigned char x = second ? rawA : upper_[rawA];
        const unsigned char y = second ? rawB : upper_[rawB];
        if (x != y) return x < y ? -1 : 1;
        second = !second && leads_.IsLead(a[i]);
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool AnsiCodePage::Equals(std::string_view a, std::string_view b) const {
    return a.size() == b.size() && Compare(a, b) == 0;
}

namespace {

AnsiCodePage& Active() {
    static AnsiCodePage active;
    return active;
}

}  // namespace

const AnsiCodePage& ActiveCodePage() { return Active(); }

void InstallCodePage(const AnsiCodePage& codePage) { Active() = codePage; }

std::string UpperAnsi(std::string_view s) { return Active().Upper(s); }

int CompareNoCase(std::string_view a, std::string_view b) { return Active().Compare(a, b); }

bool EqualsNoCase(std::string_view a, std::string_view b) { return Active().Equals(a, b); }

std::size_t FewestChars(std::string_view text, const LeadBytes& leadBytes) {
    const unsigned most = leadBytes.MaxCharBytes();
    if (most <= 1) return text.size();
    if (most > 2 || !leadBytes.Any()) return (text.size() + most - 1) / most;
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size(); ++chars) at += leadBytes.IsLead(text[at]) ? 2 : 1;
    return chars;
}

std::size_t BytesOfFewestChars(std::string_view text, std::size_t chars, const LeadBytes& leadBytes) {
    const unsigned most = leadBytes.MaxCharBytes();
    if (most <= 1) return std::min(chars, text.size());
    if (most > 2 || !leadBytes.Any()) return std::min(chars * most, text.size());
    // A lead byte alone at the end would be one more character.
    std::size_t at = 0;
    for (std::size_t counted = 0; counted < chars && at < text.size(); ++counted)
        at += leadBytes.IsLead(text[at]) ? 2 : 1;
    return std::min(at, text.size());
}

bool EndsInBackslash(std::string_view path, const LeadBytes& leadBytes) {
    return !path.empty() && path.back() == '\\' && leadBytes.IsComplete(path.substr(0, path.size() - 1));
}

std::string WithTrailingBackslash(std::string path, const LeadBytes& leadBytes) {
    if (!EndsInBackslash(path, leadBytes)) path.push_back('\\');
    return path;
}

std::string_view WithoutTrailingBackslash(std::string_view path, const LeadBytes& leadBytes) {
    if (EndsInBackslash(path, leadBytes)) path.remove_suffix(1);
    return path;
}

std::size_t FirstBackslash(std::string_view path, const LeadBytes& leadBytes) {
    if (!leadBytes.Any()) return path.find('\\');
    for (size_t i = 0; i < path.size(); ++i) {
        if (leadBytes.IsLead(path[i])) ++i;
        else if (path[i] == '\\') return i;
    }
    return std::string_view::npos;
}

std::size_t LastBackslash(std::string_view path, const LeadBytes& leadBytes) {
    if (!leadBytes.Any()) return path.rfind('\\');
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (leadBytes.IsLead(path[i])) ++i;
        else if (path[i] == '\\') last = i;
    }
    return last;
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
