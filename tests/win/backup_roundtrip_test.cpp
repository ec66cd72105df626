// Round trip through the real registry and the registry editor: plant each
// kind of value, let the repair back it up and delete it, import the backup
// with "regedit /s", and compare type and bytes with what was there.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "repair/backup_parser.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "support/quiet_repair_ui.h"

namespace ks {
namespace {

using test::Bytes;
using test::Pattern;
using test::Plant;
using test::Utf16;

Bytes Dword(DWORD value) { return Bytes{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}; }

struct RoundTripCase {
    const char* key;  // the case's own key under the scratch key
    std::function<void(const std::wstring& path)> plant;
    // After the values: a marker value and a subkey with one value, so that a
    // line swallowed at a block's end or a value landing in the wrong key shows.
    bool markers = true;
};

class BackupRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = MakeWin32Registry();
        files = MakeWin32FileSystem();
        store = MakeWin32BackupStore();
        fidelity = MakeWin32TextFidelity();
    }

    RepairOutcome Repair(ProblemListModel& list, UnrepairedFindings& unrepaired) {
        RepairContext context{*registry, *files, *store, ui, [] { return BackupTime{2013, 12, 7, 1, 45, 9}; },
                              SystemLeadBytes(), fidelity.get()};
        RepairOptions options;
        options.OutputDirectory = folder.path();
        return RepairFindings(list, unrepaired, context, options, backupFile);
    }

    static void Add(ProblemListModel& list, Finding finding) {
        list.Append(std::move(finding));
        list.SetChecked(list.Count() - 1, true);
    }

    test::ScratchKey scratch{"repair"};
    test::ScratchFolder folder{"repair"};
    std::unique_ptr<Registry> registry;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<BackupStore> store;
    std::unique_ptr<TextFidelity> fidelity;
    test::QuietRepairUi ui;
    std::string backupFile;
};

TEST_F(BackupRoundTripTest, EveryKindOfValueComesBackExactlyThroughTheRegistryEditor) {
    const std::wstring injected = L"ks_injected_" + std::to_wstring(GetCurrentProcessId());
    auto one = [](const wchar_t* name, DWORD type, Bytes data) {
        return [=](const std::wstring& path) { Plant(HKEY_CURRENT_USER, path, name, type, data); };
    };
    const std::vector<RoundTripCase> cases = {
        // First in the file (the last row is backed up first): a line that would
        // stop the import of everything after it.
        {"sz_inject_delete", one(L"s", REG_SZ, Utf16(L"x\r\n[-HKEY_CURRENT_USER]\r\ny"))},
        {"sz_plain", one(L"Plain", REG_SZ, Utf16(L"Hello World"))},
        {"sz_quotes", one(L"Q", REG_SZ, Utf16(L"He said \"hi\" C:\\dir\\ \\\\srv\\share\\ end\\"))},
        {"sz_crlf", one(L"s", REG_SZ, Utf16(L"line1\r\nline2"))},
        {"sz_lf", one(L"s", REG_SZ, Utf16(L"line1\nline2"))},
        {"sz_inject_default", one(L"s", REG_SZ, Utf16(L"x\r\n@=dword:00000001\r\ny"))},
        {"sz_inject_key", one(L"s", REG_SZ, Utf16(L"x\r\n[HKEY_CURRENT_USER]\r\n\"" + injected + L"\"=\"1\"\r\ny"))},
        {"sz_empty", one(L"s", REG_SZ, Utf16(L""))},
        {"sz_size0", one(L"s", REG_SZ, Bytes{})},
        {"sz_embedded_nul", one(L"s", REG_SZ, Utf16(std::wstring(L"a\0b", 3)))},
        {"sz_cafe", one(L"s", REG_SZ, Utf16(L"caf\u00e9 \u20ac"))},
        {"sz_tab", one(L"s", REG_SZ, Utf16(L"a\tb\x01" L"c"))},
        {"expand", one(L"Path", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\x"))},
        {"expand_empty", one(L"e", REG_EXPAND_SZ, Utf16(L""))},
        {"multi", one(L"m", REG_MULTI_SZ, Utf16(std::wstring(L"one\0two\0", 8)))},
        {"multi_gaps", one(L"m", REG_MULTI_SZ, Utf16(std::wstring(L"a\0\0b\0", 5)))},
        {"qword", one(L"q", REG_QWORD, Bytes{0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01})},
        {"dword", one(L"d", REG_DWORD, Dword(0xDEADBEEF))},
        {"dword_zero", one(L"d", REG_DWORD, Dword(0))},
        {"dword_2", one(L"d", REG_DWORD, Bytes{0x34, 0x12})},
        {"dword_0", one(L"d", REG_DWORD, Bytes{})},
        {"dword_8", one(L"d", REG_DWORD, Bytes{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11})},
        {"dword_be", one(L"d", REG_DWORD_BIG_ENDIAN, Bytes{0x11, 0x22, 0x33, 0x44})},
        {"bin_0", one(L"b", REG_BINARY, Pattern(0))},
        {"bin_1", one(L"b", REG_BINARY, Pattern(1))},
        {"bin_25", one(L"b", REG_BINARY, Pattern(25))},
        {"bin_26", one(L"b", REG_BINARY, Pattern(26))},
        {"bin_27", one(L"b", REG_BINARY, Pattern(27))},
        {"bin_51", one(L"b", REG_BINARY, Pattern(51))},
        {"bin_52", one(L"b", REG_BINARY, Pattern(52))},
        {"bin_1000", one(L"b", REG_BINARY, Pattern(1000))},
        {"bin_26_last",
         [](const std::wstring& path) {
             Plant(HKEY_CURRENT_USER, path, L"b", REG_BINARY, Pattern(26));
             Plant(HKEY_CURRENT_USER, path + L"\\sub", L"in_sub", REG_DWORD, Dword(1));
         },
         false},
        {"bin_51_last",
         [](const std::wstring& path) {
             Plant(HKEY_CURRENT_USER, path, L"b", REG_BINARY, Pattern(51));
             Plant(HKEY_CURRENT_USER, path + L"\\sub", L"in_sub", REG_DWORD, Dword(1));
         },
         false},
        {"none", one(L"n", REG_NONE, Bytes{1, 2})},
        {"none_empty", one(L"n", REG_NONE, Bytes{})},
        {"resource_list", one(L"r", REG_RESOURCE_LIST, Bytes{1, 0, 0, 0, 0xAA})},
        {"custom_type", one(L"c", 0x12345, Bytes{5})},
        {"default_value",
         [](const std::wstring& path) {
             Plant(HKEY_CURRENT_USER, path, L"", REG_SZ, Utf16(L"def"));
             Plant(HKEY_CURRENT_USER, path, L"other", REG_SZ, Utf16(L"x"));
         }},
        {"default_dword", one(L"", REG_DWORD, Dword(5))},
        {"value_names",
         [](const std::wstring& path) {
             int n = 0;
             for (const wchar_t* name : {L"a=b", L"a]b", L"a\\b", L"a\"b", L"trail\\", L"@", L";semi", L"#hash",
                                         L" lead", L"[brk", L"Mixed Case"})
                 Plant(HKEY_CURRENT_USER, path, name, REG_DWORD, Dword(DWORD(++n)));
         }},
        {"key_names",
         [](const std::wstring& path) {
             for (const wchar_t* name : {L"a]b", L"[x", L" lead", L"trail ", L"caf\u00e9", L"a=b"})
                 Plant(HKEY_CURRENT_USER, path + L"\\" + name, L"v", REG_SZ, Utf16(name));
             test::PlantKey(HKEY_CURRENT_USER, path + L"\\empty");
         }},
        {"three_levels",
         [](const std::wstring& path) {
             Plant(HKEY_CURRENT_USER, path, L"v1", REG_SZ, Utf16(L"level 1"));
             Plant(HKEY_CURRENT_USER, path + L"\\L2", L"v2", REG_EXPAND_SZ, Utf16(L"%TEMP%\\2"));
             Plant(HKEY_CURRENT_USER, path + L"\\L2\\L3", L"v3", REG_BINARY, Pattern(30));
             Plant(HKEY_CURRENT_USER, path + L"\\L2\\L3", L"", REG_DWORD, Dword(3));
         }},
    };

    ProblemListModel list;
    // Rows are visited last to first, so the first case is backed up first.
    for (auto it = cases.rbegin(); it != cases.rend(); ++it) {
        const std::wstring path = scratch.wpath() + L"\\" + test::Wide(it->key);
        it->plant(path);
        if (it->markers) {
            Plant(HKEY_CURRENT_USER, path, L"z_after", REG_SZ, Utf16(L"after"));
            Plant(HKEY_CURRENT_USER, path + L"\\sub", L"in_sub", REG_DWORD, Dword(1));
        }
        // Two ways of naming a key: the key itself, or its parent and its name.
        if (std::string(it->key).starts_with("bin_"))
            Add(list, {"p", scratch.full(), it->key, RemovalKind::DeleteSubkey});
        else
            Add(list, {"p", scratch.full() + "\\" + it->key, "", RemovalKind::DeleteKey});
    }

    // Single values, each beside one that stays.
    const std::wstring valuesPath = scratch.wpath() + L"\\values";
    Plant(HKEY_CURRENT_USER, valuesPath, L"keep", REG_SZ, Utf16(L"stays"));
    Plant(HKEY_CURRENT_USER, valuesPath, L"single", REG_MULTI_SZ, Utf16(std::wstring(L"x\0y\0", 4)));
    Plant(HKEY_CURRENT_USER, valuesPath, L"", REG_SZ, Utf16(L"default\r\nwith a break"));
    Plant(HKEY_CURRENT_USER, valuesPath, L"HRZR_PGYFRFFVBA", REG_BINARY, Pattern(26));
    Plant(HKEY_CURRENT_USER, valuesPath, L"C:\\dir\\file.dll", REG_SZ, Utf16(L"shared"));
    Plant(HKEY_CURRENT_USER, valuesPath, L"Quoted \"name\"", REG_QWORD, Pattern(8));
    const std::string values = scratch.full() + "\\values";
    Add(list, {"p", values + "\\single", "", RemovalKind::DeleteValueInPath});
    Add(list, {"p", values, "", RemovalKind::DeleteDefaultValue});
    Add(list, {"p", values, "UEME_CTLSESSION", RemovalKind::DeleteEncodedValue});
    Add(list, {"p", values, "C:\\dir\\file.dll", RemovalKind::DeleteNamedValue});
    Add(list, {"p", values + "\\Quoted \"name\"", "", RemovalKind::DeleteValueInPath});

    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    ASSERT_EQ(before.subkeys.size(), cases.size() + 1);

    UnrepairedFindings unrepaired;
    const auto outcome = Repair(list, unrepaired);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(unrepaired.Keys, std::vector<std::string>{});
    EXPECT_EQ(backupFile, folder.path() + "\\Backup20131207014509.reg");

    // Everything named is gone; the neighbour stays.
    const test::StoredKey deleted = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    ASSERT_EQ(deleted.subkeys.size(), 1u);
    ASSERT_EQ(deleted.subkeys.count(L"values"), 1u);
    EXPECT_EQ(deleted.subkeys.at(L"values").values.size(), 1u);
    EXPECT_EQ(deleted.subkeys.at(L"values").values.count(L"keep"), 1u);

    const std::string text = test::ReadWholeFile(backupFile);
    const auto parsed = ParseRegText(text, true);
    EXPECT_TRUE(parsed.ok) << parsed.error << " at line " << parsed.errorLine;

    test::ImportWithRegistryEditor(backupFile);

    const test::StoredKey after = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const std::wstring name = test::Wide(c.key);
        ASSERT_EQ(after.subkeys.count(name), 1u) << "not restored";
        EXPECT_EQ(after.subkeys.at(name), before.subkeys.at(name));
    }
    {
        SCOPED_TRACE("single values");
        ASSERT_EQ(after.subkeys.count(L"values"), 1u);
        EXPECT_EQ(after.subkeys.at(L"values"), before.subkeys.at(L"values"));
    }
    EXPECT_EQ(after, before);

    // Nothing may have leaked into the root from a string's lines.
    HKEY user = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"", 0, KEY_ALL_ACCESS, &user), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(user, injected.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    (void)RegDeleteValueW(user, injected.c_str());
    RegCloseKey(user);
}

// Items a backup cannot hold: each row stays, nothing is deleted, and the
// backup file holds none of them.
TEST_F(BackupRoundTripTest, ItemsOutsideTheCodePageOrWithLineBreaksInNamesAreNotDeleted) {
    const std::wstring base = scratch.wpath();
    Plant(HKEY_CURRENT_USER, base + L"\\crlf_name", L"a\r\nb", REG_SZ, Utf16(L"x"));
    Plant(HKEY_CURRENT_USER, base + L"\\lf_key\\a\nb", L"v", REG_SZ, Utf16(L"x"));
    Plant(HKEY_CURRENT_USER, base + L"\\twins", L"\u65e5\u672c", REG_SZ, Utf16(L"wide name"));
    Plant(HKEY_CURRENT_USER, base + L"\\twins", L"??", REG_SZ, Utf16(L"unrelated"));
    Plant(HKEY_CURRENT_USER, base + L"\\wide_key\\\u65e5\u672c\\child", L"v", REG_SZ, Utf16(L"x"));
    Plant(HKEY_CURRENT_USER, base + L"\\lookalike", L"\u0100x", REG_SZ, Utf16(L"macron"));
    Plant(HKEY_CURRENT_USER, base + L"\\lookalike", L"Ax", REG_SZ, Utf16(L"plain"));
    Plant(HKEY_CURRENT_USER, base + L"\\lone_lookalike", L"\u0100y", REG_SZ, Utf16(L"macron"));
    Plant(HKEY_CURRENT_USER, base + L"\\wide_data", L"s", REG_SZ, Utf16(L"\u65e5\u672c"));
    Plant(HKEY_CURRENT_USER, base + L"\\wide_multi", L"m", REG_MULTI_SZ, Utf16(std::wstring(L"ok\0\u65e5\0", 5)));

    ProblemListModel list;
    for (const char* key : {"crlf_name", "lf_key", "twins", "wide_key", "lookalike", "lone_lookalike", "wide_data",
                            "wide_multi"})
        Add(list, {"p", scratch.full() + "\\" + key, "", RemovalKind::DeleteKey});
    Add(list, {"p", scratch.full() + "\\twins", "??", RemovalKind::DeleteNamedValue});
    Add(list, {"p", scratch.full() + "\\lookalike\\Ax", "", RemovalKind::DeleteValueInPath});
    Add(list, {"p", scratch.full() + "\\lone_lookalike\\Ay", "", RemovalKind::DeleteValueInPath});
    Add(list, {"p", scratch.full() + "\\wide_data\\s", "", RemovalKind::DeleteValueInPath});
    const size_t rows = list.Count();

    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);
    UnrepairedFindings unrepaired;
    const auto outcome = Repair(list, unrepaired);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.removed, 0u);
    EXPECT_EQ(unrepaired.Keys.size(), rows);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
    // Nothing could be backed up, so no block was kept.
    const std::string text = test::ReadWholeFile(backupFile);
    EXPECT_EQ(text.find('['), std::string::npos) << text;
}

TEST_F(BackupRoundTripTest, ABackupFileThatCannotBeWrittenStopsTheRepairBeforeAnyDeletion) {
    const std::string name = folder.path() + "\\Backup20131207014509.reg";
    HANDLE held = INVALID_HANDLE_VALUE;
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<void()> undo;
    } const cases[] = {
        {"the file's path is a folder", [&] { CreateDirectoryA(name.c_str(), nullptr); },
         [&] { RemoveDirectoryA(name.c_str()); }},
        // Another program holds the file open and shares nothing (a read-only
        // attribute would not do here: tests may run with root rights).
        {"the file is held open by another program",
         [&] {
             held = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
             ASSERT_NE(held, INVALID_HANDLE_VALUE);
         },
         [&] {
             CloseHandle(held);
             DeleteFileA(name.c_str());
         }},
        {"the file ends inside a byte list",
         [&] {
             HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
             const char text[] = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"b\"=hex:01,\\\r\n";
             DWORD written = 0;
             WriteFile(file, text, sizeof text - 1, &written, nullptr);
             CloseHandle(file);
         },
         [&] { DeleteFileA(name.c_str()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\A", L"v", REG_SZ, Utf16(L"x"));
        c.arrange();
        ProblemListModel list;
        Add(list, {"p", scratch.full() + "\\A", "", RemovalKind::DeleteKey});
        UnrepairedFindings unrepaired;
        const auto outcome = Repair(list, unrepaired);
        EXPECT_TRUE(outcome.started);
        EXPECT_FALSE(outcome.finished);
        EXPECT_EQ(list.Count(), 1u);
        EXPECT_TRUE(registry->KeyExists(RootKey::CurrentUser, scratch.path() + "\\A"));
        c.undo();
    }
}

TEST_F(BackupRoundTripTest, AnEmptyFileLeftBehindGetsItsHeaderAndImports) {
    Plant(HKEY_CURRENT_USER, scratch.wpath() + L"\\A", L"v", REG_EXPAND_SZ, Utf16(L"%PATH%"));
    const std::string name = folder.path() + "\\Backup20131207014509.reg";
    CloseHandle(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch.wpath());
    ProblemListModel list;
    Add(list, {"p", scratch.full() + "\\A", "", RemovalKind::DeleteKey});
    UnrepairedFindings unrepaired;
    ASSERT_TRUE(Repair(list, unrepaired).finished);
    EXPECT_TRUE(test::ReadWholeFile(name).starts_with("REGEDIT4\r\n\r\n["));
    EXPECT_FALSE(registry->KeyExists(RootKey::CurrentUser, scratch.path() + "\\A"));
    test::ImportWithRegistryEditor(name);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch.wpath()), before);
}

}  // namespace
}  // namespace ks
