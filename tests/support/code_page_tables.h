// ANSI code pages as the system builds them for the text helpers: recorded
// from SystemCodePage() under Wine 8.0 with LC_ALL=ru_RU.UTF-8 (1251) and
// LC_ALL=ja_JP.UTF-8 (932), and with no locale set (1252). The Wine test
// CodePageTest.SystemTableIsTheRecordedOne checks them against the system of
// the code page it runs in.
#pragma once

#include <array>
#include <initializer_list>
#include <utility>

#include "base/text.h"

namespace ks::test {

struct RecordedCodePage {
    unsigned id;
    // Runs of bytes whose upper case is another byte: first, last, and the
    // upper case of `first` (the run maps in step).
    std::initializer_list<std::array<unsigned char, 3>> upperRuns;
    std::initializer_list<std::pair<unsigned char, unsigned char>> leadRanges;

    std::array<unsigned char, 256> UpperTable() const {
        std::array<unsigned char, 256> upper{};
        for (int c = 0; c < 256; ++c) upper[c] = static_cast<unsigned char>(c);
        for (const auto& run : upperRuns)
            for (int c = run[0]; c <= run[1]; ++c) upper[c] = static_cast<unsigned char>(run[2] + (c - run[0]));
        return upper;
    }
    LeadBytes Leads() const {
        LeadBytes leads;
        for (const auto& range : leadRanges) leads.AddRange(range.first, range.second);
        return leads;
    }
    AnsiCodePage Make() const { return AnsiCodePage(UpperTable(), Leads()); }
};

inline const RecordedCodePage kWestern1252{
    1252,
    {{0x61, 0x7A, 0x41}, {0x9A, 0x9A, 0x8A}, {0x9C, 0x9C, 0x8C}, {0x9E, 0x9E, 0x8E},
     {0xE0, 0xF6, 0xC0}, {0xF8, 0xFE, 0xD8}, {0xFF, 0xFF, 0x9F}},
    {}};

inline const RecordedCodePage kCyrillic1251{
    1251,
    {{0x61, 0x7A, 0x41}, {0x83, 0x83, 0x81}, {0x90, 0x90, 0x80}, {0x9A, 0x9A, 0x8A}, {0x9C, 0x9F, 0x8C},
     {0xA2, 0xA2, 0xA1}, {0xB3, 0xB3, 0xB2}, {0xB4, 0xB4, 0xA5}, {0xB8, 0xB8, 0xA8}, {0xBA, 0xBA, 0xAA},
     {0xBC, 0xBC, 0xA3}, {0xBE, 0xBE, 0xBD}, {0xBF, 0xBF, 0xAF}, {0xE0, 0xFF, 0xC0}},
    {}};

inline const RecordedCodePage kShiftJis932{
    932,
    {{0x61, 0x7A, 0x41}},
    {{0x81, 0x9F}, {0xE0, 0xFC}}};

// Installs a code page for the text helpers while it lives; the one before
// comes back after.
class ScopedCodePage {
public:
    explicit ScopedCodePage(const AnsiCodePage& codePage) : previous_(ActiveCodePage()) { InstallCodePage(codePage); }
    ~ScopedCodePage() { InstallCodePage(previous_); }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    AnsiCodePage previous_;
};

}  // namespace ks::test
