// A registry no installer should leave behind, made from a fixed seed under a
// scratch key: names of every length with every byte of the code page, "?"
// and backslashes in value names, every value type and unknown type numbers,
// data up to a megabyte, strings without their terminator or with NULs inside,
// integers of odd sizes, ten thousand values in one key, keys 512 levels deep,
// keys that refuse writing or reading. The deep scan walks it, everything it
// finds is repaired, then the scratch key's subtrees are deleted as whole keys:
// nothing crashes or hangs, what could not be backed up is still there, and the
// backups imported by the registry editor give back exactly what was there.
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "repair/filter.h"
#include "repair/repair.h"
#include "repair/win/backup_system.h"
#include "scan/scan_task_thread.h"
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

// A name given as code-page bytes, as the registry stores it.
std::wstring FromCodePage(const std::string& bytes) {
    if (bytes.empty()) return {};
    std::wstring wide(bytes.size(), L'\0');
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                          static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(chars > 0 ? chars : 0));
    return wide;
}

// `length` bytes running through the code page from a random start: every
// byte from 1 to 255 turns up across the names, backslashes only where allowed.
std::string CodePageName(std::mt19937& random, std::size_t length, bool backslashes) {
    std::string name;
    unsigned byte = std::uniform_int_distribution<unsigned>(1, 255)(random);
    while (name.size() < length) {
        if (byte != '\\' || backslashes) name += static_cast<char>(byte);
        byte = byte % 255 + 1;
    }
    return name;
}

class HostileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = MakeWin32Registry();
        files = MakeWin32FileSystem();
        store = MakeWin32BackupStore();
        fidelity = MakeWin32TextFidelity();
        gone = L"C:\\ks-hostile-gone-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    }
    void TearDown() override {
        for (const auto& path : locked) SetDacl(path, nullptr);
    }

    // A string that names a file that is not there.
    Bytes Stale(const std::wstring& file, bool terminated = true) { return Utf16(gone + file, terminated); }
    std::wstring At(const std::wstring& part) { return base + L"\\" + part; }

    void Generate() {
        std::mt19937 random(18);
        // Key names of every length up to the limit, and value names of
        // every length to 1024 characters and then some up to the limit.
        for (std::size_t length = 1; length <= 255; ++length)
            Plant(HKEY_CURRENT_USER, At(L"names\\") + FromCodePage(CodePageName(random, length, false)), L"v",
                  REG_SZ, Stale(L"key.exe"));
        std::vector<std::size_t> lengths;
        for (std::size_t length = 0; length <= 1024; ++length) lengths.push_back(length);
        for (std::size_t length : {2047u, 4096u, 16383u}) lengths.push_back(length);
        for (std::size_t length : lengths)
            Plant(HKEY_CURRENT_USER, At(L"valuenames"), FromCodePage(CodePageName(random, length, true)), REG_SZ,
                  Stale(std::to_wstring(length) + L".exe"));
        for (const wchar_t* name : {L"?", L"??", L"a?b", L"\\", L"\\\\", L"a\\b", L"C:\\x?.exe", L"\\?\\", L"?\\"})
            Plant(HKEY_CURRENT_USER, At(L"valuenames\\odd"), name, REG_SZ, Stale(L"odd.exe"));

        // Every type, known or not, with a stale reference in it; strings
        // without a terminator, with NULs inside, of an odd byte count.
        const DWORD types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x20, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        for (const DWORD type : types) {
            const std::wstring key = At(L"types\\") + std::to_wstring(type);
            Plant(HKEY_CURRENT_USER, key, L"terminated", type, Stale(L"t.exe"));
            Plant(HKEY_CURRENT_USER, key, L"unterminated", type, Stale(L"u.exe", false));
            const Bytes inner = Utf16(gone + std::wstring(L"n.exe\0tail\0", 11), false);
            Plant(HKEY_CURRENT_USER, key, L"inner NUL", type, inner);
            Bytes odd = Stale(L"o.exe");
            odd.push_back(0x41);
            Plant(HKEY_CURRENT_USER, key, L"odd size", type, odd);
            Plant(HKEY_CURRENT_USER, key, L"empty", type, Bytes{});
            for (std::size_t size : {1u, 2u, 3u, 5u, 7u, 9u})
                Plant(HKEY_CURRENT_USER, key, L"size " + std::to_wstring(size), type, test::Pattern(size));
        }

        // Data from nothing to a megabyte.
        for (std::size_t size : {0u, 1u, 2u, 3u, 255u, 256u, 4095u, 4096u, 65535u, 65536u, 1u << 20}) {
            Plant(HKEY_CURRENT_USER, At(L"sizes"), L"binary " + std::to_wstring(size), REG_BINARY,
                  test::Pattern(size));
            Bytes text = Stale(L"big.exe", false);
            text.resize(size, 0x20);
            if (size >= 2) text[size - 1] = text[size - 2] = 0;
            Plant(HKEY_CURRENT_USER, At(L"sizes"), L"string " + std::to_wstring(size), REG_SZ, text);
        }
        Bytes list(kMegabyte, 0);
        for (std::size_t at = 0; at + 80 < list.size(); at += 80) {
            const Bytes item = Stale(std::to_wstring(at) + L".dll");
            std::copy(item.begin(), item.end(), list.begin() + static_cast<std::ptrdiff_t>(at));
        }
        Plant(HKEY_CURRENT_USER, At(L"sizes"), L"multi 1 MB", REG_MULTI_SZ, list);

        // Ten thousand stale values in one key.
        HKEY many = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, At(L"many").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &many, nullptr),
                  ERROR_SUCCESS);
        for (int n = 0; n < kManyValues; ++n) {
            const Bytes data = Stale(L"many\\" + std::to_wstring(n) + L".exe");
            ASSERT_EQ(RegSetValueExW(many, (L"v" + std::to_wstring(n)).c_str(), 0, REG_SZ, data.data(),
                                     static_cast<DWORD>(data.size())),
                      ERROR_SUCCESS);
        }
        RegCloseKey(many);

        // 512 levels, a stale value every 64 of them.
        std::wstring deep = At(L"deep");
        for (int level = 1; level <= kDepth; ++level) {
            deep += L"\\d";
            if (level % 64 == 0) Plant(HKEY_CURRENT_USER, deep, L"at", REG_SZ, Stale(std::to_wstring(level) + L".exe"));
        }

        // A key that may only be read, and one that refuses even that.
        Plant(HKEY_CURRENT_USER, At(L"locked\\readonly"), L"stale", REG_SZ, Stale(L"r.exe"));
        Plant(HKEY_CURRENT_USER, At(L"locked\\readonly\\inside"), L"stale", REG_SZ, Stale(L"ri.exe"));
        Plant(HKEY_CURRENT_USER, At(L"locked\\sealed"), L"stale", REG_SZ, Stale(L"s.exe"));
        Plant(HKEY_CURRENT_USER, At(L"locked"), L"stale", REG_SZ, Stale(L"l.exe"));
    }

    void Lock() {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
        alignas(DWORD) unsigned char readOnly[256];
        alignas(DWORD) unsigned char nothing[64];
        ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(readOnly), sizeof readOnly, ACL_REVISION));
        ASSERT_TRUE(AddAccessAllowedAce(reinterpret_cast<PACL>(readOnly), ACL_REVISION, KEY_READ, everyone));
        ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(nothing), sizeof nothing, ACL_REVISION));
        SetDacl(At(L"locked\\readonly"), reinterpret_cast<PACL>(readOnly));
        SetDacl(At(L"locked\\sealed"), reinterpret_cast<PACL>(nothing));
        FreeSid(everyone);
    }

    // A null list takes the DACL away: anyone may do anything again.
    void SetDacl(const std::wstring& path, PACL acl) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) {
            // A locked key that the repair deleted has nothing left to unlock.
            EXPECT_EQ(acl, nullptr) << "cannot lock " << test::Narrow(path);
            return;
        }
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
        RegCloseKey(key);
        if (acl) locked.push_back(path);
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
    std::vector<std::wstring> locked;
    std::shared_ptr<Registry> registry;
    std::shared_ptr<FileSystem> files;
    std::unique_ptr<BackupStore> store;
    std::unique_ptr<TextFidelity> fidelity;
    test::QuietRepairUi ui;
    UnrepairedFindings unrepaired;
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

TEST_F(HostileRegistryTest, EverythingFoundIsRepairedAndTheBackupsBringItAllBack) {
    const auto started = std::chrono::steady_clock::now();
    std::string phases;
    const auto phase = [&](const char* name) {
        phases += " " + std::string(name) + " " +
                  std::to_string(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                                   started).count()) + " s";
    };
    ASSERT_NO_FATAL_FAILURE(Generate());
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);
    ASSERT_NO_FATAL_FAILURE(Lock());
    phase("made");

    // The deep tasks over the whole registry; what lies outside the scratch
    // key is left alone.
    test::EnglishTexts english;
    test::RecordingView view;
    SettingsRecord settings;
    ASSERT_TRUE(test::RunScanTasks(registry, files, settings, {"3", "4", "5"}, view, std::chrono::minutes(5)))
        << "the scan ends";
    ASSERT_TRUE(view.finished);
    phase("scanned");

    ProblemListModel found;
    for (const auto& finding : view.findings)
        if (finding.KeyPath.find(scratch.path()) != std::string::npos) found.Append(finding);
    const std::vector<std::string> none;
    RemoveFilteredFindings(found, FilterInputs{none, none, unrepaired, 12});
    // Each stale value of the tree is found; under the current user and
    // again under its own name in HKEY_USERS.
    const std::size_t foundCount = found.Count();
    EXPECT_GT(foundCount, std::size_t{2 * kManyValues});
    std::string valuesFile;
    const RepairOutcome values = Repair(found, 1, valuesFile);
    EXPECT_TRUE(values.finished);
    EXPECT_GT(values.removed, std::size_t{kManyValues});
    phase("values repaired");

    // Then every subtree as a whole key, the locked ones included. A subtree
    // either goes whole, or stays exactly as the value repair left it.
    const std::vector<std::string> parts = {"names", "valuenames", "types", "sizes", "many", "deep"};
    std::vector<test::StoredKey> middle;
    for (const auto& part : parts) middle.push_back(test::Dump(HKEY_CURRENT_USER, At(test::Wide(part))));
    ProblemListModel keys;
    for (const auto& part : parts)
        keys.Append(Finding{"Hostile", scratch.full() + "\\" + part, "", RemovalKind::DeleteKey});
    for (const char* part : {"locked\\readonly", "locked\\sealed", "locked"})
        keys.Append(Finding{"Hostile", scratch.full() + "\\" + part, "", RemovalKind::DeleteKey});
    std::string keysFile;
    const RepairOutcome subtrees = Repair(keys, 2, keysFile);
    EXPECT_TRUE(subtrees.finished);
    phase("keys repaired");
    std::string kept;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!registry->KeyExists(RootKey::CurrentUser, scratch.path() + "\\" + parts[i])) continue;
        // Why it stayed, for the log: what a backup would hold (0 written,
        // 2 refused) and whether the 8-bit view shows it exactly.
        const std::string path = scratch.path() + "\\" + parts[i];
        const auto snapshot = ReadBackupSnapshot(*registry, RootKey::CurrentUser, true, "", path, SystemLeadBytes());
        kept += " " + parts[i] + "(" + std::to_string(static_cast<int>(snapshot.result)) +
                (fidelity->KeyTreeIsExact(RootKey::CurrentUser, path) ? ")" : ", inexact)");
        EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, At(test::Wide(parts[i]))), middle[i]) << parts[i];
    }

    for (const auto& path : locked) SetDacl(path, nullptr);
    locked.clear();
    // The sealed key cannot be read, so it cannot be backed up: neither it
    // nor the key holding it may have gone.
    EXPECT_TRUE(registry->KeyExists(RootKey::CurrentUser, scratch.path() + "\\locked\\sealed"));
    // The later file first: it holds the keys as the value repair left them.
    test::ImportWithRegistryEditor(keysFile);
    test::ImportWithRegistryEditor(valuesFile);
    phase("restored");
    std::vector<std::string> differences;
    Differences(before, test::Dump(HKEY_CURRENT_USER, base), test::Wide(scratch.full()), differences);
    EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);

    std::printf("hostile registry: %zu values in %zu keys; %zu findings, %zu of them in the scratch key after the "
                "filter; %zu values removed; whole subtrees removed %zu of 9, kept:%s;%s\n",
                CountValues(before), CountKeys(before), view.findings.size(), foundCount, values.removed,
                subtrees.removed, kept.c_str(), phases.c_str());
}

}  // namespace
}  // namespace ks
