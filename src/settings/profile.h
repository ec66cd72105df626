// Profile (INI) files read and written one key at a time, and an in-memory
// profile that answers the way the profile-string API does.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

// Every string value is read into a buffer of this size, terminator included,
// so at most kProfileValueBufferBytes - 1 characters of a value are seen.
constexpr std::size_t kProfileValueBufferBytes = 2048;
constexpr std::size_t kProfileValueMaxChars = kProfileValueBufferBytes - 1;

class Profile {
public:
    virtual ~Profile() = default;

    // The value of `key` in `section` (both matched ignoring case), as
    // GetPrivateProfileStringA gives it: blanks around it removed, one pair of
    // matching enclosing quotes removed, cut to kProfileValueMaxChars. A missing
    // key or file gives `defaultValue`, cut the same way.
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const = 0;

    // Writes one key, adding the section and the key when they are missing.
    // False when nothing could be written.
    virtual bool WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;

    // The key names of a section in file order; an empty list for a missing
    // section; nullopt when the list cannot be obtained at all.
    virtual std::optional<std::vector<std::string>> KeyNames(std::string_view section) const = 0;
};

// Decimal integer as a profile value holds it: an optional sign and digits,
// nothing else, within the range of int. Anything else is nullopt.
std::optional<int> ParseProfileInteger(std::string_view text);

// Whether a text can be stored as one profile value at all: a line break or a
// NUL would end the value early and start a line of its own in the file.
bool IsStorableProfileValue(std::string_view value);

// The text to write so that reading gives `value` back: the profile-string
// API strips blanks at both ends and one pair of enclosing quotes, so such a
// value is written inside an extra pair of double quotes. Everything else is
// written as it is.
std::string QuoteProfileValue(std::string_view value);

// A profile held in memory, for tests and for code that runs without Windows.
// Sections and keys keep the order in which they were first written.
class MemoryProfile : public Profile {
public:
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
    std::optional<std::vector<std::string>> KeyNames(std::string_view section) const override;

    // The file the profile-string API would have written: "[Section]" lines
    // and "key=value" lines, each ending in CR LF.
    std::string Text() const;

    // Faults, for tests: every write fails; the key list cannot be read.
    void FailWrites(bool fail) { failWrites_ = fail; }
    void FailKeyNames(bool fail) { failKeyNames_ = fail; }

    // Calls made, for tests.
    std::size_t reads() const { return reads_; }
    std::size_t writes() const { return writes_; }

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections_;
    bool failWrites_ = false;
    bool failKeyNames_ = false;
    mutable std::size_t reads_ = 0;
    std::size_t writes_ = 0;
};

}  // namespace ks
