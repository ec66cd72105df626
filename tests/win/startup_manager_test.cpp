// The startup manager under Wine: shortcuts made and read through the shell's
// link object, Run values of every type, the dialog over the real Run key and
// Startup folder, removal that the registry editor's import undoes, and a
// removal that fails.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "other_copy_repairing.h"
#include "recording_prompts.h"
#include "scan/win/win32_registry.h"
#include "settings/settings.h"
#include "base/text.h"
#include "startup/win/shell_link_reader.h"
#include "startup/win/startup_manager_dialog.h"
#include "ui/win/common_controls.h"
#include "ui/win/prompts.h"

namespace ks {
namespace {

using test::RecordingPrompts;

constexpr UINT kPoke = WM_APP + 0x322;
constexpr char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUserRun[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Writes a shortcut with the shell's link object: to a path, or to a shell
// item that has no file-system path when `path` is empty.
bool MakeShortcut(const std::string& file, const std::string& path) {
    if (FAILED(CoInitialize(nullptr))) return false;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool made = false;
    HRESULT set = E_FAIL;
    if (path.empty()) {
        ITEMIDLIST* controls = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, &controls))) {
            set = link->SetIDList(controls);
            CoTaskMemFree(controls);
        }
    } else {
        set = link->SetPath(path.c_str());
    }
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(set) && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        made = SUCCEEDED(persist->Save(test::Wide(file).c_str(), TRUE));
        persist->Release();
    }
    link->Release();
    return made;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return {};
    return path;
}

TEST(ShellLinkReaderTest, ShortcutsResolveToTheirTargetsOrToNothing) {
    test::ScratchFolder folder("shortcuts");
    const std::string target = folder.path() + "\\target program.exe";
    ASSERT_TRUE(test::WriteWholeFile(target, "MZ"));
    ASSERT_TRUE(MakeShortcut(folder.path() + "\\App.LNK", target));
    ASSERT_TRUE(MakeShortcut(folder.path() + "\\Panel.lnk", ""));
    ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\Broken.lnk", "not a shortcut"));
    // The shell's own link, its item-ID list cut off by the end of the file,
    // or without the terminator that ends its items: given to Wine's link
    // object, either sends it reading past its buffer.
    const std::string whole = test::ReadWholeFile(folder.path() + "\\App.LNK");
    ASSERT_GT(whole.size(), 0x4Eu);
    const std::size_t listSize = static_cast<unsigned char>(whole[0x4C]) | static_cast<unsigned char>(whole[0x4D]) << 8;
    ASSERT_GE(listSize, 4u);
    ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\Cut.lnk", whole.substr(0, 0x4E + listSize / 2)));
    std::string unended = whole;
    unended[0x4C] = static_cast<char>((listSize - 2) & 0xFF);
    unended[0x4D] = static_cast<char>((listSize - 2) >> 8);
    ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\Unended.lnk", unended));
    struct Case {
        const char* file;
        std::string expected;
    } const cases[] = {
        {"App.LNK", target},
        {"Panel.lnk", ""},  // a shell item without a file-system path
        {"Broken.lnk", ""},
        {"Cut.lnk", ""},
        {"Unended.lnk", ""},
        {"Missing.lnk", ""},
    };
    const auto reader = MakeShellLinkReader();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(EqualsNoCase(reader->ReadTarget(folder.path() + "\\" + c.file).path, c.expected));
    }
}

TEST(ListRegistryStartupTest, OnlyStringValuesUnexpandedAndTheDefaultWithAnEmptyCaption) {
    test::ScratchKey scratch("startup-types");
    const std::wstring key = scratch.wpath();
    test::Plant(HKEY_CURRENT_USER, key, L"Sz", REG_SZ, test::Utf16(L"C:\\sz.exe /a"));
    test::Plant(HKEY_CURRENT_USER, key, L"Expand", REG_EXPAND_SZ, test::Utf16(L"%SystemRoot%\\e.exe"));
    test::Plant(HKEY_CURRENT_USER, key, L"Dword", REG_DWORD, test::Bytes{1, 0, 0, 0});
    test::Plant(HKEY_CURRENT_USER, key, L"Qword", REG_QWORD, test::Bytes(8, 1));
    test::Plant(HKEY_CURRENT_USER, key, L"Binary", REG_BINARY, test::Bytes{'C', ':', 0});
    test::Plant(HKEY_CURRENT_USER, key, L"Multi", REG_MULTI_SZ, test::Utf16(std::wstring(L"a\0b\0", 4)));
    test::Plant(HKEY_CURRENT_USER, key, L"None", REG_NONE, test::Bytes{});
    test::Plant(HKEY_CURRENT_USER, key, L"Empty", REG_SZ, test::Utf16(L""));
    test::Plant(HKEY_CURRENT_USER, key, L"", REG_SZ, test::Utf16(L"C:\\default.exe"));
    const auto registry = MakeWin32Registry();
    std::vector<StartupEntry> rows;
    ListRegistryStartup(*registry, "hkey_current_user", scratch.path(), rows);
    const StartupSource source{"HKEY_CURRENT_USER", scratch.path()};
    const std::vector<StartupEntry> expected = {
        {"Sz", "C:\\sz.exe /a", scratch.full(), source},
        {"Expand", "%SystemRoot%\\e.exe", scratch.full(), source},
        {"Empty", "", scratch.full(), source},
        {"", "C:\\default.exe", scratch.full(), source},
    };
    // The registry lists values in its own order; compare as sets of rows.
    auto sorted = [](std::vector<StartupEntry> list) {
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.Caption < b.Caption; });
        return list;
    };
    EXPECT_EQ(sorted(rows), sorted(expected));
}

// Values planted under the real HKCU Run key and shortcuts in the real
// Startup folder, all named after this process, removed at the end.
class StartupManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        saved_ = Settings;
        Settings.Lan = "English";
        Settings.OutputDirectory = backups_.path();
        tag_ = "KeyscrubTest" + std::to_string(GetCurrentProcessId());
        HKEY run = nullptr;
        runExisted_ = RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_READ, &run) == ERROR_SUCCESS;
        if (run) RegCloseKey(run);
        startup_ = ShellFolder(CSIDL_STARTUP);
        ASSERT_FALSE(startup_.empty());
        target_ = backups_.path() + "\\tool.exe";
        ASSERT_TRUE(test::WriteWholeFile(target_, "MZ"));
    }
    void TearDown() override {
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
            for (const std::string& name : names_) RegDeleteValueA(run, name.c_str());
            RegCloseKey(run);
        }
        if (!runExisted_) RegDeleteKeyA(HKEY_CURRENT_USER, kRunPath);
        for (const std::string& file : files_) DeleteFileA(file.c_str());
        Settings = saved_;
    }
    std::string PlantValue(const std::string& suffix, DWORD type, const test::Bytes& data) {
        names_.push_back(tag_ + suffix);
        test::Plant(HKEY_CURRENT_USER, test::Wide(kRunPath), test::Wide(names_.back()), type, data);
        return names_.back();
    }
    std::string PlantFile(const std::string& name, bool shortcut) {
        files_.push_back(startup_ + "\\" + tag_ + name);
        EXPECT_TRUE(shortcut ? MakeShortcut(files_.back(), target_) : test::WriteWholeFile(files_.back(), "x"));
        return tag_ + name;
    }
    // Shows the dialog; `act` runs once it is up, and must close it.
    template <typename Act>
    int Run(TfrmStartupManager& dialog, Act act) {
        dialog.Create(nullptr);
        dialog.OnMessage(kPoke, [&](WPARAM, LPARAM) -> LRESULT {
            act();
            return 0;
        });
        PostMessageA(dialog.Handle(), kPoke, 0, 0);
        return dialog.ShowModal(nullptr);
    }
    static int RowOf(const TfrmStartupManager& dialog, const std::string& caption) {
        const auto& entries = dialog.Entries();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].Caption == caption) return static_cast<int>(i);
        return -1;
    }

    test::ScratchFolder backups_{"startup"};
    SettingsRecord saved_;
    std::string tag_;
    std::string startup_;
    std::string target_;
    bool runExisted_ = false;
    std::vector<std::string> names_;
    std::vector<std::string> files_;
};

TEST_F(StartupManagerTest, ListsTheRunKeyAndTheStartupFolderAndRemovesWhatTheImportBringsBack) {
    const std::string text = PlantValue("Text", REG_SZ, test::Utf16(L"\"C:\\Program Files\\t.exe\" -min"));
    const std::string expand = PlantValue("Expand", REG_EXPAND_SZ, test::Utf16(L"%ProgramFiles%\\x.exe"));
    const std::string number = PlantValue("Number", REG_DWORD, test::Bytes{5, 0, 0, 0});
    const std::string kept = PlantValue("Kept", REG_SZ, test::Utf16(L"C:\\kept.exe"));
    const std::string shortcut = PlantFile("App.LNK", true);
    const std::string notes = PlantFile("notes.txt", false);
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, test::Wide(kRunPath));

    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmStartupManager dialog;
    std::vector<StartupEntry> listed;
    int columnWidth = 0;
    const int result = Run(dialog, [&] {
        listed = dialog.Entries();
        const HWND list = dialog.Control("lvStartup");
        columnWidth = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
        EXPECT_EQ(ui::RowCount(list), static_cast<int>(listed.size()));
        dialog.bSelectAllClick();
        for (int row = 0; row < ui::RowCount(list); ++row) EXPECT_TRUE(ui::RowChecked(list, row));
        dialog.bSelectNoneClick();
        for (const std::string& name : {text, expand, shortcut}) ui::SetRowChecked(list, RowOf(dialog, name), true);
        dialog.bDeleteEntryClick();
        PostMessageA(dialog.Control("bClose"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, ui::kModalCancel);

    const auto find = [&](const std::string& caption) {
        return std::find_if(listed.begin(), listed.end(), [&](const auto& e) { return e.Caption == caption; });
    };
    ASSERT_NE(find(text), listed.end());
    const StartupSource run{"HKEY_CURRENT_USER", kRunPath};
    EXPECT_EQ(*find(text), (StartupEntry{text, "\"C:\\Program Files\\t.exe\" -min", kUserRun, run}));
    EXPECT_EQ(*find(expand), (StartupEntry{expand, "%ProgramFiles%\\x.exe", kUserRun, run}));
    EXPECT_EQ(find(number), listed.end());
    EXPECT_EQ(find(notes), listed.end());
    ASSERT_NE(find(shortcut), listed.end());
    EXPECT_EQ(find(shortcut)->Location, "Startup");
    EXPECT_EQ(find(shortcut)->Source.ShellFolder, kCsidlStartup);
    EXPECT_TRUE(EqualsNoCase(find(shortcut)->File, target_)) << find(shortcut)->File;
    // Every registry row comes before the folder rows.
    EXPECT_LT(find(text) - listed.begin(), find(shortcut) - listed.begin());
    EXPECT_GT(columnWidth, 0);

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(dialog.LastDeletion().removed, 3u);
    EXPECT_EQ(dialog.Entries().size(), listed.size() - 3);
    EXPECT_NE(RowOf(dialog, kept), -1);
    EXPECT_FALSE(test::PathExists(startup_ + "\\" + shortcut));
    const test::StoredKey after = test::Dump(HKEY_CURRENT_USER, test::Wide(kRunPath));
    EXPECT_EQ(after.values.count(test::Wide(text)), 0u);
    EXPECT_EQ(after.values.count(test::Wide(expand)), 0u);
    EXPECT_EQ(after.values.count(test::Wide(kept)), 1u);

    const std::string backup = dialog.LastDeletion().backupFile;
    ASSERT_TRUE(test::PathExists(backup)) << backup;
    test::ImportWithRegistryEditor(backup);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, test::Wide(kRunPath)), before);
}

TEST_F(StartupManagerTest, NothingIsDeletedWhileAnotherCopyRepairs) {
    const std::string value = PlantValue("Held", REG_SZ, test::Utf16(L"C:\\held.exe"));
    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmStartupManager dialog;
    bool stillListed = false;
    {
        test::OtherCopyRepairing other;
        ASSERT_TRUE(other.held());
        Run(dialog, [&] {
            ui::SetRowChecked(dialog.Control("lvStartup"), RowOf(dialog, value), true);
            dialog.bDeleteEntryClick();
            stillListed = RowOf(dialog, value) >= 0;
            PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
        });
    }
    EXPECT_TRUE(stillListed);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, test::Wide(kRunPath)).values.count(test::Wide(value)), 1u);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("is repairing or restoring"), std::string::npos) << prompts.messages[0];
}

TEST_F(StartupManagerTest, AFailedRemovalKeepsItsTickedRowAndIsReportedInTheActiveLanguage) {
    const std::string gone = PlantValue("Gone", REG_SZ, test::Utf16(L"C:\\gone.exe"));
    const std::string goes = PlantValue("Goes", REG_SZ, test::Utf16(L"C:\\goes.exe"));
    ASSERT_NE(GetFileAttributesA("Languages\\Lan_German.ini"), INVALID_FILE_ATTRIBUTES);
    Settings.Lan = "German";
    RecordingPrompts prompts;
    ui::ScopedPrompts scoped(prompts);
    TfrmStartupManager dialog;
    bool stillTicked = false;
    std::string column;
    Run(dialog, [&] {
        column = dialog.ItemText("lvStartup", 2);
        const HWND list = dialog.Control("lvStartup");
        ui::SetRowChecked(list, RowOf(dialog, gone), true);
        ui::SetRowChecked(list, RowOf(dialog, goes), true);
        // Removed elsewhere while the dialog is open.
        HKEY run = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_SET_VALUE, &run), ERROR_SUCCESS);
        RegDeleteValueA(run, gone.c_str());
        RegCloseKey(run);
        dialog.bDeleteEntryClick();
        const int row = RowOf(dialog, gone);
        stillTicked = row >= 0 && ui::RowChecked(list, row);
        PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(stillTicked);
    EXPECT_EQ(RowOf(dialog, goes), -1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "1 Autostart-Eintr\xE4ge konnten nicht entfernt werden.");
    EXPECT_EQ(dialog.Caption(), "Autostart-Manager");
    EXPECT_EQ(column, "Ort");
    EXPECT_EQ(prompts.styles[0], UINT(MB_OK | MB_ICONWARNING));
}

}  // namespace
}  // namespace ks
