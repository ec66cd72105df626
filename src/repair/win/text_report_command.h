// "&Save to Text File...": the save dialog, the overwrite question and the
// report file, all through the prompts in force.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "repair/problem_list.h"

namespace ks {

// Writes `content` as the whole file, replacing one that exists. False when
// the file cannot be created or not every byte reached it; a file left half
// written is removed.
[[nodiscard]] bool WriteTextReportFile(const std::string& fileName, std::string_view content);

// Asks for a file, appends ".txt" as needed, asks before replacing a file,
// writes the report of `list` and tells the user when it could not be written.
void SaveTextReport(HWND owner, const ProblemList& list, std::string_view webAddress);

}  // namespace ks
