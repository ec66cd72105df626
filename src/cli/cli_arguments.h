// The command line of keyscrub-cli: which command, its options, and the
// section lists ("3-5,12", "all") that choose the scan sections.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ks::cli {

enum class CommandKind { Help, Version, Scan, Repair, Backups, Restore };
enum class OutputFormat { Text, Csv, Json };

struct CliCommand {
    CommandKind kind = CommandKind::Help;
    // Task ids in tree order, no repeats; nothing means the ticked sections
    // of options.ini.
    std::optional<std::vector<int>> sections;
    OutputFormat format = OutputFormat::Text;
    std::string outputFile;  // empty: standard output
    bool noSettings = false;
    std::string backupDir;   // repair: empty means OutputDirectory of the settings
    bool dryRun = false;
    bool details = false;    // scan, repair: each finding's reason and what its repair deletes
    std::string listDir;     // backups: empty means OutputDirectory of the settings
    std::string restoreFile;

    friend bool operator==(const CliCommand&, const CliCommand&) = default;
};

// A usage error: one line, without a line end.
struct CliError {
    std::string message;

    friend bool operator==(const CliError&, const CliError&) = default;
};

using CliParse = std::variant<CliCommand, CliError>;

// The arguments after the program's name. Options take their value as the
// next argument or after "=" ("--format=json"); each may be given once.
CliParse ParseCliArguments(const std::vector<std::string>& arguments);

// "all", or ids and ranges of ids between 3 and 23 separated by commas,
// blanks allowed around each part: the ids in ascending (tree) order, each
// once. An error names what is wrong.
std::variant<std::vector<int>, CliError> ParseSectionList(std::string_view text);

// The usage text, lines ending in "\n".
std::string UsageText();

}  // namespace ks::cli
