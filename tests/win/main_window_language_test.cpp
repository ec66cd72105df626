// The Language menu of the real main window with the shipped language files:
// which entries show, choosing one, the not-found messages, ticking on show.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/product.h"
#include "app/win/main_window.h"
#include "recording_prompts.h"
#include "settings/language_menu.h"
#include "settings/settings.h"
#include "ui/win/prompts.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using test::RecordingPrompts;

std::size_t Entry(const char* name) {
    for (std::size_t i = 0; i < kLanguageMenuEntryCount; ++i)
        if (std::string(kLanguageMenuEntries[i].Name) == name) return i;
    ADD_FAILURE() << name;
    return 0;
}

std::string TreeText(HWND tree, HTREEITEM item) {
    char text[256] = {};
    TVITEMA info{};
    info.mask = TVIF_TEXT | TVIF_HANDLE;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
    return text;
}

std::string PanelText(HWND status, int panel) {
    char text[512] = {};
    SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
    return text;
}

class MainWindowLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        settingsFile_ = std::string(folder) + "ks-app-lang-" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA(settingsFile_.c_str());
        // The shipped files sit in Languages\ beside the executable.
        ASSERT_NE(GetFileAttributesA("Languages\\Lan_German.ini"), INVALID_FILE_ATTRIBUTES);
    }
    void TearDown() override {
        window_.reset();
        DeleteFileA(settingsFile_.c_str());
        Settings = SettingsRecord{};
    }
    TfrmRegCleaner& Open() {
        window_ = std::make_unique<TfrmRegCleaner>(MainWindowOptions{settingsFile_, "keyscrub.exe"});
        window_->Show();
        return *window_;
    }

    std::string settingsFile_;
    std::unique_ptr<TfrmRegCleaner> window_;
};

TEST_F(MainWindowLanguageTest, MenuShowsOnlyLanguagesWithFiles) {
    TfrmRegCleaner& window = Open();
    SendMessageA(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window.MenuHandle("miLanguage")), 1);
    for (const char* shipped : {"miEnglish", "miGerman", "miFrench", "miSpanish", "miItalian", "miNederlands",
                                "miPortuguesePT"}) {
        SCOPED_TRACE(shipped);
        EXPECT_TRUE(window.MenuVisible(shipped));
    }
    for (const char* absent : {"miAfrikaans", "miJapanese", "miTurkish", "mlOther", "miOther", "Language1"}) {
        SCOPED_TRACE(absent);
        EXPECT_FALSE(window.MenuVisible(absent));
    }
    EXPECT_EQ(GetMenuItemCount(window.MenuHandle("miLanguage")), 7);
}

TEST_F(MainWindowLanguageTest, ChoosingGermanTranslatesTheWindowAndTicksTheEntry) {
    TfrmRegCleaner& window = Open();
    EXPECT_TRUE(window.MenuChecked("miEnglish"));
    window.Problems().Append({"Invalid file", "HKEY_CURRENT_USER\\Software\\A", "C:\\x", RemovalKind::DeleteKey});
    window.UpdateProblemCounts();
    const std::string counted = PanelText(window.Control("StatusBar1"), 0);

    window.miEnglishClick(Entry("miGerman"));
    EXPECT_EQ(Settings.Lan, "German");
    EXPECT_TRUE(window.MenuChecked("miGerman"));
    EXPECT_FALSE(window.MenuChecked("miEnglish"));
    EXPECT_EQ(window.Text("lTasks"), "Aufgaben");
    EXPECT_EQ(window.Text("bScanRegistry"), "Registrierung durchsuchen");
    EXPECT_EQ(window.MenuCaption("miLanguage"), "Sprache");
    EXPECT_EQ(TreeText(window.Control("tvRegistry"), window.TreeNodes("tvRegistry")[0]), "Arbeitsplatz");
    EXPECT_EQ(window.ItemText("lvRegistryData", 2), "Wert");
    // The task buttons fit their new captions.
    const RECT button = window.Bounds("bRepairRegistry");
    EXPECT_EQ(button.right - button.left, window.TextWidth(window.Text("bRepairRegistry")) + 17);
    // A status line keeps its wording until it is produced again.
    EXPECT_EQ(PanelText(window.Control("StatusBar1"), 0), counted);

    // The translated caption of an entry does not change what it loads.
    window.miEnglishClick(Entry("miEnglish"));
    EXPECT_EQ(Settings.Lan, "English");
    EXPECT_EQ(window.Text("lTasks"), "Tasks");
    EXPECT_TRUE(window.MenuChecked("miEnglish"));
    EXPECT_FALSE(window.MenuChecked("miGerman"));
}

TEST_F(MainWindowLanguageTest, MissingFilesAreReportedAndChangeNothing) {
    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmRegCleaner& window = Open();
    window.miEnglishClick(Entry("miAfrikaans"));
    window.miEnglishClick(Entry("miOther"));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0], "Lan_Afrikaans.ini can not be found.");
    EXPECT_EQ(prompts.messages[1], std::string("Lan_Other.ini can not be found.\r\n\r\nPlease visit ") +
                                       product::kTranslationPage + ".");
    EXPECT_EQ(prompts.styles[0] & 0x0F, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Settings.Lan, "English");
    EXPECT_TRUE(window.MenuChecked("miEnglish"));
    EXPECT_FALSE(window.MenuChecked("miAfrikaans"));
}

TEST_F(MainWindowLanguageTest, SavedLanguageIsTickedAndAppliedOnShow) {
    WritePrivateProfileStringA("Options", "Lan", "german", settingsFile_.c_str());
    TfrmRegCleaner& window = Open();
    EXPECT_TRUE(window.MenuChecked("miGerman"));
    EXPECT_FALSE(window.MenuChecked("miEnglish"));
    EXPECT_EQ(window.Text("lSelectSections"), "Zu durchsuchende Bereiche w\xe4hlen");
    window.Close();
    window_.reset();
    char saved[64] = {};
    GetPrivateProfileStringA("Options", "Lan", "", saved, sizeof(saved), settingsFile_.c_str());
    EXPECT_STREQ(saved, "german");
}

}  // namespace
}  // namespace ks
