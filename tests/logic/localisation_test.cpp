// Language files without Windows: file resolution, LookupText, the key naming
// of the window translation, and profile text read as the profile API reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/localisation.h"
#include "settings/resource_strings.h"
#include "settings/settings.h"
#include "base/text.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ks {
namespace {

// Language files held in memory by full path, read the way the profile API
// reads them; every call is counted.
class MemoryFiles final : public ProfileSource {
public:
    // File names match ignoring case, as on Windows.
    void Put(const std::string& path, const std::string& text) { files_[UpperAnsi(path)] = text; }
    bool FileExists(const std::string& path) const override {
        ++existsCalls;
        return files_.count(UpperAnsi(path)) != 0;
    }
    std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultText) const override {
        ++reads;
        readFiles.push_back(file);
        const auto found = files_.find(UpperAnsi(file));
        if (found == files_.end()) return defaultText;
        return ProfileText(found->second).Value(section, key).value_or(defaultText);
    }
    mutable int existsCalls = 0;
    mutable int reads = 0;
    mutable std::vector<std::string> readFiles;

private:
    std::map<std::string, std::string> files_;
};

constexpr char kFolder[] = "C:\\Program Files\\Keyscrub\\";

// Installs `files` as the language files and a language; puts both back afterwards.
class LanguageScope {
public:
    LanguageScope(const ProfileSource* files, const std::string& language)
        : previousFiles_(LanguageFiles()), previousFolder_(LanguageProgramFolder()), previousLan_(Settings.Lan) {
        SetLanguageFiles(files, kFolder);
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

TEST(LocalisationTest, ProgramFolderWinsOverLanguagesFolder) {
    struct Case {
        const char* what;
        bool beside;
        bool inLanguages;
        std::string expected;
    };
    const std::string beside = std::string(kFolder) + "Lan_German.ini";
    const std::string below = std::string(kFolder) + "Languages\\Lan_German.ini";
    const Case cases[] = {
        {"in both places", true, true, beside},
        {"beside the program only", true, false, beside},
        {"in Languages only", false, true, below},
        {"nowhere: the second place all the same", false, false, below},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFiles files;
        if (c.beside) files.Put(beside, "");
        if (c.inLanguages) files.Put(below, "");
        EXPECT_EQ(ResolveLanguageFile(files, kFolder, "German"), c.expected);
    }
    MemoryFiles none;
    EXPECT_EQ(ResolveLanguageFile(none, kFolder, "PortuguesePT"),
              std::string(kFolder) + "Languages\\Lan_PortuguesePT.ini");
}

TEST(LocalisationTest, EnglishInAnyCaseTouchesNoFile) {
    MemoryFiles files;
    files.Put(std::string(kFolder) + "Lan_English.ini", "[ResourceString]\r\nRES_Startup=Changed\r\n");
    for (const char* language : {"English", "english", "ENGLISH", "eNgLiSh"}) {
        SCOPED_TRACE(language);
        LanguageScope scope(&files, language);
        EXPECT_EQ(LookupText("RES_Startup", "Startup"), "Startup");
        EXPECT_EQ(LookupResource("RES_Startup"), "Startup");
    }
    EXPECT_EQ(files.existsCalls, 0);
    EXPECT_EQ(files.reads, 0);
    EXPECT_FALSE(IsEnglish("English "));
    EXPECT_FALSE(IsEnglish("Englis"));
    EXPECT_FALSE(IsEnglish(""));
}

TEST(LocalisationTest, LookupTextReadsTheResourceSectionEveryTime) {
    MemoryFiles files;
    files.Put(std::string(kFolder) + "Languages\\Lan_German.ini",
              "[frmOptions]\r\nRES_Startup=Wrong section\r\n"
              "[ResourceString]\r\nRES_Startup=Autostart\r\nRES_Empty=\r\n");
    files.Put(std::string(kFolder) + "Languages\\Lan_Bare.ini", "[frmOptions]\r\nfrmOptions=Optionen\r\n");
    struct Case {
        const char* language;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"German", "RES_Startup", "Autostart"},
        {"german", "res_startup", "Autostart"},  // the profile API ignores case
        {"German", "RES_Common_Startup", ""},    // missing key: empty, not English
        {"German", "RES_Empty", ""},
        {"Bare", "RES_Startup", ""},             // no ResourceString section
        {"Missing", "RES_Startup", ""},          // no file
        {"", "RES_Startup", ""},                 // no language at all is not English
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.key);
        LanguageScope scope(&files, c.language);
        EXPECT_EQ(LookupText(c.key, "English default"), c.expected);
    }
    LanguageScope scope(&files, "German");
    const int before = files.reads;
    LookupText("RES_Startup", "Startup");
    LookupText("RES_Startup", "Startup");
    EXPECT_EQ(files.reads, before + 2) << "nothing is cached";
    EXPECT_EQ(LookupResource("RES_Startup"), "Autostart");
    EXPECT_EQ(LookupResource("RES_NoSuchKey"), "");
}

TEST(LocalisationTest, WithoutInstalledFilesEveryTranslatedTextIsEmpty) {
    LanguageScope scope(nullptr, "German");
    EXPECT_EQ(LookupText("RES_Startup", "Startup"), "");
    Settings.Lan = "English";
    EXPECT_EQ(LookupText("RES_Startup", "Startup"), "Startup");
}

// ------------------------------------------------------------ window translation

// A window held in memory: texts by control name, items by control and index.
class FakeWindow final : public TranslationTarget {
public:
    explicit FakeWindow(const ui::FormDef& def) : def_(def), caption(def.caption) {
        for (const ui::ControlDef& control : def.controls) {
            texts[control.name] = control.caption;
            for (const ui::ItemDef& item : control.items) items[control.name].push_back(item.text);
        }
        for (const ui::MenuDef& entry : def.menus) menus[entry.name] = entry.caption;
    }
    const ui::FormDef& Definition() const override { return def_; }
    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& text) override { caption = text; }
    std::string Text(std::string_view control) const override { return texts.at(std::string(control)); }
    void SetText(std::string_view control, const std::string& text) override {
        texts.at(std::string(control)) = text;
    }
    int ItemCount(std::string_view control) const override {
        const auto found = items.find(std::string(control));
        return found == items.end() ? 0 : static_cast<int>(found->second.size());
    }
    std::string ItemText(std::string_view control, int index) const override {
        return items.at(std::string(control)).at(static_cast<std::size_t>(index));
    }
    void SetItemText(std::string_view control, int index, const std::string& text) override {
        items.at(std::string(control)).at(static_cast<std::size_t>(index)) = text;
    }
    bool StatusBarSingleText(std::string_view control) const override { return ItemCount(control) == 0; }
    std::string MenuCaption(std::string_view entry) const override { return menus.at(std::string(entry)); }
    void SetMenuCaption(std::string_view entry, const std::string& text) override {
        if (IsSeparatorName(entry)) throw std::logic_error("a separator was translated");
        menus.at(std::string(entry)) = text;
    }

    std::string caption;
    std::map<std::string, std::string> texts;
    std::map<std::string, std::vector<std::string>> items;
    std::map<std::string, std::string> menus;

private:
    bool IsSeparatorName(std::string_view entry) const { return ui::IsSeparator(*ui::FindMenu(def_, entry)); }
    const ui::FormDef& def_;
};

const ui::FormDef& SampleForm() {
    using ui::ControlKind;
    static const ui::FormDef form{
        .name = "frmSample",
        .caption = "Sample",
        .controls =
            {
                {.name = "lTitle", .kind = ControlKind::Label, .caption = "Title"},
                {.name = "lLink", .kind = ControlKind::LinkLabel, .caption = "Link"},
                {.name = "bGo", .kind = ControlKind::Button, .caption = "Go"},
                {.name = "bFlat", .kind = ControlKind::FlatButton, .caption = "Flat"},
                {.name = "cbBox", .kind = ControlKind::CheckBox, .caption = "Box"},
                {.name = "gbGroup", .kind = ControlKind::GroupBox, .caption = "Group"},
                {.name = "pnlPanel", .kind = ControlKind::Panel, .caption = "Panel"},
                {.name = "lbList", .kind = ControlKind::ListBox, .items = {{.text = "a"}, {.text = "b"}}},
                {.name = "sbPanels", .kind = ControlKind::StatusBar, .items = {{.text = "p0"}, {.text = "p1"}}},
                {.name = "sbSingle", .kind = ControlKind::StatusBar, .caption = "single"},
                {.name = "lvList", .kind = ControlKind::ListView, .items = {{.text = "c0"}, {.text = "c1"}}},
                {.name = "pcPages", .kind = ControlKind::PageControl, .items = {{.text = "g0"}, {.text = "g1"}}},
                {.name = "tvTree", .kind = ControlKind::TreeView,
                 .items = {{.text = "root"}, {.text = "child", .level = 1}, {.text = "next root"}}},
                {.name = "eEdit", .kind = ControlKind::Edit, .caption = "typed"},
                {.name = "mMemo", .kind = ControlKind::Memo, .caption = "memo"},
                {.name = "pbBar", .kind = ControlKind::ProgressBar},
                {.name = "Timer1", .kind = ControlKind::Timer, .interval = 10},
                {.name = "iImage", .kind = ControlKind::Image},
            },
        .menus = {{.name = "miFile", .caption = "File"},
                  {.name = "miOpen", .caption = "&Open", .parent = "miFile"},
                  {.name = "N1", .caption = "-", .parent = "miFile"},
                  {.name = "miHidden", .parent = "miFile", .flags = ui::kMenuHidden, .action = "aHidden"},
                  {.name = "PopupMenu1", .flags = ui::kMenuPopup},
                  {.name = "miPopupEntry", .caption = "Entry", .parent = "PopupMenu1"}},
        .actions = {{.name = "aHidden", .caption = "Hidden"}},
    };
    return form;
}

// Every key a translation may read, with a value that names it.
std::string FullFile() {
    return "[frmSample]\r\nfrmSample=T:caption\r\n"
           "lTitle=T:lTitle\r\nlLink=T:lLink\r\nbGo=T:bGo\r\nbFlat=T:bFlat\r\ncbBox=T:cbBox\r\n"
           "gbGroup=T:gbGroup\r\npnlPanel=T:pnlPanel\r\n"
           "lbList_Item0=T:item0\r\nlbList_Item1=T:item1\r\n"
           "sbPanels_Panel0=T:panel0\r\nsbPanels_Panel1=T:panel1\r\nsbSingle=T:single\r\n"
           "sbPanels=T:never\r\nsbSingle_Panel0=T:never\r\n"
           "lvList_Column0=T:column0\r\nlvList_Column1=T:column1\r\n"
           "pcPages_Page0=T:page0\r\npcPages_Page1=T:page1\r\n"
           "tvTree_0=T:node0\r\ntvTree_1=T:node1\r\ntvTree_2=T:node2\r\n"
           "eEdit=T:never\r\nmMemo=T:never\r\npbBar=T:never\r\nTimer1=T:never\r\niImage=T:never\r\n"
           "miOpen=T:never\r\n"
           "[Menu_frmSample]\r\nmiFile=T:miFile\r\nmiOpen=T:miOpen\r\nN1=T:never\r\nmiHidden=T:miHidden\r\n"
           "PopupMenu1=T:never\r\nmiPopupEntry=T:miPopupEntry\r\nfrmSample=T:never\r\n";
}

TEST(TranslateFormTest, EveryKindTakesItsKey) {
    MemoryFiles files;
    files.Put("lan.ini", FullFile());
    FakeWindow window(SampleForm());
    window.items["lbList"].push_back("added at run time");
    TranslateForm(window, files, "lan.ini");

    EXPECT_EQ(window.caption, "T:caption");
    for (const char* name : {"lTitle", "lLink", "bGo", "bFlat", "cbBox", "gbGroup", "pnlPanel"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(window.texts[name], std::string("T:") + name);
    }
    EXPECT_EQ(window.texts["sbSingle"], "T:single");
    EXPECT_EQ(window.items["lbList"], (std::vector<std::string>{"T:item0", "T:item1", "added at run time"}));
    EXPECT_EQ(window.items["sbPanels"], (std::vector<std::string>{"T:panel0", "T:panel1"}));
    EXPECT_EQ(window.items["lvList"], (std::vector<std::string>{"T:column0", "T:column1"}));
    EXPECT_EQ(window.items["pcPages"], (std::vector<std::string>{"T:page0", "T:page1"}));
    EXPECT_EQ(window.items["tvTree"], (std::vector<std::string>{"T:node0", "T:node1", "T:node2"}));
    for (const char* name : {"eEdit", "mMemo", "pbBar", "Timer1", "iImage"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(window.texts[name], SampleForm().controls[static_cast<std::size_t>(
                                          ui::FindControl(SampleForm(), name) - SampleForm().controls.data())]
                                          .caption);
    }
    EXPECT_EQ(window.texts["sbPanels"], "") << "a status bar with panels has no single text";
    EXPECT_EQ(window.menus["miFile"], "T:miFile");
    EXPECT_EQ(window.menus["miOpen"], "T:miOpen");
    EXPECT_EQ(window.menus["miHidden"], "T:miHidden") << "hidden entries are translated too";
    EXPECT_EQ(window.menus["N1"], "-");
    EXPECT_EQ(window.menus["PopupMenu1"], "");
    EXPECT_EQ(window.menus["miPopupEntry"], "T:miPopupEntry");
}

TEST(TranslateFormTest, MissingKeysKeepTheCurrentTexts) {
    MemoryFiles files;
    files.Put("partial.ini", "[frmSample]\r\nbGo=Los\r\ntvTree_1=Kind\r\n[Menu_frmSample]\r\nmiOpen=\r\n");
    FakeWindow window(SampleForm());
    window.texts["lTitle"] = "Changed at run time";
    TranslateForm(window, files, "partial.ini");
    EXPECT_EQ(window.caption, "Sample");
    EXPECT_EQ(window.texts["bGo"], "Los");
    EXPECT_EQ(window.texts["lTitle"], "Changed at run time") << "the current text is the default, not the table's";
    EXPECT_EQ(window.items["tvTree"], (std::vector<std::string>{"root", "Kind", "next root"}));
    EXPECT_EQ(window.menus["miOpen"], "") << "an empty value is a value";
    EXPECT_EQ(window.menus["miHidden"], "");
    EXPECT_EQ(window.menus["miFile"], "File");

    FakeWindow untouched(SampleForm());
    TranslateForm(untouched, files, "no such file.ini");
    EXPECT_EQ(untouched.texts, FakeWindow(SampleForm()).texts);
    EXPECT_EQ(untouched.items, FakeWindow(SampleForm()).items);
    EXPECT_EQ(untouched.menus, FakeWindow(SampleForm()).menus);
}

TEST(TranslateFormTest, DesignTimeKeysListWhatTheTranslationReads) {
    std::vector<std::string> keys;
    for (const LanguageKey& key : DesignTimeKeys(SampleForm())) keys.push_back(key.section + "/" + key.key + "=" + key.english);
    const std::vector<std::string> expected = {
        "frmSample/frmSample=Sample",  "frmSample/lTitle=Title",    "frmSample/lLink=Link",
        "frmSample/bGo=Go",            "frmSample/bFlat=Flat",      "frmSample/cbBox=Box",
        "frmSample/gbGroup=Group",     "frmSample/pnlPanel=Panel",  "frmSample/lbList_Item0=a",
        "frmSample/lbList_Item1=b",    "frmSample/sbPanels_Panel0=p0", "frmSample/sbPanels_Panel1=p1",
        "frmSample/sbSingle=single",   "frmSample/lvList_Column0=c0", "frmSample/lvList_Column1=c1",
        "frmSample/pcPages_Page0=g0",  "frmSample/pcPages_Page1=g1", "frmSample/tvTree_0=root",
        "frmSample/tvTree_1=child",    "frmSample/tvTree_2=next root", "Menu_frmSample/miFile=File",
        "Menu_frmSample/miOpen=&Open", "Menu_frmSample/miHidden=Hidden", "Menu_frmSample/miPopupEntry=Entry",
    };
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(NumberedKey("lvRegistryData", "_Column", 10), "lvRegistryData_Column10");
    EXPECT_EQ(MenuSection("frmRegCleaner"), "Menu_frmRegCleaner");
}

// ------------------------------------------------------------ profile text

TEST(ProfileTextTest, ReadsAsTheProfileApiDoes) {
    const std::string text =
        "stray=before any section\r\n"
        "[Alpha]\r\n"
        "  plain = value with blanks  \r\n"
        "quoted=\"  kept blanks  \"\r\n"
        "single='single'\r\n"
        "unbalanced=\"open\r\n"
        "lone=\"\r\n"
        "empty=\r\n"
        "novalue\r\n"
        "equals=a=b\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "\tTabbed\t=\ttab\t\r\n"
        "[alpha]\r\n"
        "later=in the second section of the same name\r\n"
        "[Beta]\n"
        "unix=line ends\n"
        "[Gamma\r\n"
        "open=bracket\r\n"
        "[Delta] trailing\r\n"
        "k=v";
    const ProfileText file(text);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Alpha", "stray", std::nullopt},
        {"Alpha", "plain", "value with blanks"},
        {"ALPHA", "PLAIN", "value with blanks"},
        {"Alpha", "quoted", "  kept blanks  "},
        {"Alpha", "single", "single"},
        {"Alpha", "unbalanced", "\"open"},
        {"Alpha", "lone", "\""},
        {"Alpha", "empty", ""},
        {"Alpha", "novalue", ""},
        {"Alpha", "equals", "a=b"},
        {"Alpha", "dup", "first"},
        {"Alpha", "Tabbed", "tab"},
        {"Alpha", "later", std::nullopt},
        {"Beta", "unix", "line ends"},
        {"Gamma", "open", "bracket"},
        {"Delta", "k", "v"},
        {"Epsilon", "k", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(file.Value(c.section, c.key), c.expected);
    }
    ASSERT_EQ(file.Sections().size(), 5u);
    EXPECT_EQ(file.Sections()[0].entries.size(), 11u);
}

TEST(ProfileTextTest, LongValuesAreCutAndOddBytesAreHarmless) {
    const std::string longValue(5000, 'x');
    const ProfileText file("[S]\r\nlong=" + longValue + "\r\nexact=" + std::string(2047, 'y') + "\r\n");
    EXPECT_EQ(file.Value("S", "long"), std::string(2047, 'x'));
    EXPECT_EQ(file.Value("S", "exact"), std::string(2047, 'y'));

    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
    const ProfileText noise(binary);
    EXPECT_FALSE(noise.Value("ResourceString", "RES_Startup").has_value());
    EXPECT_TRUE(ProfileText("").Sections().empty());
    EXPECT_TRUE(ProfileText(std::string("\0\0\0", 3)).Sections().empty());
    EXPECT_EQ(ProfileText("[S]\r\nk=\xE4\xF6\xFC\r\n").Value("s", "K"), "\xE4\xF6\xFC");
}

TEST(ProfileTextTest, FileSourceReadsFilesAndFallsBack) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ks-localisation-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "Lan_Test.ini").string();
    std::ofstream(path, std::ios::binary) << "[ResourceString]\r\nRES_Startup=Autostart\r\n";
    const FileProfileSource files;
    EXPECT_TRUE(files.FileExists(path));
    EXPECT_FALSE(files.FileExists((folder / "Lan_None.ini").string()));
    EXPECT_EQ(files.ReadString(path, "ResourceString", "RES_Startup", "x"), "Autostart");
    EXPECT_EQ(files.ReadString(path, "ResourceString", "RES_Other", "x"), "x");
    EXPECT_EQ(files.ReadString((folder / "Lan_None.ini").string(), "ResourceString", "RES_Startup", "y"), "y");
    EXPECT_EQ(files.ReadString(path, "S", "k", std::string(3000, 'd')).size(), 2047u) << "the default is cut too";
    std::filesystem::remove_all(folder);
}

// ------------------------------------------------------------ the checks of shipped files

TEST(LanguageFileCheckTest, EnglishFileMustMatchTheProgram) {
    const std::vector<const ui::FormDef*> forms{&SampleForm()};
    const std::vector<ResourceText> resources{{"RES_A", "Alpha"}, {"RES_B", "Beta"}};
    std::string sound = "[ResourceString]\r\nRES_A=Alpha\r\nRES_B=Beta\r\n[frmSample]\r\nfrmSample=Sample\r\n";
    for (const LanguageKey& key : DesignTimeKeys(SampleForm()))
        if (key.section == "frmSample" && key.key != "frmSample") sound += key.key + "=" + key.english + "\r\n";
    sound += "[Menu_frmSample]\r\nmiFile=File\r\nmiOpen=&Open\r\nmiHidden=Hidden\r\nmiPopupEntry=Entry\r\n";
    EXPECT_EQ(CheckEnglishLanguageFile(ProfileText(sound), forms, resources), std::vector<std::string>{});

    struct Case {
        const char* what;
        std::string text;
        const char* mentions;
    };
    const auto replace = [&](const std::string& from, const std::string& to) {
        std::string copy = sound;
        copy.replace(copy.find(from), from.size(), to);
        return copy;
    };
    const Case cases[] = {
        {"a RES_ key missing", replace("RES_B=Beta\r\n", ""), "lacks RES_B"},
        {"a RES_ key too many", replace("RES_B=Beta\r\n", "RES_B=Beta\r\nRES_C=Gamma\r\n"), "RES_C belongs to nothing"},
        {"other English wording", replace("RES_A=Alpha", "RES_A=Alfa"), "RES_A is \"Alfa\""},
        {"a control missing", replace("tvTree_2=next root\r\n", ""), "lacks tvTree_2"},
        {"a column too many", replace("lvList_Column1=c1\r\n", "lvList_Column1=c1\r\nlvList_Column2=c2\r\n"),
         "lvList_Column2 belongs to nothing"},
        {"a menu entry missing", replace("miHidden=Hidden\r\n", ""), "lacks miHidden"},
        {"a window that does not exist", sound + "[frmGone]\r\nfrmGone=Gone\r\n", "[frmGone] belongs to no window"},
        {"a section twice", sound + "[ResourceString]\r\nRES_A=Alpha\r\n", "[ResourceString] is written twice"},
        {"a key twice", replace("RES_A=Alpha\r\n", "RES_A=Alpha\r\nres_a=Alpha\r\n"), "res_a is written twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> problems = CheckEnglishLanguageFile(ProfileText(c.text), forms, resources);
        ASSERT_FALSE(problems.empty());
        bool found = false;
        for (const std::string& problem : problems) found = found || problem.find(c.mentions) != std::string::npos;
        EXPECT_TRUE(found) << problems.front();
    }
}

TEST(LanguageFileCheckTest, TranslationMustHaveExactlyTheEnglishKeys) {
    const ProfileText english("[ResourceString]\r\nRES_A=Alpha\r\nRES_B=\r\n[frmX]\r\nfrmX=X\r\n");
    EXPECT_EQ(CheckTranslatedLanguageFile(english, ProfileText("[ResourceString]\r\nRES_A=Alfa\r\nRES_B=\r\n[frmX]\r\nfrmX=Iks\r\n")),
              std::vector<std::string>{});
    struct Case {
        const char* what;
        const char* text;
        const char* mentions;
    };
    const Case cases[] = {
        {"a key missing", "[ResourceString]\r\nRES_A=Alfa\r\n[frmX]\r\nfrmX=Iks\r\n", "lacks RES_B"},
        {"a section missing", "[ResourceString]\r\nRES_A=Alfa\r\nRES_B=\r\n", "lacks the section [frmX]"},
        {"a key too many", "[ResourceString]\r\nRES_A=Alfa\r\nRES_B=\r\nRES_Old=x\r\n[frmX]\r\nfrmX=Iks\r\n",
         "RES_Old is not in the English file"},
        {"a section too many", "[ResourceString]\r\nRES_A=Alfa\r\nRES_B=\r\n[frmX]\r\nfrmX=Iks\r\n[frmOld]\r\n",
         "[frmOld], which the English"},
        {"an empty translation", "[ResourceString]\r\nRES_A=\r\nRES_B=\r\n[frmX]\r\nfrmX=Iks\r\n", "RES_A is empty"},
        {"a key twice", "[ResourceString]\r\nRES_A=Alfa\r\nRES_A=Alfa\r\nRES_B=\r\n[frmX]\r\nfrmX=Iks\r\n",
         "RES_A is written twice"},
        {"a key in another case", "[ResourceString]\r\nRES_a=Alfa\r\nRES_B=\r\n[frmX]\r\nfrmX=Iks\r\n", "lacks RES_A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> problems = CheckTranslatedLanguageFile(english, ProfileText(c.text));
        ASSERT_FALSE(problems.empty());
        bool found = false;
        for (const std::string& problem : problems) found = found || problem.find(c.mentions) != std::string::npos;
        EXPECT_TRUE(found) << problems.front();
    }
}

TEST(ResourceStringsTest, KeysAreUniqueAndSpelledAsTheFilesSpellThem) {
    std::set<std::string> keys;
    for (const ResourceString& entry : kResourceStrings) {
        SCOPED_TRACE(entry.key);
        EXPECT_EQ(std::string(entry.key).rfind("RES_", 0), 0u);
        EXPECT_TRUE(keys.insert(entry.key).second) << "twice";
        EXPECT_NE(std::string(entry.english), "");
        EXPECT_EQ(EnglishResourceText(entry.key), entry.english);
    }
    EXPECT_EQ(keys.size(), kResourceStringCount);
    EXPECT_TRUE(keys.count("RES_Problem_AddRomve"));
    EXPECT_TRUE(keys.count("RES_Restory_Registry"));
    EXPECT_EQ(EnglishResourceText("RES_Problem_AddRemove"), nullptr);
    EXPECT_EQ(EnglishResourceText("RES_Restore_Registry"), nullptr);
    EXPECT_EQ(EnglishResourceText("res_startup"), nullptr) << "the program's own keys are matched exactly";
    EXPECT_STREQ(EnglishResourceText("RES_Scanning_Windows_Services"),
                 EnglishResourceText("RES_Problem_Obsolete_Software"));
    EXPECT_STREQ(EnglishResourceText("RES_File_Exist"), "has existed,overite it?");
}

}  // namespace
}  // namespace ks
