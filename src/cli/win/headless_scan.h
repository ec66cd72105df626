// The scan without a window: the same worker and hand-over the progress
// dialog drives, delivered on the console program's main thread. Progress
// (section and key, one overwritten line) goes to stderr when it is a console.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "settings/settings.h"

namespace ks::cli {

struct HeadlessScan {
    std::vector<SectionFinding> findings;  // as found, before any filter
    bool finished = false;                 // every task ran
    bool stopped = false;                  // Ctrl+C
};

// Runs the sections (task ids) in the order given with `settings`.
HeadlessScan RunHeadlessScan(const std::vector<int>& sections, const SettingsRecord& settings);

// Whether stderr is a console window (not a file or a pipe).
bool StderrIsConsole();

}  // namespace ks::cli
