// TfrmOptions: the backup folder, six switches and the two ignore lists,
// written into Settings only on OK.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/win/window.h"

namespace ks {

// Shows the entry dialog over `owner` with its field preset; the text on OK,
// nothing on cancel. The program's is EditIgnoreEntry (TfrmRegAddRegistry).
using IgnoreEntryEditor = std::function<std::optional<std::string>(HWND owner, const std::string& preset)>;

class TfrmOptions : public ui::Dialog {
public:
    explicit TfrmOptions(IgnoreEntryEditor editEntry);

    void bOKClick();
    void bBrowseClick();
    void bAddClick();
    void bEditClick();
    void bRemoveClick();

protected:
    void FormShow() override;

private:
    // The list the buttons of "Ignore Lists" work on.
    HWND ActiveList() const;

    IgnoreEntryEditor editEntry_;
};

// miOptionsClick: the dialog over `owner`, created for this use.
void ShowOptions(HWND owner, IgnoreEntryEditor editEntry);

}  // namespace ks
