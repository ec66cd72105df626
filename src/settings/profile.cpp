// Profile values: integers, quoting, and the in-memory profile.
#include "settings/profile.h"

#include <climits>

#include "base/text.h"

namespace ks {

namespace {

// The characters the profile-string API removes around a value.
bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool HasEnclosingQuotes(std::string_view text) {
    return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

std::string_view TrimProfileBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string CutToBuffer(std::string_view text) {
    return std::string(text.substr(0, kProfileValueMaxChars));
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulate as a negative number so that INT_MIN fits.
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 - (c - '0');
        if (value < INT_MIN) return std::nullopt;
    }
    if (!negative) {
        value = -value;
        if (value > INT_MAX) return std::nullopt;
    }
    return static_cast<int>(value);
}

bool IsStorableProfileValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string QuoteProfileValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (IsProfileBlank(value.front()) || IsProfileBlank(value.back()) || HasEnclosingQuotes(value));
    if (!needsQuotes) return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

const MemoryProfile::Section* MemoryProfile::FindSection(std::string_view name) const {
    for (const Section& section : sections_)
        if (EqualsNoCase(section.name, name)) return &section;
    return nullptr;
}

std::string MemoryProfile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    ++reads_;
    if (const Section* found = FindSection(section)) {
        for (const Entry& entry : found->entries) {
            if (!EqualsNoCase(entry.key, key)) continue;
            std::string_view value = TrimProfileBlanks(entry.value);
            if (HasEnclosingQuotes(value)) value = value.substr(1, value.size() - 2);
            return CutToBuffer(value);
        }
    }
    return CutToBuffer(defaultValue);
}

bool MemoryProfile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    ++writes_;
    if (failWrites_) return false;
    Section* target = nullptr;
    for (Section& existing : sections_)
        if (EqualsNoCase(existing.name, section)) target = &existing;
    if (!target) {
        sections_.push_back(Section{std::string(section), {}});
        target = &sections_.back();
    }
    for (Entry& entry : target->entries) {
        if (EqualsNoCase(entry.key, key)) {
            entry.value = std::string(value);
            return true;
        }
    }
    target->entries.push_back(Entry{std::string(key), std::string(value)});
    return true;
}

std::optional<std::vector<std::string>> MemoryProfile::KeyNames(std::string_view section) const {
    if (failKeyNames_) return std::nullopt;
    std::vector<std::string> names;
    if (const Section* found = FindSection(section))
        for (const Entry& entry : found->entries) names.push_back(entry.key);
    return names;
}

std::string MemoryProfile::Text() const {
    std::string text;
    for (const Section& section : sections_) {
        text += "[" + section.name + "]\r\n";
        for (const Entry& entry : section.entries) text += entry.key + "=" + entry.value + "\r\n";
    }
    return text;
}

}  // namespace ks
