// The console program's command line and what it writes. The input is the
// argument list, NUL-separated. Whatever it holds: a command or a one-line
// error, never both and never a crash; a parsed section list is ascending,
// without repeats, within the task ids, and reads back the same when written
// out again; every argument survives JSON and CSV quoting exactly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/cli_output.h"
#include "scan/task_ids.h"
#include "support/cli_readers.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "cli arguments: %s [%s]\n", what, detail.c_str());
    std::abort();
}

bool IsUtf8(const std::string& text) {
    // Decoding the escaped literal gives the text back only for valid UTF-8.
    const auto back = ks::test::JsonReader::Read(ks::cli::JsonString(text));
    return back && back->text == text;
}

void CheckSections(const std::vector<int>& ids, const std::string& source) {
    std::string written;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] < ks::kFirstTaskId || ids[i] > ks::kLastTaskId) Fail("section out of range", source);
        if (i > 0 && ids[i] <= ids[i - 1]) Fail("sections not ascending", source);
        written += (i ? "," : "") + std::to_string(ids[i]);
    }
    if (ids.empty()) Fail("an empty section list parsed", source);
    const auto again = ks::cli::ParseSectionList(written);
    if (!std::holds_alternative<std::vector<int>>(again) || std::get<std::vector<int>>(again) != ids)
        Fail("section list does not read back", source);
}

void CheckQuoting(const std::string& text) {
    const auto json = ks::test::JsonReader::Read(ks::cli::JsonString(text));
    if (!json || json->kind != ks::test::Json::Kind::String) Fail("JSON string unreadable", text);
    // Valid UTF-8 comes back unchanged; anything else is mended, never dropped.
    bool ascii = true;
    for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii && json->text != text) Fail("JSON string changed", text);
    if (json->text.size() < text.size() && IsUtf8(text)) Fail("JSON string shortened", text);
    const auto csv = ks::test::ReadCsv(ks::cli::CsvField(text) + "," + ks::cli::CsvField(text) + "\r\n");
    if (!csv || csv->size() != 1 || (*csv)[0] != std::vector<std::string>{text, text}) Fail("CSV field", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    for (std::size_t at = 0; at <= input.size();) {
        const std::size_t end = input.find('\0', at);
        arguments.push_back(input.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (input.empty()) arguments.clear();

    const ks::cli::CliParse parsed = ks::cli::ParseCliArguments(arguments);
    if (const auto* error = std::get_if<ks::cli::CliError>(&parsed)) {
        if (error->message.empty()) Fail("empty error", input);
        for (const char c : error->message)
            if (static_cast<unsigned char>(c) < 0x20) Fail("error is not one printable line", error->message);
    } else {
        const auto& command = std::get<ks::cli::CliCommand>(parsed);
        if (command.sections) CheckSections(*command.sections, input);
        if (command.kind == ks::cli::CommandKind::Restore && command.restoreFile.empty()) Fail("restore without file", input);
    }
    for (const std::string& argument : arguments) {
        const auto sections = ks::cli::ParseSectionList(argument);
        if (const auto* ids = std::get_if<std::vector<int>>(&sections)) CheckSections(*ids, argument);
        CheckQuoting(argument);
    }
    return 0;
}
