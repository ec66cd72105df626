// The options dialog: controls filled from Settings on show, written back on OK.
#include "settings/win/options_dialog.h"

#include "settings/localisation.h"
#include "settings/options.h"
#include "settings/options_form.h"
#include "settings/settings.h"
#include "settings/win/shell_helpers.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {

namespace {

constexpr char kPages[] = "suiPageControl1";
constexpr char kListPages[] = "suiPageControl2";
constexpr char kFolder[] = "eOutputFolder";

void FillList(HWND list, const std::vector<std::string>& entries) {
    ui::DeleteAllRows(list);
    for (const std::string& entry : entries) ui::AddRow(list, {entry});
}

std::vector<std::string> Captions(HWND list) {
    std::vector<std::string> captions;
    for (int row = 0; row < ui::RowCount(list); ++row) captions.push_back(ui::RowText(list, row));
    return captions;
}

}  // namespace

TfrmOptions::TfrmOptions(IgnoreEntryEditor editEntry) : Dialog(OptionsForm()), editEntry_(std::move(editEntry)) {
    OnClick("bOK", [this] { bOKClick(); });
    OnClick("bCancel", [this] { SetModalResult(ui::kModalCancel); });
    OnClick("bBrowse", [this] { bBrowseClick(); });
    OnClick("bAdd", [this] { bAddClick(); });
    OnClick("bEdit", [this] { bEditClick(); });
    OnClick("bRemove", [this] { bRemoveClick(); });
    OnDoubleClick("lvValues", [this] { bEditClick(); });
    OnDoubleClick("lvKeys", [this] { bEditClick(); });
}

void TfrmOptions::FormShow() {
    SetText(kFolder, Settings.OutputDirectory);
    for (const OptionSwitch& option : kOptionSwitches) SetChecked(option.control, Settings.*option.setting);
    FillList(Control("lvValues"), ShownIgnoreValues(Settings));
    FillList(Control("lvKeys"), ShownIgnoreKeys(Settings));
    SetActivePage(kPages, 0);
    ApplyActiveLanguage();
    SetText("cbCreateRestore", RestorePointCaption(Text("cbCreateRestore")));
}

HWND TfrmOptions::ActiveList() const {
    return Control(ActiveIgnoreList(ActivePage(kListPages)) == IgnoreListChoice::Keys ? "lvKeys" : "lvValues");
}

void TfrmOptions::bOKClick() {
    const std::string folder = Text(kFolder);
    if (!FolderExists(folder)) {
        ui::CurrentPrompts().ShowMessage(Handle(), MissingBackupFolderMessage(folder), MB_OK | MB_ICONERROR);
        SetActivePage(kPages, 0);
        SetFocus(Control(kFolder));
        return;
    }
    Settings.OutputDirectory = folder;
    for (const OptionSwitch& option : kOptionSwitches) Settings.*option.setting = Checked(option.control);
    StoreIgnoreLists(Settings, Captions(Control("lvValues")), Captions(Control("lvKeys")));
    SetModalResult(ui::kModalOK);
}

void TfrmOptions::bBrowseClick() {
    const auto picked = ui::CurrentPrompts().PickFolder(
        Handle(), LookupText("RES_Select_Directory", "Please select the directory to add"), {});
    if (picked) SetText(kFolder, *picked);
}

void TfrmOptions::bAddClick() {
    if (!editEntry_) return;
    const auto entry = editEntry_(Handle(), "");
    if (!entry) return;
    const HWND list = ActiveList();
    if (CanAddIgnoreEntry(Captions(list), *entry)) ui::AddRow(list, {*entry});
}

void TfrmOptions::bEditClick() {
    const HWND list = ActiveList();
    const int row = ui::SelectedRow(list);
    if (row < 0 || !editEntry_) return;
    const auto entry = editEntry_(Handle(), ui::RowText(list, row));
    if (entry) ui::SetRowText(list, row, 0, *entry);
}

void TfrmOptions::bRemoveClick() {
    const HWND list = ActiveList();
    std::vector<bool> ticked;
    for (int row = 0; row < ui::RowCount(list); ++row) ticked.push_back(ui::RowChecked(list, row));
    for (const int row : TickedRowsLastFirst(ticked)) ui::DeleteRow(list, row);
}

void ShowOptions(HWND owner, IgnoreEntryEditor editEntry) {
    TfrmOptions dialog(std::move(editEntry));
    dialog.ShowModal(owner);
}

}  // namespace ks
