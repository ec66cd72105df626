// The tables of the main window and of its About box.
#pragma once

#include "ui/form_spec.h"

namespace ks {

// TfrmRegCleaner: header, task buttons, scan-section tree, problem list,
// status bar, menu bar and the list's pop-up menu.
const ui::FormSpec& MainForm();

// TfrmAbout.
const ui::FormSpec& AboutForm();

// The main window's outer size as designed; the table holds the client area.
constexpr int kMainDesignWidth = 684;
constexpr int kMainDesignHeight = 520;

}  // namespace ks
