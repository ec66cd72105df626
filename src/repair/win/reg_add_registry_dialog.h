// TfrmRegAddRegistry: one ignore-list entry typed or edited by hand.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/win/window.h"

namespace ks {

class TfrmRegAddRegistry : public ui::Dialog {
public:
    // `preset` is put in eRegistryKey when the dialog is shown.
    explicit TfrmRegAddRegistry(std::string preset = {});

    void bLaunchRegeditClick();

protected:
    void FormShow() override;

private:
    std::string preset_;
};

// Shows the dialog over `owner` with the field preset; the field's text on
// OK, nothing on cancel.
std::optional<std::string> EditIgnoreEntry(HWND owner, const std::string& preset);

}  // namespace ks
