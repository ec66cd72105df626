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
enum Mark { KeepValue, StaleValue, KeepKey, StaleKey };

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

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class LocationScanWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::InitializeUi();
        marker = "ks-loc-" + std::to_string(GetCurrentProcessId());
        wfolder = Wide(folder.path());
        for (const std::string name : {"present.exe", "present.ttf", "present.dll", "unused.dll"})
            ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\" + name, "x"));
        for (const char* suffix : {"-good.exe", "-good.hlp"})
            ASSERT_TRUE(test::WriteWholeFile(folder.path() + "\\" + marker + suffix, "x"));
        settingsFile = folder.path() + "\\options.ini";
        const std::string backups = folder.path() + "\\backups";
        CreateDirectoryA(backups.c_str(), nullptr);
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"OutputDirectory", backups},
                                         {"ShowHint", "0"}, {"RestorePoint", "0"}, {"Beep", "0"}})
            WritePrivateProfileStringA("Options", key.c_str(), value.c_str(), settingsFile.c_str());
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

    // Plants a value and notes the entry. Remembers what to take away
    // afterwards: the topmost key the planting creates, or the value when
    // its key was there before.
    void Put(HKEY root, const std::wstring& key, const std::wstring& name, Mark mark, DWORD type, const Bytes& data) {
        if (KeyExists(root, key)) {
            ownedValues.emplace_back(root, key, name);
        } else {
            std::wstring top = key;
            for (size_t at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1))
                if (!KeyExists(root, key.substr(0, at))) {
                    top = key.substr(0, at);
                    break;
                }
            if (std::find(ownedKeys.begin(), ownedKeys.end(), std::make_pair(root, top)) == ownedKeys.end())
                ownedKeys.emplace_back(root, top);
        }
        test::Plant(root, key, name, type, data);
        const bool whole = mark == KeepKey || mark == StaleKey;
        const Item item{root, key, whole ? std::nullopt : std::optional(name), mark == StaleValue || mark == StaleKey};
        if (std::none_of(items.begin(), items.end(),
                         [&](const Item& i) { return i.root == root && i.key == key && i.value == item.value; }))
            items.push_back(item);
    }
    void Put(HKEY root, const std::wstring& key, const std::wstring& name, Mark mark, const std::wstring& text) {
        Put(root, key, name, mark, REG_SZ, Utf16(text));
    }
    void Put(HKEY root, const std::wstring& key, const std::wstring& name, Mark mark, DWORD number) {
        Put(root, key, name, mark, REG_DWORD, Dword(number));
    }
    std::wstring In(const std::string& name) const { return wfolder + L"\\" + Wide(name); }

    test::ScratchFolder folder{"location"};
    std::string marker;
    std::wstring wfolder;
    std::string settingsFile;
    std::vector<Item> items;
    std::vector<std::pair<HKEY, std::wstring>> ownedKeys;
    std::vector<std::tuple<HKEY, std::wstring, std::wstring>> ownedValues;
};

TEST_F(LocationScanWineTest, NineSectionsReportExactlyThePlantedStaleEntriesAndRestoreWhatTheRepairTook) {
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring m = Wide(marker);
    const std::wstring appPaths = kWindows + L"App Paths\\";
    const std::wstring fonts = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::wstring help = L"Software\\Microsoft\\Windows\\Help";
    const std::wstring shared = kWindows + L"SharedDlls";
    const std::wstring run = kWindows + L"Run";
    const std::wstring startupReg = L"Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\";
    const std::wstring uninstall = kWindows + L"Uninstall\\";
    const std::wstring services = L"SYSTEM\\CurrentControlSet\\Services\\";
    const std::wstring folders = kWindows + L"Installer\\Folders";
    const std::wstring arpCache = kWindows + L"App Management\\ARPCache\\";
    const std::wstring apps = L"Software\\Classes\\Applications\\";
    const std::wstring gone = In("gone.exe");
    const std::wstring present = L"\"" + In("present.exe") + L"\"";

    Put(lm, appPaths + m + L"-good.exe", L"", KeepKey, In(marker + "-good.exe"));
    Put(lm, appPaths + m + L"-stale.exe", L"", StaleKey, In(marker + "-stale.exe"));
    Put(lm, fonts, m + L" good", KeepValue, In("present.ttf"));
    Put(lm, fonts, m + L" stale", StaleValue, In("gone.ttf"));
    Put(lm, help, m + L"-good.hlp", KeepValue, wfolder);
    Put(lm, help, m + L"-stale.hlp", StaleValue, wfolder + L"\\");
    Put(lm, L"Software\\Microsoft\\Windows\\Html Help", m + L"-stale.chm", StaleValue, wfolder);
    Put(lm, shared, In("present.dll"), KeepValue, 1);
    Put(lm, shared, In("unused.dll"), StaleValue, 0);
    Put(lm, shared, In(marker + "-gone.dll"), StaleValue, 2);
    Put(HKEY_CURRENT_USER, run, m + L"-good", KeepValue, present + L" /min");
    Put(HKEY_CURRENT_USER, run, m + L"-stale", StaleValue, gone + L" /q");
    Put(HKEY_CURRENT_USER, run, m + L"-empty", StaleValue, L"");
    Put(lm, run, m + L"-machine", StaleValue, gone);
    Put(lm, startupReg + m + L"-good", L"command", KeepKey, present);
    Put(lm, startupReg + m + L"-stale", L"command", StaleKey, gone);
    Put(lm, uninstall + m + L"-good", L"UninstallString", KeepValue, present + L" /u");
    Put(lm, uninstall + m + L"-good", L"DisplayIcon", StaleValue, gone + L",0");
    Put(lm, uninstall + m + L"-orphan", L"DisplayName", StaleKey, L"Gone for good");
    Put(lm, services + m + L"-good", L"ImagePath", KeepKey, present + L" -service");
    Put(lm, services + m + L"-stale", L"ImagePath", StaleValue, gone + L" -service");
    Put(lm, services + m + L"-stale", L"Start", KeepValue, 3);  // the service's key stays
    Put(lm, folders, wfolder + L"\\", KeepValue, L"");
    Put(lm, folders, wfolder + L"\\" + m + L"-gone\\", StaleValue, L"");
    Put(lm, arpCache + m + L"-good", L"Size", KeepKey, 5);
    Put(lm, arpCache + m + L"-cache", L"Size", StaleKey, 5);
    Put(lm, apps + m + L"-good.exe\\shell\\open\\command", L"", KeepKey, present + L" \"%1\"");
    Put(lm, apps + m + L"-stale.exe\\shell\\open\\command", L"", StaleKey, L"\"" + gone + L"\" \"%1\"");
    Put(lm, apps + m + L"-stale.exe\\shell\\edit\\command", L"x", StaleKey, 1);  // no default value

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
