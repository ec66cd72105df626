// Parsing the command line of keyscrub-cli.
#include "cli/cli_arguments.h"

#include <algorithm>
#include <set>

#include "scan/task_ids.h"

namespace ks::cli {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

// A section id: one or two decimal digits naming a task.
std::optional<int> SectionId(std::string_view text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    int id = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        id = id * 10 + (c - '0');
    }
    if (id < kFirstTaskId || id > kLastTaskId) return std::nullopt;
    return id;
}

// Quoted for an error line; control bytes would garble the console.
std::string Shown(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text.substr(0, 40)) shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    if (text.size() > 40) shown += "...";
    return shown + "\"";
}

CliError Error(std::string message) { return CliError{std::move(message)}; }

struct OptionInfo {
    const char* name;
    bool takesValue;
    // The commands it belongs to.
    std::initializer_list<CommandKind> commands;
};

const OptionInfo kOptions[] = {
    {"--sections", true, {CommandKind::Scan, CommandKind::Repair}},
    {"--format", true, {CommandKind::Scan}},
    {"--output", true, {CommandKind::Scan}},
    {"--no-settings", false, {CommandKind::Scan, CommandKind::Repair}},
    {"--backup-dir", true, {CommandKind::Repair}},
    {"--dry-run", false, {CommandKind::Repair}},
    {"--details", false, {CommandKind::Scan, CommandKind::Repair}},
    {"--dir", true, {CommandKind::Backups}},
};

const OptionInfo* FindOption(std::string_view name) {
    for (const OptionInfo& option : kOptions)
        if (name == option.name) return &option;
    return nullptr;
}

std::optional<CommandKind> CommandNamed(std::string_view name) {
    if (name == "scan") return CommandKind::Scan;
    if (name == "repair") return CommandKind::Repair;
    if (name == "backups") return CommandKind::Backups;
    if (name == "restore") return CommandKind::Restore;
    return std::nullopt;
}

// Applies one option with its value; an error line when the value is bad.
std::optional<CliError> Apply(CliCommand& command, std::string_view name, const std::string& value) {
    if (name == "--sections") {
        auto parsed = ParseSectionList(value);
        if (auto* error = std::get_if<CliError>(&parsed)) return *error;
        command.sections = std::get<std::vector<int>>(std::move(parsed));
    } else if (name == "--format") {
        if (EqualsIgnoringCase(value, "text")) command.format = OutputFormat::Text;
        else if (EqualsIgnoringCase(value, "csv")) command.format = OutputFormat::Csv;
        else if (EqualsIgnoringCase(value, "json")) command.format = OutputFormat::Json;
        else return Error("unknown format " + Shown(value) + " (text, csv or json)");
    } else if (name == "--output") {
        if (value.empty()) return Error("--output needs a file name");
        command.outputFile = value;
    } else if (name == "--no-settings") {
        command.noSettings = true;
    } else if (name == "--backup-dir") {
        if (value.empty()) return Error("--backup-dir needs a folder");
        command.backupDir = value;
    } else if (name == "--dry-run") {
        command.dryRun = true;
    } else if (name == "--details") {
        command.details = true;
    } else if (name == "--dir") {
        if (value.empty()) return Error("--dir needs a folder");
        command.listDir = value;
    }
    return std::nullopt;
}

}  // namespace

std::variant<std::vector<int>, CliError> ParseSectionList(std::string_view text) {
    const std::string_view whole = Trimmed(text);
    if (EqualsIgnoringCase(whole, "all")) {
        std::vector<int> all;
        for (int id = kFirstTaskId; id <= kLastTaskId; ++id) all.push_back(id);
        return all;
    }
    if (whole.empty()) return Error("empty section list");
    std::set<int> ids;
    std::string_view rest = whole;
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view part = Trimmed(rest.substr(0, comma));
        const std::size_t dash = part.find('-');
        const auto first = SectionId(Trimmed(part.substr(0, dash)));
        const auto last = dash == std::string_view::npos ? first : SectionId(Trimmed(part.substr(dash + 1)));
        if (!first || !last)
            return Error("bad section " + Shown(part) + " (ids " + std::to_string(kFirstTaskId) + " to " +
                         std::to_string(kLastTaskId) + ", ranges like 3-5, or all)");
        if (*first > *last) return Error("backward section range " + Shown(part));
        for (int id = *first; id <= *last; ++id) ids.insert(id);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return std::vector<int>(ids.begin(), ids.end());
}

CliParse ParseCliArguments(const std::vector<std::string>& arguments) {
    CliCommand command;
    if (arguments.empty()) return Error("no command given");
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-h" || first == "/?" || first == "help") {
        if (arguments.size() > 1) return Error("--help takes nothing after it");
        return command;
    }
    if (first == "--version") {
        if (arguments.size() > 1) return Error("--version takes nothing after it");
        command.kind = CommandKind::Version;
        return command;
    }
    const auto kind = CommandNamed(first);
    if (!kind) return Error("unknown command " + Shown(first));
    command.kind = *kind;

    std::set<std::string> seen;
    bool haveFile = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            command = CliCommand{};
            return command;
        }
        if (!argument.starts_with("--")) {
            if (command.kind != CommandKind::Restore || haveFile)
                return Error("unexpected argument " + Shown(argument));
            if (argument.empty()) return Error("restore needs a backup file");
            command.restoreFile = argument;
            haveFile = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionInfo* option = FindOption(name);
        if (!option) return Error("unknown option " + Shown(name));
        if (std::find(option->commands.begin(), option->commands.end(), command.kind) == option->commands.end())
            return Error(name + " does not go with " + first);
        if (!seen.insert(name).second) return Error(name + " given twice");
        std::string value;
        if (option->takesValue) {
            if (equals != std::string::npos) value = argument.substr(equals + 1);
            else if (i + 1 < arguments.size()) value = arguments[++i];
            else return Error(name + " needs a value");
        } else if (equals != std::string::npos) {
            return Error(name + " takes no value");
        }
        if (auto error = Apply(command, name, value)) return *error;
    }
    if (command.kind == CommandKind::Restore && !haveFile) return Error("restore needs a backup file");
    return command;
}

std::string UsageText() {
    return "usage: keyscrub-cli scan [--sections LIST] [--format text|csv|json] [--output FILE] [--details]\n"
           "                        [--no-settings]\n"
           "       keyscrub-cli repair [--sections LIST] [--backup-dir DIR] [--dry-run] [--details] [--no-settings]\n"
           "       keyscrub-cli backups [--dir DIR]\n"
           "       keyscrub-cli restore FILE\n"
           "       keyscrub-cli --help | --version\n"
           "LIST: section ids and ranges (3-5,12) or all; default: the sections ticked in options.ini\n"
           "--details: each finding's reason and what its repair deletes\n"
           "exit codes: 0 nothing found, or all repaired or restored; 1 findings present, or some left;\n"
           "            2 usage error; 3 failure\n";
}

}  // namespace ks::cli
