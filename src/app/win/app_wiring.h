// Connects the main window to the commands other parts of the program bring:
// the scan under its progress dialog, the repair, and the dialogs that open
// from the menus. The one place where a new command is bound.
#pragma once

namespace ks {

class TfrmRegCleaner;

void WireMainWindow(TfrmRegCleaner& window);

}  // namespace ks
