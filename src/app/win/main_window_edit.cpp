// The main window's edit commands on the problem list: adding rows to the
// ignore lists, the text report and the jump into the registry editor.
#include "app/product.h"
#include "app/win/main_window.h"
#include "repair/ignore_list_add.h"
#include "repair/registry_jump.h"
#include "repair/win/registry_editor_jump.h"
#include "repair/win/text_report_command.h"
#include "settings/settings.h"

namespace ks {

void TfrmRegCleaner::aIgnoreListAddExecute() {
    bulkChange_ = true;
    try {
        AddSelectedToIgnoreLists(problems_, Settings);
    } catch (...) {
        bulkChange_ = false;
        throw;
    }
    bulkChange_ = false;
    UpdateProblemCounts();
}

bool TfrmRegCleaner::aSaveTextUpdate() const { return problems_.Count() > 0; }

void TfrmRegCleaner::aSaveTextExecute() { SaveTextReport(Handle(), problems_, product::kHomePage); }

// Shared by "Add to &Ignore Lists": both need a registry row in focus.
bool TfrmRegCleaner::aOpenRegeditUpdate() const {
    const std::optional<std::size_t> focused = problems_.Focused();
    return focused && problems_.Row(*focused).RemovalKind != RemovalKind::DeleteFile;
}

void TfrmRegCleaner::aOpenRegeditExecute() {
    const std::optional<std::size_t> focused = problems_.Focused();
    if (!focused) return;
    OpenRegistryEditorAt(Handle(), RegistryJumpPath(problems_.Row(*focused)));
}

}  // namespace ks
