// The ignore-list entry dialog.
#include "repair/win/reg_add_registry_dialog.h"

#include "repair/reg_add_registry_form.h"
#include "restore/win/registry_editor_path.h"
#include "ui/win/prompts.h"

namespace ks {

TfrmRegAddRegistry::TfrmRegAddRegistry(std::string preset)
    : Dialog(RegAddRegistryForm()), preset_(std::move(preset)) {
    OnAction("aOK", [this] { SetModalResult(ui::kModalOK); },
             [this] { return AcceptsIgnoreEntry(Text("eRegistryKey")); });
    OnClick("bCancel", [this] { SetModalResult(ui::kModalCancel); });
    OnClick("bLaunchRegedit", [this] { bLaunchRegeditClick(); });
}

void TfrmRegAddRegistry::FormShow() {
    SetText("eRegistryKey", preset_);
    ApplyActiveLanguage();
    UpdateActions();
}

// The program runs elevated: the editor is named by its full path, never
// found by a search. It is started and left to run; the dialog stays open.
void TfrmRegAddRegistry::bLaunchRegeditClick() {
    const std::string editor = RegistryEditorPath();
    if (!editor.empty()) ui::CurrentPrompts().OpenAddress(Handle(), editor);
}

std::optional<std::string> EditIgnoreEntry(HWND owner, const std::string& preset) {
    TfrmRegAddRegistry dialog(preset);
    if (dialog.ShowModal(owner) != ui::kModalOK) return std::nullopt;
    return dialog.Text("eRegistryKey");
}

}  // namespace ks
