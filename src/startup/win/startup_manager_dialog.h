// TfrmStartupManager: the programs started at logon, with removal of the
// ticked ones after a backup.
#pragma once

#include <vector>

#include "startup/startup_list.h"
#include "ui/win/window.h"

namespace ks {

class TfrmStartupManager : public ui::Dialog {
public:
    TfrmStartupManager();

    void bSelectAllClick();
    void bSelectNoneClick();
    void bDeleteEntryClick();

    // The entries behind the rows, in row order.
    const std::vector<StartupEntry>& Entries() const { return entries_; }
    // What the latest "Delete Entry" did.
    const StartupDeleteOutcome& LastDeletion() const { return lastDeletion_; }

protected:
    void FormShow() override;

private:
    class Rows;

    std::vector<StartupEntry> entries_;
    StartupDeleteOutcome lastDeletion_;
};

// miStartupManagerClick: the dialog over `owner`, created for this use.
void ShowStartupManager(HWND owner);

}  // namespace ks
