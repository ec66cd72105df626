// The post-scan filter over any findings and ignore lists. What it keeps is
// one row of each group of twins, less the rows a rule rejects, in order;
// matching ignores case; another ignore entry never brings a row back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "repair/filter.h"
#include "repair/problem_list.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "filter: %s\n", what);
    std::abort();
}

// Texts built mostly from the pieces findings and lists are made of.
std::string Piece(ks::fuzz::Input& input) {
    static const char* const pieces[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "\\",
                                         "Software",           "Microsoft",          "Windows",           "CLSID",
                                         "?",                  "Run",                "C:\\Users\\",       "x",
                                         "*",                  " ",                  "{",                 "}"};
    std::string text;
    const int count = input.Byte() % 8;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t pick = input.Byte();
        if (pick < 0xE0) text += pieces[pick % (sizeof pieces / sizeof pieces[0])];
        else text += input.Text(12);
    }
    return text;
}

std::vector<std::string> List(ks::fuzz::Input& input) {
    std::vector<std::string> list(input.Byte() % 5);
    for (auto& entry : list) entry = Piece(input);
    return list;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

std::vector<ks::Finding> Survivors(const std::vector<ks::Finding>& rows, const std::vector<std::string>& values,
                                   const std::vector<std::string>& keys, const ks::UnrepairedFindings& unrepaired,
                                   std::uint8_t version) {
    ks::ProblemListModel list;
    for (const auto& row : rows) list.Append(row);
    const std::size_t removed = ks::RemoveFilteredFindings(list, ks::FilterInputs{values, keys, unrepaired, version});
    if (removed + list.Count() != rows.size()) Fail("rows counted wrong");
    std::vector<ks::Finding> kept;
    for (std::size_t i = 0; i < list.Count(); ++i) kept.push_back(list.Row(i));
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ks::fuzz::Input input(data, size);
    const std::uint8_t version = static_cast<std::uint8_t>(input.Byte() % 14);
    std::vector<ks::Finding> rows(input.Byte() % 8);
    for (auto& row : rows) {
        row.Problem = "p";
        row.KeyPath = Piece(input);
        row.Value = Piece(input);
        row.RemovalKind = *ks::RemovalKindFromInt(input.Byte() % 7);
    }
    const std::vector<std::string> values = List(input);
    const std::vector<std::string> keys = List(input);
    ks::UnrepairedFindings unrepaired;
    for (int i = input.Byte() % 3; i > 0; --i) unrepaired.Add(Piece(input), Piece(input));
    const std::string extra = Piece(input);

    const auto kept = Survivors(rows, values, keys, unrepaired, version);
    // Twins go first; of the rest, those no rule rejects stay.
    ks::KeyAliases aliases;
    ks::ProblemListModel once;
    for (const auto& row : rows) once.Append(row);
    ks::RemoveTwinFindings(once, aliases);
    const std::vector<std::string> combined = ks::CombinedKeyList(keys, version);
    std::vector<ks::Finding> expected;
    for (std::size_t i = 0; i < once.Count(); ++i) {
        const ks::Finding& row = once.Row(i);
        if (!ks::FailsFixedRules(row) && !unrepaired.Contains(row.KeyPath, row.Value) &&
            !ks::MatchesIgnoreLists(row, values, combined, &aliases))
            expected.push_back(row);
    }
    if (kept != expected) Fail("the rows kept are not the rows no rule rejects, in order");

    // Case does not matter to any list.
    std::vector<std::string> upperValues;
    std::vector<std::string> upperKeys;
    for (const auto& v : values) upperValues.push_back(Upper(v));
    for (const auto& k : keys) upperKeys.push_back(Upper(k));
    if (Survivors(rows, upperValues, upperKeys, unrepaired, version) != kept) Fail("matching depends on case");

    // One more entry in either list keeps a subset of the rows.
    for (const bool toValues : {false, true}) {
        auto moreValues = values;
        auto moreKeys = keys;
        (toValues ? moreValues : moreKeys).push_back(extra);
        const auto fewer = Survivors(rows, moreValues, moreKeys, unrepaired, version);
        std::size_t at = 0;
        for (const auto& row : fewer) {
            while (at < kept.size() && !(kept[at] == row)) ++at;
            if (at == kept.size()) Fail("another ignore entry brought a row back");
            ++at;
        }
    }
    return 0;
}
