// The nine location sections over Wine's real registry, as a user runs them:
// good and stale entries planted in the real lists (App Paths, fonts, help,
// shared DLLs, Run keys, uninstall entries, services, installer records,
// "Open with" programs), only those sections ticked in the main window, the
// scan read back from the real problem list, the planted stale rows repaired
// with a backup, and that backup restored by the registry editor.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/scan_tree.h"
#include "app/win/app_wiring.h"
#include "app/win/main_window.h"
#include "backup_registry_dump.h"
#include "control_probes.h"
#include "restore/win/registry_editor_path.h"
#include "settings/settings.h"
#include "ui/win/common_controls.h"
#include "ui/win/window.h"

namespace ks {
namespace {

using test::Bytes;
using test::StoredKey;
using test::Utf16;
using test::Wide;

const std::wstring kWindows = L"Software\\Microsoft\\Windows\\CurrentVersion\\";

Bytes Dword(DWORD value) { return Bytes{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}; }

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// One planted entry: a whole key, or one value of a key.
struct Item {
    HKEY root;
    std::wstring key;
    std::optional<std::wstring> value;
    bool stale;
};

// What an entry holds now: the key's dump, or a key holding just the value;
// nothing when it is gone.
std::optional<StoredKey> Capture(const Item& item) {
    if (!KeyExists(item.root, item.key)) return std::nullopt;
    StoredKey whole = test::Dump(item.root, item.key);
    if (!item.value) return whole;
    const auto found = whole.values.find(*item.value);
    if (found == whole.values.end()) return std::nullopt;
    StoredKey one;
    one.values.insert(*found);
    return one;
}

class LocationScanWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        marker = "ks-loc-" + std::to_string(GetCurrentProcessId());
        wmarker = Wide(marker);
        wfolder = Wide(folder.path());
        for (const char* name : {"present.exe", "present.ttf", "present.dll", "unused.dll"})
            ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\" + name, "x"));
        ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\" + marker + "-good.exe", "x"));
        ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\" + marker + "-good.hlp", "x"));
        settingsFile = folder.path() + "\\options.ini";
        backups = folder.path() + "\\backups";
        CreateDirectoryA(backups.c_str(), nullptr);
        WritePrivateProfileStringA("Options", "OutputDirectory", backups.c_str(), settingsFile.c_str());
        WritePrivateProfileStringA("Options", "ShowHint", "0", settingsFile.c_str());
        WritePrivateProfileStringA("Options", "RestorePoint", "0", settingsFile.c_str());
        WritePrivateProfileStringA("Options", "Beep", "0", settingsFile.c_str());
    }

    void TearDown() override {
        for (const auto& [root, key, value] : ownedValues) {
            HKEY open = nullptr;
            if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, &open) == ERROR_SUCCESS) {
                RegDeleteValueW(open, value.c_str());
                RegCloseKey(open);
            }
        }
        for (auto it = ownedKeys.rbegin(); it != ownedKeys.rend(); ++it) RegDeleteTreeW(it->first, it->second.c_str());
        Settings = SettingsRecord{};
    }

    // Plants a value; remembers what to take away afterwards: the topmost key
    // the planting creates, or the value when its key was there before.
    void Plant(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const Bytes& data) {
        if (KeyExists(root, key)) {
            ownedValues.emplace_back(root, key, name);
        } else {
            std::wstring top = key;
            for (size_t at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1))
                if (!KeyExists(root, key.substr(0, at))) {
                    top = key.substr(0, at);
                    break;
                }
            const auto owned = std::make_pair(root, top);
            if (std::find(ownedKeys.begin(), ownedKeys.end(), owned) == ownedKeys.end()) ownedKeys.push_back(owned);
        }
        test::Plant(root, key, name, type, data);
    }
    void PlantText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        Plant(root, key, name, REG_SZ, Utf16(text));
    }
    std::wstring In(const char* name) const { return wfolder + L"\\" + Wide(name); }

    test::ScratchFolder folder{"location"};
    std::string marker;
    std::wstring wmarker;
    std::wstring wfolder;
    std::string settingsFile;
    std::string backups;
    std::vector<std::pair<HKEY, std::wstring>> ownedKeys;
    std::vector<std::tuple<HKEY, std::wstring, std::wstring>> ownedValues;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST_F(LocationScanWineTest, NineSectionsReportExactlyThePlantedStaleEntriesAndRestoreWhatTheRepairTook) {
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const HKEY cu = HKEY_CURRENT_USER;
    const std::wstring m = wmarker;
    const std::wstring appPaths = kWindows + L"App Paths\\";
    const std::wstring fonts = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::wstring help = L"Software\\Microsoft\\Windows\\Help";
    const std::wstring htmlHelp = L"Software\\Microsoft\\Windows\\Html Help";
    const std::wstring shared = kWindows + L"SharedDlls";
    const std::wstring run = kWindows + L"Run";
    const std::wstring startupReg = L"Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\";
    const std::wstring uninstall = kWindows + L"Uninstall\\";
    const std::wstring services = L"SYSTEM\\CurrentControlSet\\Services\\";
    const std::wstring folders = kWindows + L"Installer\\Folders";
    const std::wstring arpCache = kWindows + L"App Management\\ARPCache\\";
    const std::wstring apps = L"Software\\Classes\\Applications\\";
    const std::wstring gone = In("gone.exe");

    PlantText(lm, appPaths + m + L"-good.exe", L"", In((marker + "-good.exe").c_str()));
    PlantText(lm, appPaths + m + L"-stale.exe", L"", In((marker + "-stale.exe").c_str()));
    PlantText(lm, fonts, m + L" good", In("present.ttf"));
    PlantText(lm, fonts, m + L" stale", In("gone.ttf"));
    PlantText(lm, help, m + L"-good.hlp", wfolder);
    PlantText(lm, help, m + L"-stale.hlp", wfolder + L"\\");
    PlantText(lm, htmlHelp, m + L"-stale.chm", wfolder);
    Plant(lm, shared, In("present.dll"), REG_DWORD, Dword(1));
    Plant(lm, shared, In("unused.dll"), REG_DWORD, Dword(0));
    Plant(lm, shared, In((marker + "-gone.dll").c_str()), REG_DWORD, Dword(2));
    PlantText(cu, run, m + L"-good", L"\"" + In("present.exe") + L"\" /min");
    PlantText(cu, run, m + L"-stale", gone + L" /q");
    PlantText(cu, run, m + L"-empty", L"");
    PlantText(lm, run, m + L"-machine", gone);
    PlantText(lm, startupReg + m + L"-good", L"command", In("present.exe"));
    PlantText(lm, startupReg + m + L"-stale", L"command", gone);
    PlantText(lm, uninstall + m + L"-good", L"UninstallString", L"\"" + In("present.exe") + L"\" /u");
    PlantText(lm, uninstall + m + L"-good", L"DisplayIcon", gone + L",0");
    PlantText(lm, uninstall + m + L"-orphan", L"DisplayName", L"Gone for good");
    PlantText(lm, services + m + L"-good", L"ImagePath", L"\"" + In("present.exe") + L"\" -service");
    PlantText(lm, services + m + L"-stale", L"ImagePath", gone + L" -service");
    Plant(lm, services + m + L"-stale", L"Start", REG_DWORD, Dword(3));
    PlantText(lm, folders, wfolder + L"\\", L"");
    PlantText(lm, folders, wfolder + L"\\" + m + L"-gone\\", L"");
    Plant(lm, arpCache + m + L"-good", L"Size", REG_DWORD, Dword(5));
    Plant(lm, arpCache + m + L"-cache", L"Size", REG_DWORD, Dword(5));
    PlantText(lm, apps + m + L"-good.exe\\shell\\open\\command", L"", L"\"" + In("present.exe") + L"\" \"%1\"");
    PlantText(lm, apps + m + L"-stale.exe\\shell\\open\\command", L"", L"\"" + gone + L"\" \"%1\"");
    Plant(lm, apps + m + L"-stale.exe\\shell\\edit\\command", L"x", REG_DWORD, Dword(1));  // no default value

    const std::vector<Item> items = {
        {lm, appPaths + m + L"-good.exe", {}, false},
        {lm, appPaths + m + L"-stale.exe", {}, true},
        {lm, fonts, m + L" good", false},
        {lm, fonts, m + L" stale", true},
        {lm, help, m + L"-good.hlp", false},
        {lm, help, m + L"-stale.hlp", true},
        {lm, htmlHelp, m + L"-stale.chm", true},
        {lm, shared, In("present.dll"), false},
        {lm, shared, In("unused.dll"), true},
        {lm, shared, In((marker + "-gone.dll").c_str()), true},
        {cu, run, m + L"-good", false},
        {cu, run, m + L"-stale", true},
        {cu, run, m + L"-empty", true},
        {lm, run, m + L"-machine", true},
        {lm, startupReg + m + L"-good", {}, false},
        {lm, startupReg + m + L"-stale", {}, true},
        {lm, uninstall + m + L"-good", L"UninstallString", false},
        {lm, uninstall + m + L"-good", L"DisplayIcon", true},
        {lm, uninstall + m + L"-orphan", {}, true},
        {lm, services + m + L"-good", {}, false},
        {lm, services + m + L"-stale", L"ImagePath", true},
        {lm, services + m + L"-stale", L"Start", false},
        {lm, folders, wfolder + L"\\", false},
        {lm, folders, wfolder + L"\\" + m + L"-gone\\", true},
        {lm, arpCache + m + L"-good", {}, false},
        {lm, arpCache + m + L"-cache", {}, true},
        {lm, apps + m + L"-good.exe", {}, false},
        {lm, apps + m + L"-stale.exe\\shell\\open\\command", {}, true},
        {lm, apps + m + L"-stale.exe\\shell\\edit\\command", {}, true},
    };
    std::vector<std::optional<StoredKey>> before;
    for (const Item& item : items) {
        before.push_back(Capture(item));
        ASSERT_TRUE(before.back()) << Narrow(item.key);
    }

    const std::string machine = "HKEY_LOCAL_MACHINE\\";
    const std::string user = "HKEY_CURRENT_USER\\";
    const std::string f = folder.path();
    const std::string s = Narrow(kWindows);
    const std::string goneText = f + "\\gone.exe";
    std::vector<Finding> expected = {
        {"Software Locations Issue", machine + s + "App Paths\\" + marker + "-stale.exe",
         f + "\\" + marker + "-stale.exe", RemovalKind::DeleteKey},
        {"Fonts Issue", machine + "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\" + marker + " stale",
         f + "\\gone.ttf", RemovalKind::DeleteValueInPath},
        {"Invalid Help Files", machine + "Software\\Microsoft\\Windows\\Help\\" + marker + "-stale.hlp",
         f + "\\" + marker + "-stale.hlp", RemovalKind::DeleteValueInPath},
        {"Invalid Help Files", machine + "Software\\Microsoft\\Windows\\Html Help\\" + marker + "-stale.chm",
         f + "\\" + marker + "-stale.chm", RemovalKind::DeleteValueInPath},
        {"Missing Shared Dlls", machine + s + "SharedDlls", f + "\\unused.dll", RemovalKind::DeleteNamedValue},
        {"Missing Shared Dlls", machine + s + "SharedDlls", f + "\\" + marker + "-gone.dll",
         RemovalKind::DeleteNamedValue},
        {"Missing Startup Programs", user + s + "Run\\" + marker + "-stale", goneText + " /q",
         RemovalKind::DeleteValueInPath},
        {"Missing Startup Programs", user + s + "Run\\" + marker + "-empty", "", RemovalKind::DeleteValueInPath},
        {"Missing Startup Programs", machine + s + "Run\\" + marker + "-machine", goneText,
         RemovalKind::DeleteValueInPath},
        {"Missing Startup Programs",
         machine + "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\" + marker + "-stale", goneText,
         RemovalKind::DeleteKey},
        {"Add/Remove Programs Issue", machine + s + "Uninstall", marker + "-orphan", RemovalKind::DeleteSubkey},
        {"Windows Service Issue", machine + "SYSTEM\\CurrentControlSet\\Services\\" + marker + "-stale\\ImagePath",
         goneText + " -service", RemovalKind::DeleteValueInPath},
        {"Installer Reference Issue",
         machine + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + marker + "-good\\DisplayIcon",
         goneText + ",0", RemovalKind::DeleteValueInPath},
        {"Installer Reference Issue", machine + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
         f + "\\" + marker + "-gone\\", RemovalKind::DeleteNamedValue},
        {"Installer Reference Issue",
         machine + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache", marker + "-cache",
         RemovalKind::DeleteSubkey},
        {"Open with Application Issue",
         machine + "Software\\Classes\\Applications\\" + marker + "-stale.exe\\shell\\edit\\command", "",
         RemovalKind::DeleteKey},
        {"Open with Application Issue",
         machine + "Software\\Classes\\Applications\\" + marker + "-stale.exe\\shell\\open\\command",
         "\"" + goneText + "\" \"%1\"", RemovalKind::DeleteKey},
    };

    TfrmRegCleaner window(MainWindowOptions{settingsFile, "keyscrub.exe"});
    WireMainWindow(window);
    window.Show();
    HWND tree = window.Control("tvRegistry");
    auto press = [&](int imageIndex) {
        const HTREEITEM node = window.TreeNodes("tvRegistry").at(ScanTree::NodeOfImage(imageIndex));
        SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));  // the last sections lie below
        POINT at{};
        ASSERT_TRUE(test::TreeItemPartPoint(tree, node, TVHT_ONITEMSTATEICON, at)) << imageIndex;
        test::PressAt(tree, at);
    };
    press(1);  // everything off
    const std::vector<int> sections = {6, 7, 8, 9, 10, 11, 15, 21, 22};
    for (int id : sections) press(id);
    window.TaskIdList.emplace();
    window.WalkTree(0, WalkMode::Collect);
    for (int id : sections)
        EXPECT_NE(std::find(window.TaskIdList->begin(), window.TaskIdList->end(), std::to_string(id)),
                  window.TaskIdList->end())
            << id;

    window.Execute("aScanRegistry");

    // The rows, as the list view shows them; those of the prefix itself are
    // listed for the record and left unticked.
    ProblemList& problems = window.Problems();
    HWND list = window.Control("lvRegistryData");
    ASSERT_EQ(static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)), problems.Count());
    std::vector<Finding> ours;
    for (size_t row = 0; row < problems.Count(); ++row) {
        const Finding& finding = problems.Row(row);
        EXPECT_EQ(ui::RowText(list, static_cast<int>(row), 1), finding.KeyPath);
        if (finding.KeyPath.find(marker) != std::string::npos || finding.Value.find(marker) != std::string::npos ||
            finding.Value.find(f) != std::string::npos) {
            ours.push_back(finding);
        } else {
            std::printf("  prefix finding: %s | %s | %s\n", finding.Problem.c_str(), finding.KeyPath.c_str(),
                        finding.Value.c_str());
            problems.SetChecked(row, false);
        }
    }
    auto order = [](const Finding& a, const Finding& b) {
        return std::tie(a.KeyPath, a.Value) < std::tie(b.KeyPath, b.Value);
    };
    std::sort(ours.begin(), ours.end(), order);
    std::sort(expected.begin(), expected.end(), order);
    EXPECT_EQ(ours, expected);

    window.Execute("aRepairRegistry");

    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(Narrow(items[i].key) + (items[i].value ? " : " + Narrow(*items[i].value) : ""));
        const auto now = Capture(items[i]);
        if (items[i].stale) EXPECT_FALSE(now) << "not repaired";
        else EXPECT_EQ(now, before[i]) << "touched";
    }
    // The stale service keeps its key: only the image path went.
    EXPECT_TRUE(KeyExists(lm, services + m + L"-stale"));

    ASSERT_FALSE(window.CurrentBackupFile.empty());
    const std::string editor = RegistryEditorPath();
    ASSERT_FALSE(editor.empty());
    test::ChildProcess regedit(editor.c_str(), "regedit /s \"" + window.CurrentBackupFile + "\"", SW_HIDE);
    ASSERT_TRUE(regedit.started()) << regedit.failure();
    ASSERT_TRUE(regedit.Ended(180000));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(Narrow(items[i].key) + (items[i].value ? " : " + Narrow(*items[i].value) : ""));
        EXPECT_EQ(Capture(items[i]), before[i]);
    }
}

}  // namespace
}  // namespace ks
