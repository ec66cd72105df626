// The tables of the main window and of its About box.
#pragma once

#include "ui/form_table.h"

namespace ks {

// TfrmRegCleaner: header, task buttons, scan-section tree, problem list,
// status bar, menu bar and the list's pop-up menu.
const ui::FormDef& MainForm();

// TfrmAbout.
const ui::FormDef& AboutForm();

// The main window's outer size as designed; the table holds the client area.
constexpr int kMainDesignWidth = 684;
constexpr int kMainDesignHeight = 520;

}  // namespace ks
