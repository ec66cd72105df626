// The plain-text report of the problem list and the naming of its file.
#pragma once

#include <string>
#include <string_view>

#include "repair/problem_list.h"

namespace ks {

// Between the columns of a report line.
inline constexpr char kReportSeparator[] = "  #####  ";

// The chosen name with ".txt" appended unless its extension (from its last
// ".") is exactly ".txt", case and all: "a.TXT" becomes "a.TXT.txt".
std::string TextReportFileName(std::string chosen);

// The whole report: two header lines naming the program and `webAddress`, an
// empty line, then one line per row in list order, checked or not: Problem,
// KeyPath and Value joined by kReportSeparator. Every line ends with CR LF.
std::string TextReport(const ProblemList& list, std::string_view webAddress);

// The question before an existing file is replaced: the name directly
// followed by the built-in wording.
std::string ReportOverwriteQuestion(std::string_view fileName);

// The language key of the note that a report could not be written, and the
// whole note for one file.
inline constexpr char kReportNotWrittenKey[] = "RES_SaveText_Fail";
std::string ReportNotWrittenMessage(std::string_view wording, std::string_view fileName);

}  // namespace ks
