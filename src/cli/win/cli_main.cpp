// Process entry of keyscrub-cli.exe, the console companion of keyscrub.exe.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "app/win/process_start.h"
#include "base/win/system_code_page.h"
#include "cli/cli_arguments.h"
#include "cli/cli_results.h"
#include "cli/win/cli_commands.h"

namespace {

void ReportToConsole(const std::string& what) { std::fprintf(stderr, "keyscrub-cli: %s\r\n", what.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    ks::LoadLibrariesFromSystemFolderOnly();
    ks::EndOnTerminate(&ReportToConsole, ks::cli::kExitFailure);
    // Line ends are written as they are meant: CR LF, never doubled.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    // Names are compared as this system folds case, from the start on.
    ks::InstallCodePage(ks::SystemCodePage());

    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const ks::cli::CliParse parsed = ks::cli::ParseCliArguments(arguments);
    int code = ks::cli::kExitUsage;
    if (const auto* error = std::get_if<ks::cli::CliError>(&parsed)) {
        std::string text = "keyscrub-cli: " + error->message + "\r\n" + ks::cli::UsageText();
        for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at)
            if (at == 0 || text[at - 1] != '\r') text.insert(at++, 1, '\r');
        std::fwrite(text.data(), 1, text.size(), stderr);
    } else {
        try {
            code = ks::cli::RunCliCommand(std::get<ks::cli::CliCommand>(parsed));
        } catch (...) {
            ReportToConsole(ks::CurrentFailureText());
            code = ks::cli::kExitFailure;
        }
    }
    std::fflush(stdout);
    std::fflush(stderr);
    // A worker stopped by Ctrl+C may still be running: end the process
    // without unwinding what it might still be reading.
    ExitProcess(static_cast<UINT>(code));
}
