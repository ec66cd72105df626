// The four commands of keyscrub-cli over this machine. Each answers the exit
// code; what it finds goes to stdout (or the output file), messages to stderr.
#pragma once

#include "cli/cli_arguments.h"

namespace ks::cli {

int RunCliCommand(const CliCommand& command);

}  // namespace ks::cli
