// A registry no installer should leave behind, made from a fixed seed: names
// of every length with every byte of the code page, "?" and backslashes in
// value names, every value type and unknown type numbers, data up to a
// megabyte, strings without their terminator or with NULs inside, integers of
// odd sizes, ten thousand values in one key, keys 512 levels deep, keys that
// refuse writing or reading. The big tree lies in a scratch key of the user
// and a smaller one in the machine's software; hostile entries lie in every
// other list a scan section reads as well. Every section is run, as the main
// window runs them, and each must report rows among the planted entries;
// everything found there is repaired, then the scratch key's subtrees are
// deleted as whole keys: nothing crashes or hangs, what could not be backed up
// is still there, and the backups imported by the registry editor give back
// exactly what was there.
#include <windows.h>
#include <objbase.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/scan_tree.h"
#include "backup_registry_dump.h"
#include "hostile_areas.h"
#include "repair/file_copies.h"
#include "repair/filter.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
#include "scan/task_ids.h"
#include "scan/win/shell_shortcut_links.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "support/quiet_repair_ui.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

using test::Bytes;
using test::Plant;
using test::Utf16;

constexpr int kManyValues = 10000;
constexpr int kDepth = 512;
constexpr std::size_t kMegabyte = 1 << 20;

class HostileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        registry = MakeWin32Registry();
        files = MakeWin32FileSystem();
        store = MakeWin32BackupStore();
        fidelity = MakeWin32TextFidelity();
        const std::wstring pid = std::to_wstring(GetCurrentProcessId());
        gone = L"C:\\ks-hostile-gone-" + pid + L"\\";
        tree = L"hostile-" + pid;
        // The current user's hive under HKEY_USERS: the one holding the scratch key.
        std::wstring sid;
        wchar_t name[256];
        for (DWORD i = 0; sid.empty(); ++i) {
            DWORD chars = 256;
            if (RegEnumKeyExW(HKEY_USERS, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_USERS, (std::wstring(name) + L"\\" + base).c_str(), 0, KEY_READ, &key) ==
                ERROR_SUCCESS) {
                RegCloseKey(key);
                sid = name;
            }
        }
        ASSERT_FALSE(sid.empty());
        planting = std::make_unique<test::HostilePlanting>(L"KsHostile-" + pid + L"-", gone, sid);
    }
    void TearDown() override {
        planting.reset();
        CoUninitialize();
    }

    // A string that names a file that is not there.
    Bytes Stale(const std::wstring& file, bool terminated = true) { return Utf16(gone + file, terminated); }

    // The hostile tree below `top`; the whole one has the big pieces as well.
    void Generate(HKEY root, const std::wstring& top, bool whole) {
        const auto at = [&](const std::wstring& part) { return top + L"\\" + part; };
        std::mt19937 random(18);
        // Key names of every length up to the limit, and value names of
        // every length to 1024 characters and then some up to the limit.
        for (std::size_t length = 1; length <= 255; ++length)
            Plant(root, at(L"names\\") + test::HostileName(random, length, false), L"v", REG_SZ, Stale(L"key.exe"));
        std::vector<std::size_t> lengths;
        for (std::size_t length = 0; length <= 1024; ++length) lengths.push_back(length);
        for (std::size_t length : {2047u, 4096u, 16383u}) lengths.push_back(length);
        for (std::size_t length : lengths)
            Plant(root, at(L"valuenames"), test::HostileName(random, length, true), REG_SZ,
                  Stale(std::to_wstring(length) + L".exe"));
        for (const wchar_t* name : {L"?", L"??", L"a?b", L"\\", L"\\\\", L"a\\b", L"C:\\x?.exe", L"\\?\\", L"?\\"})
            Plant(root, at(L"valuenames\\odd"), name, REG_SZ, Stale(L"odd.exe"));

        // Every type, known or not, with a stale reference in it; strings
        // without a terminator, with NULs inside, of an odd byte count.
        const DWORD types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x20, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        for (const DWORD type : types) {
            const std::wstring key = at(L"types\\") + std::to_wstring(type);
            Plant(root, key, L"terminated", type, Stale(L"t.exe"));
            Plant(root, key, L"unterminated", type, Stale(L"u.exe", false));
            const Bytes inner = Utf16(gone + std::wstring(L"n.exe\0tail\0", 11), false);
            Plant(root, key, L"inner NUL", type, inner);
            Bytes odd = Stale(L"o.exe");
            odd.push_back(0x41);
            Plant(root, key, L"odd size", type, odd);
            Plant(root, key, L"empty", type, Bytes{});
            for (std::size_t size : {1u, 2u, 3u, 5u, 7u, 9u})
                Plant(root, key, L"size " + std::to_wstring(size), type, test::Pattern(size));
        }

        // A key that may only be read, and one that refuses even that.
        Plant(root, at(L"locked\\readonly"), L"stale", REG_SZ, Stale(L"r.exe"));
        Plant(root, at(L"locked\\readonly\\inside"), L"stale", REG_SZ, Stale(L"ri.exe"));
        Plant(root, at(L"locked\\sealed"), L"stale", REG_SZ, Stale(L"s.exe"));
        Plant(root, at(L"locked"), L"stale", REG_SZ, Stale(L"l.exe"));
        planting->Lock(root, at(L"locked\\readonly"), true);
        planting->Lock(root, at(L"locked\\sealed"), false);
        if (!whole) return;

        // Data from nothing to a megabyte.
        for (std::size_t size : {0u, 1u, 2u, 3u, 255u, 256u, 4095u, 4096u, 65535u, 65536u, 1u << 20}) {
            Plant(root, at(L"sizes"), L"binary " + std::to_wstring(size), REG_BINARY, test::Pattern(size));
            Bytes text = Stale(L"big.exe", false);
            text.resize(size, 0x20);
            if (size >= 2) text[size - 1] = text[size - 2] = 0;
            Plant(root, at(L"sizes"), L"string " + std::to_wstring(size), REG_SZ, text);
        }
        Bytes list(kMegabyte, 0);
        for (std::size_t offset = 0; offset + 80 < list.size(); offset += 80) {
            const Bytes item = Stale(std::to_wstring(offset) + L".dll");
            std::copy(item.begin(), item.end(), list.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        Plant(root, at(L"sizes"), L"multi 1 MB", REG_MULTI_SZ, list);

        // Ten thousand stale values in one key.
        HKEY many = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, at(L"many").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &many, nullptr),
                  ERROR_SUCCESS);
        for (int n = 0; n < kManyValues; ++n) {
            const Bytes data = Stale(L"many\\" + std::to_wstring(n) + L".exe");
            ASSERT_EQ(RegSetValueExW(many, (L"v" + std::to_wstring(n)).c_str(), 0, REG_SZ, data.data(),
                                     static_cast<DWORD>(data.size())),
                      ERROR_SUCCESS);
        }
        RegCloseKey(many);

        // 512 levels, a stale value every 64 of them.
        std::wstring deep = at(L"deep");
        for (int level = 1; level <= kDepth; ++level) {
            deep += L"\\d";
            if (level % 64 == 0) Plant(root, deep, L"at", REG_SZ, Stale(std::to_wstring(level) + L".exe"));
        }

        // Keys that hold nothing, with every byte in their names, and a chain of them.
        for (std::size_t length : {1u, 9u, 64u, 200u, 255u})
            test::PlantKey(root, at(L"empty\\") + test::HostileName(random, length, false));
        std::wstring chain = at(L"empty\\chain");
        for (int level = 0; level < 64; ++level) chain += L"\\e";
        test::PlantKey(root, chain);
    }

    RepairOutcome Repair(ProblemListModel& list, int second, std::string& backupFile) {
        for (std::size_t i = 0; i < list.Count(); ++i) list.SetChecked(i, true);
        RepairContext context{*registry, *files, *store, ui, [=] { return BackupTime{2026, 1, 18, 0, 0, second}; },
                              SystemLeadBytes(), fidelity.get()};
        RepairOptions options;
        options.OutputDirectory = folder.path();
        return RepairFindings(list, unrepaired, context, options, backupFile);
    }

    test::ScratchKey scratch{"hostile"};
    test::ScratchFolder folder{"hostile"};
    const std::wstring base = scratch.wpath();
    std::wstring gone;
    std::wstring tree;
    std::shared_ptr<Registry> registry;
    std::shared_ptr<FileSystem> files;
    std::unique_ptr<BackupStore> store;
    std::unique_ptr<TextFidelity> fidelity;
    test::QuietRepairUi ui;
    UnrepairedFindings unrepaired;
    // Declared last: it unlocks and takes away before the scratch key goes.
    std::unique_ptr<test::HostilePlanting> planting;
};

std::size_t CountValues(const test::StoredKey& key) {
    std::size_t n = key.values.size();
    for (const auto& [name, sub] : key.subkeys) n += CountValues(sub);
    return n;
}

std::size_t CountKeys(const test::StoredKey& key) {
    std::size_t n = 1;
    for (const auto& [name, sub] : key.subkeys) n += CountKeys(sub);
    return n;
}

// Where two trees differ, at most a few places, for a readable failure.
void Differences(const test::StoredKey& want, const test::StoredKey& got, const std::wstring& path,
                 std::vector<std::string>& out) {
    for (const auto& [name, value] : want.values) {
        if (out.size() >= 8) return;
        const auto found = got.values.find(name);
        if (found == got.values.end()) out.push_back("missing value " + test::Narrow(path + L" : " + name));
        else if (!(found->second == value)) out.push_back("changed value " + test::Narrow(path + L" : " + name));
    }
    for (const auto& [name, value] : got.values)
        if (out.size() < 8 && !want.values.count(name)) out.push_back("extra value " + test::Narrow(path + L" : " + name));
    for (const auto& [name, sub] : want.subkeys) {
        const auto found = got.subkeys.find(name);
        if (found == got.subkeys.end()) {
            if (out.size() < 8) out.push_back("missing key " + test::Narrow(path + L"\\" + name));
        } else {
            Differences(sub, found->second, path + L"\\" + name, out);
        }
    }
    for (const auto& [name, sub] : got.subkeys)
        if (out.size() < 8 && !want.subkeys.count(name)) out.push_back("extra key " + test::Narrow(path + L"\\" + name));
}

TEST_F(HostileRegistryTest, EverySectionMeetsItAndTheBackupsBringBackWhatTheRepairTook) {
    const auto started = std::chrono::steady_clock::now();
    std::string phases;
    const auto phase = [&](const char* name) {
        phases += " " + std::string(name) + " " +
                  std::to_string(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                                   started).count()) + " s";
    };
    // The trees: the user's is walked by three sections (twice under its
    // other name in HKEY_USERS), the machine's by the machine walk.
    const test::HostileArea& user = planting->Area(4, HKEY_CURRENT_USER, L"Software\\KeyscrubTest", tree);
    planting->Alias(5, user);
    planting->Alias(23, user);
    planting->Area(3, HKEY_LOCAL_MACHINE, L"Software\\KeyscrubTest", tree);
    ASSERT_NO_FATAL_FAILURE(Generate(HKEY_CURRENT_USER, base, true));
    ASSERT_NO_FATAL_FAILURE(Generate(HKEY_LOCAL_MACHINE, L"Software\\KeyscrubTest\\" + tree, false));
    const std::string startMenu = files->SpecialFolder(11);
    ASSERT_FALSE(startMenu.empty());
    ASSERT_NO_FATAL_FAILURE(planting->PlantSections(startMenu));
    const auto before = planting->DumpAll();
    const auto links = planting->Files();
    ASSERT_NO_FATAL_FAILURE(planting->LockAll());
    phase("made");

    // Every section, in the main window's order, over the whole registry.
    test::EnglishTexts english;
    test::RecordingView view;
    SettingsRecord settings;
    ScanTree sections;
    std::vector<std::string> ids;
    sections.WalkTree(0, WalkMode::Collect, &ids, nullptr);
    ASSERT_TRUE(test::RunScanTasks(registry, files, settings, ids, view, std::chrono::minutes(8),
                                   MakeShellShortcutLinks()))
        << "the scan ends";
    ASSERT_TRUE(view.finished);
    phase("scanned");

    // Which section reported each row: the rows of a task follow its start.
    std::vector<int> sectionOf;
    std::size_t begun = 0;
    int section = 0;
    for (const auto& event : view.events) {
        if (event == "begin" && begun < ids.size()) section = ParseTaskId(ids[begun++]);
        if (event == "finding") sectionOf.push_back(section);
    }
    ASSERT_EQ(sectionOf.size(), view.findings.size());

    // Only rows that remove a planted item are repaired; the prefix's own
    // findings stay as they are. Every area must have rows of its section.
    const auto& areas = planting->areas();
    std::vector<std::size_t> inArea(areas.size());
    std::map<int, std::pair<std::size_t, std::size_t>> perSection;  // all rows, planted rows
    ProblemListModel found;
    std::vector<std::pair<std::size_t, Finding>> planted;  // each planted row with its first area
    for (std::size_t i = 0; i < view.findings.size(); ++i) {
        std::size_t first = areas.size();
        for (std::size_t a = 0; a < areas.size(); ++a) {
            if (!test::LiesIn(view.findings[i], areas[a])) continue;
            first = std::min(first, a);
            if (areas[a].task == sectionOf[i]) ++inArea[a];
        }
        ++perSection[sectionOf[i]].first;
        if (first == areas.size()) continue;
        ++perSection[sectionOf[i]].second;
        found.Append(view.findings[i]);
        planted.emplace_back(first, view.findings[i]);
    }
    for (std::size_t a = 0; a < areas.size(); ++a)
        if (areas[a].task != 0)
            EXPECT_GT(inArea[a], 0u) << "section " << areas[a].task << " found nothing in " << areas[a].text;
    for (int id = kFirstTaskId; id <= kLastTaskId; ++id) EXPECT_GT(perSection[id].second, 0u) << "section " << id;

    // A key called empty or obsolete holds no value anywhere below it: not
    // one that refuses writing or reading, nor one whose path is too long for
    // the 8-bit functions.
    for (std::size_t i = 0; i < view.findings.size(); ++i) {
        const Finding& row = view.findings[i];
        if ((sectionOf[i] != 14 && sectionOf[i] != 23) || row.RemovalKind != RemovalKind::DeleteSubkey) continue;
        const std::string target = test::FindingTarget(row);
        const std::size_t slash = target.find('\\');
        const HKEY root = target.compare(0, slash, "HKEY_USERS") == 0           ? HKEY_USERS
                          : target.compare(0, slash, "HKEY_CURRENT_USER") == 0 ? HKEY_CURRENT_USER
                                                                                : HKEY_LOCAL_MACHINE;
        const std::wstring path = test::FromCodePage(target.substr(slash + 1));
        EXPECT_EQ(CountValues(test::Dump(root, path)), 0u) << test::Narrow(path);
    }

    const std::vector<std::string> none;
    RemoveFilteredFindings(found, FilterInputs{none, none, unrepaired, 12});
    const std::size_t foundCount = found.Count();
    std::set<std::pair<std::string, std::string>> kept;
    for (std::size_t i = 0; i < found.Count(); ++i) kept.emplace(found.Row(i).KeyPath, found.Row(i).Value);
    EXPECT_GT(foundCount, std::size_t{2 * kManyValues});
    std::string valuesFile;
    const RepairOutcome values = Repair(found, 1, valuesFile);
    EXPECT_TRUE(values.finished);
    EXPECT_GT(values.removed, std::size_t{kManyValues});
    // Rows, rows the filter took, rows left unrepaired, by area. Equal rows
    // (two sections reporting one value) take one unrepaired entry each.
    std::map<std::pair<std::string, std::string>, std::size_t> left;
    for (std::size_t i = 0; i < unrepaired.Keys.size(); ++i) ++left[{unrepaired.Keys[i], unrepaired.Values[i]}];
    std::vector<std::array<std::size_t, 3>> outcome(areas.size());
    for (const auto& [area, row] : planted) {
        ++outcome[area][0];
        if (!kept.count({row.KeyPath, row.Value})) {
            ++outcome[area][1];
        } else if (auto entry = left.find({row.KeyPath, row.Value}); entry != left.end() && entry->second > 0) {
            --entry->second;
            ++outcome[area][2];
        }
    }
    phase("rows repaired");

    // Then every subtree of the user's tree as a whole key, the locked ones
    // included. A subtree either goes whole, or stays exactly as the row
    // repair left it.
    const std::vector<std::string> parts = {"names", "valuenames", "types", "sizes", "many", "deep", "empty"};
    const auto at = [&](const std::string& part) { return base + L"\\" + test::Wide(part); };
    std::vector<test::StoredKey> middle;
    for (const auto& part : parts) middle.push_back(test::Dump(HKEY_CURRENT_USER, at(part)));
    ProblemListModel keys;
    for (const auto& part : parts)
        keys.Append(Finding{"Hostile", scratch.full() + "\\" + part, "", RemovalKind::DeleteKey});
    for (const char* part : {"locked\\readonly", "locked\\sealed", "locked"})
        keys.Append(Finding{"Hostile", scratch.full() + "\\" + part, "", RemovalKind::DeleteKey});
    std::string keysFile;
    const RepairOutcome subtrees = Repair(keys, 2, keysFile);
    EXPECT_TRUE(subtrees.finished);
    phase("keys repaired");
    std::string whole;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string path = scratch.path() + "\\" + parts[i];
        if (!registry->KeyExists(RootKey::CurrentUser, path)) continue;
        // Why it stayed, for the log: what a backup would hold (0 written,
        // 2 refused) and whether the 8-bit view shows it exactly.
        const auto snapshot = ReadBackupSnapshot(*registry, RootKey::CurrentUser, true, "", path, SystemLeadBytes());
        whole += " " + parts[i] + "(" + std::to_string(static_cast<int>(snapshot.result)) +
                (fidelity->KeyTreeIsExact(RootKey::CurrentUser, path) ? ")" : ", inexact)");
        EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, at(parts[i])), middle[i]) << parts[i];
    }

    planting->UnlockAll();
    // A sealed key cannot be read, so it cannot be backed up: none of them,
    // nor the keys holding them, may have gone.
    const std::string sealed = "Software\\KeyscrubTest\\" + test::Narrow(tree) + "\\locked\\sealed";
    EXPECT_TRUE(registry->KeyExists(RootKey::CurrentUser, sealed));
    EXPECT_TRUE(registry->KeyExists(RootKey::LocalMachine, sealed));
    EXPECT_TRUE(registry->KeyExists(RootKey::CurrentUser,
                                    "Software\\KsHostile-" + std::to_string(GetCurrentProcessId()) + "-sealed"));

    // Every dangling shortcut went, and its copy beside the backup is exact.
    const std::string copies = FileCopyFolder(valuesFile);
    const std::string index = test::ReadWholeFile(copies + "\\" + std::string(kFileCopyIndexName));
    for (const auto& [path, bytes] : links) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(test::PathExists(path));
        const std::size_t line = index.find("\t" + path + "\r\n");
        ASSERT_NE(line, std::string::npos) << index;
        const std::size_t start = index.rfind('\n', line) == std::string::npos ? 0 : index.rfind('\n', line) + 1;
        EXPECT_EQ(test::ReadWholeFile(copies + "\\" + index.substr(start, line - start)), bytes);
    }

    // The later file first: it holds the keys as the row repair left them.
    test::ImportWithRegistryEditor(keysFile);
    test::ImportWithRegistryEditor(valuesFile);
    phase("restored");
    const auto after = planting->DumpAll();
    ASSERT_EQ(after.size(), before.size());
    std::string sizes;
    for (std::size_t i = 0; i < before.size(); ++i) {
        std::vector<std::string> differences;
        Differences(before[i].second, after[i].second, test::Wide(before[i].first), differences);
        EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
        sizes += "\n  " + before[i].first + ": " + std::to_string(CountValues(before[i].second)) + " values, " +
                 std::to_string(CountKeys(before[i].second) - 1) + " keys";
    }
    std::string rows;
    for (const auto& [id, counts] : perSection)
        rows += " " + std::to_string(id) + ":" + std::to_string(counts.second) + "/" + std::to_string(counts.first);
    std::string byArea;
    for (std::size_t a = 0; a < areas.size(); ++a)
        if (outcome[a][0] > 0)
            byArea += "\n  " + areas[a].text + ": " + std::to_string(outcome[a][0]) + " rows, " +
                      std::to_string(outcome[a][1]) + " filtered, " + std::to_string(outcome[a][2]) + " left";
    std::printf("hostile registry:%s\n  %zu dangling shortcuts among files that are none\n"
                "rows per section (planted/all):%s\nplanted rows by area:%s\n%zu planted rows after the filter; "
                "%zu removed, %zu left unrepaired; whole subtrees removed %zu of 10, kept:%s;%s\n",
                sizes.c_str(), links.size(), rows.c_str(), byArea.c_str(), foundCount, values.removed,
                values.unrepaired, subtrees.removed, whole.c_str(), phases.c_str());
}

}  // namespace
}  // namespace ks
