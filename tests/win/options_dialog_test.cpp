// The options dialog and the ignore-list entry dialog on real controls: the
// round trip from options.ini through the dialog and back to options.ini
// (OK writes, cancel leaves everything), the missing-folder message, the
// ignore-list buttons, and the entry dialog's OK rule and registry editor.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "backup_registry_dump.h"
#include "recording_prompts.h"
#include "repair/win/reg_add_registry_dialog.h"
#include "restore/win/registry_editor_path.h"
#include "settings/settings.h"
#include "settings/win/options_dialog.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

using test::RecordingPrompts;

constexpr UINT kPoke = WM_APP + 0x323;

std::string ReadProfile(const std::string& file, const char* section, const char* key) {
    char value[512] = {};
    GetPrivateProfileStringA(section, key, "<missing>", value, sizeof(value), file.c_str());
    return value;
}

void Write(const std::string& file, const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), file.c_str());
}

std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    for (int row = 0; row < ui::RowCount(list); ++row) rows.push_back(ui::RowText(list, row));
    return rows;
}

// A double-click on a list row, as the mouse gives it.
void DoubleClickRow(HWND list, int row) {
    RECT bounds{LVIR_LABEL};
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    const LPARAM at = MAKELPARAM(bounds.left + 4, (bounds.top + bounds.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
}

// Shows a dialog modally; `act` runs once it is up and must end it.
template <typename Act>
int RunModal(ui::Dialog& dialog, HWND owner, Act act) {
    dialog.Create(owner);
    dialog.OnMessage(kPoke, [&](WPARAM, LPARAM) -> LRESULT {
        act();
        return 0;
    });
    PostMessageA(dialog.Handle(), kPoke, 0, 0);
    return dialog.ShowModal(owner);
}

TEST(OptionsDialogTest, OKWritesThroughToOptionsIniAndCancelChangesNothing) {
    ui::InitializeUi();
    test::ScratchFolder first("options first");
    test::ScratchFolder second("options second");
    const std::string ini = first.path() + "\\options.ini";
    const std::string valueA = "HKEY_CURRENT_USER\\Software\\A\\v";
    const std::string valueB = "HKEY_CURRENT_USER\\Software\\B\\w";
    const std::string keyK = "HKEY_LOCAL_MACHINE\\Software\\K";
    for (const int button : {ui::kModalOK, ui::kModalCancel}) {
        SCOPED_TRACE(button);
        DeleteFileA(ini.c_str());
        Write(ini, "Options", "OutputDirectory", first.path());
        Write(ini, "Options", "Beep", "0");
        Write(ini, "Options", "ShowHint", "1");
        Write(ini, "IgnoreValue", "Count", "2");
        Write(ini, "IgnoreValue", "Value1", valueA);
        Write(ini, "IgnoreValue", "Value2", valueB);
        Write(ini, "IgnoreKey", "Count", "1");
        Write(ini, "IgnoreKey", "Key1", keyK);
        const std::string original = test::ReadWholeFile(ini);

        auto window = std::make_unique<TfrmRegCleaner>(MainWindowOptions{ini, "keyscrub.exe"});
        window->Show();
        Settings.Lan = "English";
        RecordingPrompts prompts;
        prompts.picked = second.path();
        ui::ScopedPrompts scoped(prompts);
        std::deque<std::optional<std::string>> answers = {"hkey_local_machine\\SOFTWARE\\k",
                                                          "HKEY_CURRENT_USER\\Software\\New", keyK, std::nullopt};
        std::vector<std::string> presets;
        TfrmOptions dialog([&](HWND, const std::string& preset) {
            presets.push_back(preset);
            auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
        std::string shownFolder;
        bool shownBeep = true;
        bool shownHint = false;
        int shownPage = -1;
        std::vector<std::string> shownValues;
        bool openAfterEmptyFolder = false;
        int pageAfterEmptyFolder = -1;
        std::vector<std::string> keysAfterEdits;
        std::vector<std::string> valuesAfterRemove;
        const int result = RunModal(dialog, window->Handle(), [&] {
            shownFolder = dialog.Text("eOutputFolder");
            shownBeep = dialog.Checked("cbBeep");
            shownHint = dialog.Checked("cbShowHint");
            shownPage = dialog.ActivePage("suiPageControl1");
            shownValues = Rows(dialog.Control("lvValues"));

            dialog.SetActivePage("suiPageControl1", 1);
            dialog.SetText("eOutputFolder", "");
            dialog.bOKClick();
            openAfterEmptyFolder = dialog.ModalResult() == ui::kModalNone;
            pageAfterEmptyFolder = dialog.ActivePage("suiPageControl1");

            dialog.bBrowseClick();
            dialog.SetChecked("cbBeep", true);
            dialog.SetChecked("cbShowHint", false);

            // On "Keys": a case-only duplicate is refused, a new entry added,
            // and the selected row edited into a copy of another.
            dialog.SetActivePage("suiPageControl2", 1);
            const HWND keys = dialog.Control("lvKeys");
            dialog.bAddClick();
            dialog.bAddClick();
            ui::SelectRow(keys, 1);
            dialog.bEditClick();  // answers keyK: now two equal rows
            DoubleClickRow(keys, 0);  // the editor once more, cancelled
            keysAfterEdits = Rows(keys);

            // On "Values": the ticked row goes, the selected one stays.
            dialog.SetActivePage("suiPageControl2", 0);
            const HWND values = dialog.Control("lvValues");
            dialog.bRemoveClick();  // nothing ticked
            ui::SetRowChecked(values, 0, true);
            ui::SelectRow(values, 1);
            dialog.bRemoveClick();
            valuesAfterRemove = Rows(values);

            PostMessageA(dialog.Control(button == ui::kModalOK ? "bOK" : "bCancel"), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(result, button);
        EXPECT_EQ(shownFolder, first.path());
        EXPECT_FALSE(shownBeep);
        EXPECT_TRUE(shownHint);
        EXPECT_EQ(shownPage, 0);
        EXPECT_EQ(shownValues, (std::vector<std::string>{valueA, valueB}));
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], ",The backup directory does not exist.");
        EXPECT_EQ(prompts.styles[0], UINT(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(openAfterEmptyFolder);
        EXPECT_EQ(pageAfterEmptyFolder, 0);
        EXPECT_EQ(prompts.titles, std::vector<std::string>{"Please select the directory to add"});
        EXPECT_EQ(presets, (std::vector<std::string>{"", "", "HKEY_CURRENT_USER\\Software\\New", keyK}));
        EXPECT_EQ(keysAfterEdits, (std::vector<std::string>{keyK, keyK}));
        EXPECT_EQ(valuesAfterRemove, std::vector<std::string>{valueB});

        window->Close();
        window.reset();
        if (button == ui::kModalOK) {
            EXPECT_EQ(ReadProfile(ini, "Options", "OutputDirectory"), second.path());
            EXPECT_EQ(ReadProfile(ini, "Options", "Beep"), "1");
            EXPECT_EQ(ReadProfile(ini, "Options", "ShowHint"), "0");
            EXPECT_EQ(ReadProfile(ini, "IgnoreValue", "Count"), "1");
            EXPECT_EQ(ReadProfile(ini, "IgnoreValue", "Value1"), valueB);
            EXPECT_EQ(ReadProfile(ini, "IgnoreKey", "Count"), "2");
            EXPECT_EQ(ReadProfile(ini, "IgnoreKey", "Key1"), keyK);
            EXPECT_EQ(ReadProfile(ini, "IgnoreKey", "Key2"), keyK);
        } else {
            EXPECT_EQ(ReadProfile(ini, "Options", "OutputDirectory"), first.path());
            EXPECT_EQ(ReadProfile(ini, "Options", "Beep"), "0");
            EXPECT_EQ(ReadProfile(ini, "Options", "ShowHint"), "1");
            EXPECT_EQ(ReadProfile(ini, "IgnoreValue", "Count"), "2");
            EXPECT_EQ(ReadProfile(ini, "IgnoreValue", "Value2"), valueB);
            EXPECT_EQ(ReadProfile(ini, "IgnoreKey", "Count"), "1");
            EXPECT_EQ(ReadProfile(ini, "IgnoreKey", "Key1"), keyK);
        }
        Settings = SettingsRecord{};
    }
}

TEST(OptionsDialogTest, TranslatedRestorePointCaptionEndsInTheVersionList) {
    ui::InitializeUi();
    const SettingsRecord saved = Settings;
    ASSERT_NE(GetFileAttributesA("Languages\\Lan_German.ini"), INVALID_FILE_ATTRIBUTES);
    Settings.Lan = "German";
    TfrmOptions dialog(nullptr);
    std::string caption;
    std::string page;
    RunModal(dialog, nullptr, [&] {
        caption = dialog.Text("cbCreateRestore");
        page = dialog.ItemText("suiPageControl1", 1);
        PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    });
    Settings = saved;
    EXPECT_EQ(caption, "Vor der Reparatur einen Systemwiederherstellungspunkt erstellen (XP, Vista, 7, 8)");
    EXPECT_EQ(page, "Ignorierlisten");
    EXPECT_EQ(dialog.Caption(), "Optionen");
}

TEST(RegAddRegistryTest, OKOnlyWithHkeyAndTheEditorByItsFullPath) {
    ui::InitializeUi();
    const SettingsRecord saved = Settings;
    Settings.Lan = "French";
    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmRegAddRegistry dialog("Software\\x");
    std::string preset;
    bool okAtFirst = true;
    bool okWithHkey = false;
    const int result = RunModal(dialog, nullptr, [&] {
        preset = dialog.Text("eRegistryKey");
        dialog.UpdateActions();
        okAtFirst = dialog.Enabled("bOK");
        dialog.bLaunchRegeditClick();
        dialog.SetText("eRegistryKey", "hkey_current_user\\x");
        dialog.UpdateActions();
        okWithHkey = dialog.Enabled("bOK");
        PostMessageA(dialog.Control("bOK"), BM_CLICK, 0, 0);
    });
    Settings = saved;
    EXPECT_EQ(result, ui::kModalOK);
    EXPECT_EQ(preset, "Software\\x");
    EXPECT_FALSE(okAtFirst);
    EXPECT_TRUE(okWithHkey);
    EXPECT_EQ(dialog.Text("eRegistryKey"), "hkey_current_user\\x");
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0], RegistryEditorPath());
    EXPECT_NE(prompts.opened[0].find('\\'), std::string::npos) << "a full path";
    EXPECT_EQ(dialog.Caption(), "Ajouter \xE0 la liste d'exclusion");
}

TEST(OptionsDialogTest, TheMainWindowOffersBothCommandsOnceWired) {
    ui::InitializeUi();
    test::ScratchFolder folder("options wiring");
    TfrmRegCleaner window(MainWindowOptions{folder.path() + "\\options.ini", "keyscrub.exe"});
    EXPECT_FALSE(window.HasCommand("aOptions"));
    WireMainWindow(window);
    EXPECT_TRUE(window.HasCommand("aOptions"));
    EXPECT_TRUE(window.HasCommand("aStartupManager"));
    Settings = SettingsRecord{};
}

}  // namespace
}  // namespace ks
