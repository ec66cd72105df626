// TfrmRestore: lists the backup files of a folder, newest first, and restores
// or deletes the chosen one. A restore counts only when everything in the
// file came back; only then may the file be deleted.
#pragma once

#include <windows.h>

#include <string>

#include "ui/win/window.h"

namespace ks {

class TfrmRestore : public ui::Dialog {
public:
    TfrmRestore();

    // The handlers, as the buttons, the list and the actions run them.
    void bBrowseFolderClick();
    void bOpenDirectoryClick();
    void aRestoreExecute();
    bool aRestoreUpdate() const;
    void aDeleteExecute();
    void ListView1DblClick() { aRestoreExecute(); }

    // Fills the list from the folder; tells the user when it does not exist.
    void ListBackupFiles(const std::string& folder);

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    void LayOutButtons();
    std::string FileOfRow(int row) const;
    // Deletes the row's file with its shortcut copies, removes the row and
    // selects the row now at its place (or the new last one).
    void DeleteRowAndFile(int row);
};

// The main window's "R&estore previous registry...": the dialog, modally.
void bRestoreRegistryClick(HWND mainWindow);

}  // namespace ks
