// Language files through the real profile API under Wine, and the translation
// of a real window with one control of every kind, read back from the controls.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "settings/localisation.h"
#include "settings/resource_strings.h"
#include "settings/settings.h"
#include "settings/win/localisation_win.h"
#include "ui/win/window.h"
#include "win/ui_sample_form.h"

namespace ks {
namespace {

// A scratch folder standing in for the program's folder, with "Languages\".
class ProgramFolder {
public:
    ProgramFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "ks-lang-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter_++) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
        CreateDirectoryA((path_ + "Languages").c_str(), nullptr);
    }
    ~ProgramFolder() {
        for (const std::string& file : written_) DeleteFileA(file.c_str());
        RemoveDirectoryA((path_ + "Languages").c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::string Write(const std::string& relative, const std::string& bytes) {
        const std::string full = path_ + relative;
        std::ofstream(full, std::ios::binary) << bytes;
        written_.push_back(full);
        return full;
    }

private:
    static inline int counter_ = 0;
    std::string path_;
    std::vector<std::string> written_;
};

const localisation::ProfileApiSource kProfileApi;

// Makes LookupText and ApplyLanguageToForm read from `folder` with the real
// profile API and sets the active language; puts everything back afterwards.
class LanguageScope {
public:
    LanguageScope(const std::string& folder, const std::string& language)
        : previousFiles_(LanguageFiles()), previousFolder_(LanguageProgramFolder()), previousLan_(Settings.Lan) {
        SetLanguageFiles(&kProfileApi, folder);
        Settings.Lan = language;
    }
    ~LanguageScope() {
        SetLanguageFiles(previousFiles_, previousFolder_);
        Settings.Lan = previousLan_;
    }

private:
    const ProfileSource* previousFiles_;
    std::string previousFolder_;
    std::string previousLan_;
};

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[512] = {};
        if (GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION) == 0) continue;
        texts.push_back(text);
    }
    return texts;
}

std::string WindowText(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The profile API and ProfileText must agree, since the native tests and the
// coverage test rely on ProfileText.
TEST(LocalisationWinTest, ProfileApiAndProfileTextAgree) {
    ProgramFolder folder;
    const std::string text =
        "stray=before any section\r\n"
        "[Alpha]\r\n"
        "  plain = value with blanks  \r\n"
        "quoted=\"  kept blanks  \"\r\n"
        "single='single'\r\n"
        "unbalanced=\"open\r\n"
        "empty=\r\n"
        "equals=a=b\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "\tTabbed\t=\ttab\t\r\n"
        "accents=\xE4\xF6\xFC\xDF \xE9\xE8\xE7 \xAB\xBB\r\n"
        "long=" + std::string(3000, 'L') + "\r\n"
        "[alpha]\r\n"
        "later=in the second section of the same name\r\n"
        "[Beta]\n"
        "unix=line ends\n";
    const std::string file = folder.Write("Lan_Probe.ini", text);
    const ProfileText parsed(text);
    const FileProfileSource plain;
    struct Case {
        const char* section;
        const char* key;
    };
    const Case cases[] = {
        {"Alpha", "stray"},  {"Alpha", "plain"}, {"ALPHA", "PLAIN"},  {"Alpha", "quoted"}, {"Alpha", "single"},
        {"Alpha", "unbalanced"}, {"Alpha", "empty"}, {"Alpha", "equals"}, {"Alpha", "dup"}, {"Alpha", "Tabbed"},
        {"Alpha", "accents"}, {"Alpha", "long"},  {"Alpha", "later"}, {"Beta", "unix"}, {"Gamma", "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        const std::string real = kProfileApi.ReadString(file, c.section, c.key, "<default>");
        EXPECT_EQ(parsed.Value(c.section, c.key).value_or("<default>"), real);
        EXPECT_EQ(plain.ReadString(file, c.section, c.key, "<default>"), real);
    }
    EXPECT_EQ(kProfileApi.ReadString(file, "Alpha", "long", "").size(), kLanguageTextBytes - 1);
    EXPECT_TRUE(kProfileApi.FileExists(file));
    EXPECT_FALSE(kProfileApi.FileExists(folder.Path() + "Lan_None.ini"));
    EXPECT_FALSE(kProfileApi.FileExists(folder.Path() + "Languages")) << "a folder is not a language file";
    EXPECT_EQ(kProfileApi.ReadString(folder.Path() + "Lan_None.ini", "A", "b", "fallback"), "fallback");
}

TEST(LocalisationWinTest, LookupTextResolvesTheFileOnDisk) {
    ProgramFolder folder;
    folder.Write("Lan_German.ini", "[ResourceString]\r\nRES_Startup=beside the program\r\n");
    folder.Write("Languages\\Lan_German.ini", "[ResourceString]\r\nRES_Startup=in Languages\r\n");
    folder.Write("Languages\\Lan_French.ini", "[ResourceString]\r\nRES_Startup=D\xE9marrage\r\n");
    folder.Write("Languages\\Lan_Bare.ini", "[frmAbout]\r\nfrmAbout=x\r\n");
    struct Case {
        const char* language;
        const char* expected;
    };
    const Case cases[] = {
        {"German", "beside the program"}, {"French", "D\xE9marrage"}, {"Bare", ""},
        {"Missing", ""},                  {"english", "Startup"},     {"ENGLISH", "Startup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        LanguageScope scope(folder.Path(), c.language);
        EXPECT_EQ(LookupText("RES_Startup", "Startup"), c.expected);
    }
}

TEST(LocalisationWinTest, InstalledFilesAreTheProgramsOwn) {
    InstallLanguageFiles();
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder = exe;
    folder.resize(folder.find_last_of('\\') + 1);
    EXPECT_EQ(LanguageProgramFolder(), folder);
    ASSERT_NE(LanguageFiles(), nullptr);
    EXPECT_TRUE(LanguageFiles()->FileExists(folder + "win_tests.exe"));
}

// ------------------------------------------------------------ a real window

std::string FullTranslation() {
    return "[frmEveryKind]\r\n"
           "frmEveryKind=Jede Art\r\n"
           "lTitle=Titel\r\nlUpdate=Jetzt nach Updates suchen...\r\nbScan=Registrierung pr\xFC"
           "fen\r\nbOK=&OK\r\nbCancel=&Abbrechen\r\n"
           "cbBeep=Signalton\r\ngbFolder=Ordner\r\nbBrowse=\x85\r\npnlBottom=Tafel\r\nbInPanel=Im Feld\r\n"
           "lbItems_Item0=Erstens\r\nlbItems_Item1=Zweitens\r\nlbItems_Item2=Drittens\r\n"
           "lvData_Column0=Problem\r\nlvData_Column1=Daten\r\nlvData_Column2=Registrierungsschl\xFCssel\r\n"
           "tvSections_0=Arbeitsplatz\r\ntvSections_1=Dateien und Ordner\r\ntvSections_2=Lokaler Rechner\r\n"
           "tvSections_3=Aktueller Benutzer\r\ntvSections_4=Softwarepfade\r\ntvSections_5=Zweite Wurzel\r\n"
           "pcOptions_Page0=Allgemein\r\npcOptions_Page1=Ausnahmen\r\npcInner_Page0=Werte\r\npcInner_Page1=Schl\xFCssel\r\n"
           "cbOnPage=Auf der ersten Seite\r\nbOnInnerPage=Innen\r\n"
           // The profile API drops blanks around a value; quotes keep them.
           "StatusBar1_Panel0=0 Probleme gefunden\r\nStatusBar1_Panel1=\" 0 ausgew\xE4hlt\"\r\n"
           "sbSingle=Einzeltext\r\n"
           "eFolder=never\r\nmNotes=never\r\n"
           "[Menu_frmEveryKind]\r\n"
           "miFile=Datei\r\nmiGo=&Los\r\nmiExit=&Beenden\r\nmiLanguage=Sprache\r\nmiEnglish=&Englisch\r\n"
           "miGerman=&Deutsch\r\nmiMore=Mehr\r\nmiDeep=Tiefer Eintrag\r\nLanguage1=Sprachen\r\n"
           "miSelectAll=&Alles ausw\xE4hlen\r\nN1=never\r\n";
}

TEST(LocalisationWinTest, EveryKindOfControlTranslatesAndReadsBack) {
    ProgramFolder folder;
    folder.Write("Languages\\Lan_German.ini", FullTranslation());
    LanguageScope scope(folder.Path(), "German");
    ui::Window window(test::EveryKindForm());
    window.Create();
    ApplyLanguageToForm(window, "German");

    EXPECT_EQ(WindowText(window.Handle()), "Jede Art");
    struct Caption {
        const char* name;
        const char* expected;
    };
    const Caption captions[] = {
        {"lTitle", "Titel"},     {"lUpdate", "Jetzt nach Updates suchen..."}, {"bScan", "Registrierung pr\xFC" "fen"},
        {"bCancel", "&Abbrechen"}, {"cbBeep", "Signalton"}, {"gbFolder", "Ordner"},
        {"bBrowse", "\x85"},     {"pnlBottom", "Tafel"},  {"bInPanel", "Im Feld"},
        {"cbOnPage", "Auf der ersten Seite"}, {"bOnInnerPage", "Innen"},
        {"eFolder", "C:\\Backup"}, {"mNotes", "Registry Key"},  // edits keep what they hold
    };
    for (const Caption& c : captions) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowText(window.Control(c.name)), c.expected);
    }

    // Items read straight from the controls.
    HWND list = window.Control("lbItems");
    char entry[256] = {};
    SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(entry, "Drittens");
    const char* const columns[] = {"Problem", "Daten", "Registrierungsschl\xFCssel"};
    for (int column = 0; column < 3; ++column) {
        char text[256] = {};
        LVCOLUMNA info{};
        info.mask = LVCF_TEXT;
        info.pszText = text;
        info.cchTextMax = sizeof(text);
        SendMessageA(window.Control("lvData"), LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
        SCOPED_TRACE(column);
        EXPECT_STREQ(text, columns[column]);
    }
    char panel[256] = {};
    SendMessageA(window.Control("StatusBar1"), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(panel));
    EXPECT_STREQ(panel, " 0 ausgew\xE4hlt");
    char single[256] = {};
    SendMessageA(window.Control("sbSingle"), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(single));
    EXPECT_STREQ(single, "Einzeltext");
    const std::vector<std::string> pages = {window.ItemText("pcOptions", 0), window.ItemText("pcOptions", 1),
                                            window.ItemText("pcInner", 0), window.ItemText("pcInner", 1)};
    EXPECT_EQ(pages, (std::vector<std::string>{"Allgemein", "Ausnahmen", "Werte", "Schl\xFCssel"}));
    std::vector<std::string> nodes;
    for (HTREEITEM node : window.TreeNodes("tvSections")) {
        char text[256] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(window.Control("tvSections"), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        nodes.push_back(text);
    }
    EXPECT_EQ(nodes, (std::vector<std::string>{"Arbeitsplatz", "Dateien und Ordner", "Lokaler Rechner",
                                               "Aktueller Benutzer", "Softwarepfade", "Zweite Wurzel"}));

    // Menus, from the real menu bar; the hidden entry shows its translation once shown.
    HMENU bar = GetMenu(window.Handle());
    EXPECT_EQ(MenuTexts(bar), (std::vector<std::string>{"Datei", "Sprache"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(bar, 0)), (std::vector<std::string>{"&Los\tCtrl+G", "&Beenden\tCtrl+Q"}));
    window.SetMenuVisible("Language1", true);
    HMENU language = GetSubMenu(GetMenu(window.Handle()), 1);
    EXPECT_EQ(MenuTexts(language), (std::vector<std::string>{"&Englisch", "&Deutsch", "Mehr", "Sprachen"}));
    EXPECT_EQ(MenuTexts(GetSubMenu(language, 2)), std::vector<std::string>{"Tiefer Eintrag"});
    EXPECT_EQ(MenuTexts(window.MenuHandle("PopupMenu1")), std::vector<std::string>{"&Alles ausw\xE4hlen"});
    EXPECT_EQ(GetMenuState(language, 0, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED))
        << "translating keeps the check marks";
}

TEST(LocalisationWinTest, BadFilesLeaveTheEnglishTexts) {
    std::string binary;
    for (int i = 0; i < 8192; ++i) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    const std::string hugeValue(5000, 'W');
    struct Case {
        const char* what;
        std::string bytes;  // empty with `write` false: no file at all
        bool write;
        const char* title;       // expected lTitle afterwards
        const char* firstColumn;  // expected lvData column 0
    };
    const Case cases[] = {
        {"missing file", "", false, "Title", "Problem"},
        {"empty file", "", true, "Title", "Problem"},
        {"binary file", binary, true, "Title", "Problem"},
        {"section of another window", "[frmOther]\r\nlTitle=Wrong\r\n", true, "Title", "Problem"},
        {"duplicate sections: the first counts",
         "[frmEveryKind]\r\nlTitle=First\r\n[frmEveryKind]\r\nlTitle=Second\r\nlvData_Column0=Second\r\n", true,
         "First", "Problem"},
        {"duplicate keys: the first counts", "[frmEveryKind]\r\nlTitle=One\r\nlTitle=Two\r\n", true, "One", "Problem"},
        {"value longer than the buffer", "[frmEveryKind]\r\nlvData_Column0=" + hugeValue + "\r\n", true, "Title",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramFolder folder;
        if (c.write) folder.Write("Lan_Odd.ini", c.bytes);
        LanguageScope scope(folder.Path(), "Odd");
        ui::Window window(test::EveryKindForm());
        window.Create();
        ApplyLanguageToForm(window, "Odd");
        EXPECT_EQ(WindowText(window.Control("lTitle")), c.title);
        if (c.firstColumn)
            EXPECT_EQ(window.ItemText("lvData", 0), c.firstColumn);
        else
            EXPECT_EQ(window.ItemText("lvData", 0), std::string(kLanguageTextBytes - 1, 'W'));
        EXPECT_EQ(window.ItemText("tvSections", 5), "Second root");
        EXPECT_EQ(window.MenuCaption("miExit"), "&Exit");
        EXPECT_EQ(LookupText("RES_Startup", "Startup"), "");
    }
}

TEST(LocalisationWinTest, ActiveLanguageEnglishLeavesTheWindowAlone) {
    ProgramFolder folder;
    folder.Write("Lan_English.ini", "[frmEveryKind]\r\nlTitle=From the English file\r\n");
    folder.Write("Lan_German.ini", "[frmEveryKind]\r\nlTitle=Titel\r\n");
    for (const char* language : {"English", "english", "ENGLISH"}) {
        SCOPED_TRACE(language);
        LanguageScope scope(folder.Path(), language);
        ui::Window window(test::EveryKindForm());
        window.Create();
        window.ApplyActiveLanguage();
        EXPECT_EQ(window.Text("lTitle"), "Title");
    }
    LanguageScope scope(folder.Path(), "German");
    ui::Window window(test::EveryKindForm());
    window.Create();
    window.ApplyActiveLanguage();
    EXPECT_EQ(window.Text("lTitle"), "Titel");
    // Chosen explicitly, English is a file like any other.
    ApplyLanguageToForm(window, "English");
    EXPECT_EQ(window.Text("lTitle"), "From the English file");
}

// The shipped files, read by the real profile API from the source tree.
TEST(LocalisationWinTest, ShippedFilesGiveEveryResourceText) {
    const std::string folder = std::string(KS_SOURCE_DIR) + "/lang/";
    for (const char* language : {"English", "German", "French", "Spanish", "Italian", "PortuguesePT", "Nederlands"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(kProfileApi.FileExists(folder + "Lan_" + language + ".ini"));
        const std::string file = folder + "Lan_" + language + ".ini";
        LanguageScope scope(folder, language);
        int translated = 0;
        for (const ResourceString& entry : kResourceStrings) {
            SCOPED_TRACE(entry.key);
            const std::string text = kProfileApi.ReadString(file, kResourceSection, entry.key, "");
            EXPECT_FALSE(text.empty());
            if (text != entry.english) ++translated;
            if (!IsEnglish(language)) EXPECT_EQ(LookupText(entry.key, entry.english), text);
        }
        if (IsEnglish(language))
            EXPECT_EQ(translated, 0);
        else
            EXPECT_GT(translated, static_cast<int>(kResourceStringCount) * 3 / 4);
    }
}

}  // namespace
}  // namespace ks
