// End to end, as a user runs the program: plant stale entries, let
// "keyscrub.exe -cleanonce" scan and repair, then restore the backup it wrote
// with the registry editor and find everything exactly as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "child_process.h"
#include "repair/backup_parser.h"
#include "settings/win/settings_file.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

// Where x86 code is emulated a process start can take a minute or more.
constexpr DWORD kProcessTimeoutMs = 300000;

class CleanOnceRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        settingsFile_ = SettingsFilePath();
        saved_ = Read(settingsFile_);
        DeleteFileA(settingsFile_.c_str());
    }
    void TearDown() override {
        DeleteFileA(settingsFile_.c_str());
        if (saved_) {
            HANDLE file = CreateFileA(settingsFile_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, saved_->data(), static_cast<DWORD>(saved_->size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    static std::optional<std::string> Read(const std::string& path) {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return test::ReadWholeFile(path);
    }
    void Write(const char* section, const std::string& key, const std::string& value) {
        WritePrivateProfileStringA(section, key.c_str(), value.c_str(), settingsFile_.c_str());
    }

    std::string settingsFile_;
    std::optional<std::string> saved_;
};

TEST_F(CleanOnceRestoreTest, WhatTheUnattendedCleanDeletesTheRegistryEditorRestoresExactly) {
    test::ScratchKey scratch("repair-clean");
    test::ScratchFolder folder("repair-clean");
    const std::wstring base = scratch.wpath();
    const std::wstring gone = L"C:\\Keyscrub clean missing " + std::to_wstring(GetCurrentProcessId());

    // Stale references of each shape the deep scan reports, beside data that
    // stays: plain names, a name that is a path, the default value, an
    // expandable string.
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Path", REG_SZ, Utf16(gone + L"\\tool.exe"));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"", REG_SZ, Utf16(gone + L"\\default.exe"));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Library", REG_EXPAND_SZ, Utf16(gone + L"\\lib.dll"));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Quoted \"name\"", REG_SZ, Utf16(gone + L"\\q.exe"));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Blob", REG_BINARY, test::Pattern(26));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"List", REG_MULTI_SZ,
          Utf16(std::wstring(L"one\0two\0", 8)));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\App", L"Size", REG_QWORD, test::Pattern(8));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\Shared", gone + L"\\shared.dll", REG_SZ,
          Utf16(gone + L"\\shared.dll"));
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\Shared", L"Count", REG_DWORD, test::Bytes{2, 0});
    Plant(HKEY_CURRENT_USER, base + L"\\Vendor\\Shared", L"Here", REG_SZ, Utf16(L"C:\\windows"));
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, base);

    Write("Options", "OutputDirectory", folder.path());
    Write("Options", "ShowHint", "0");
    Write("Options", "RestorePoint", "0");
    Write("Options", "Beep", "0");
    // The program tree: root (1), "Files and Folders" (2), its current-user node (4).
    for (int node = 1; node <= 24; ++node)
        Write("TreeViewNodeCheck", std::to_string(node), node == 1 || node == 2 || node == 4 ? "1" : "0");
    const std::vector<std::string> ignored = test::FenceAround(scratch.path());
    Write("IgnoreKey", "Count", std::to_string(ignored.size()));
    for (size_t i = 0; i < ignored.size(); ++i) Write("IgnoreKey", "Key" + std::to_string(i + 1), ignored[i]);

    test::ProgramProcess clean(" -cleanonce");
    ASSERT_TRUE(clean.started()) << clean.failure();
    ASSERT_TRUE(clean.Ended(kProcessTimeoutMs)) << "the unattended clean ends by itself";
    EXPECT_EQ(clean.ExitCode(), 0u);

    // The stale values went; everything else stayed.
    const test::StoredKey cleaned = test::Dump(HKEY_CURRENT_USER, base);
    const auto& app = cleaned.subkeys.at(L"Vendor").subkeys.at(L"App").values;
    EXPECT_EQ(app.size(), 3u);
    EXPECT_EQ(app.count(L"Blob") + app.count(L"List") + app.count(L"Size"), 3u);
    const auto& shared = cleaned.subkeys.at(L"Vendor").subkeys.at(L"Shared").values;
    EXPECT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared.count(gone + L"\\shared.dll"), 0u);

    // One backup file, complete and clean.
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder.path() + "\\Backup*.reg").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no backup file";
    const std::string backupFile = folder.path() + "\\" + found.cFileName;
    EXPECT_FALSE(FindNextFileA(search, &found)) << "one repair, one file";
    FindClose(search);
    const auto parsed = ParseRegText(test::ReadWholeFile(backupFile), true);
    ASSERT_TRUE(parsed.ok) << parsed.error << " at line " << parsed.errorLine;
    size_t backedUp = 0;
    for (const auto& block : parsed.blocks) backedUp += block.values.size();
    EXPECT_EQ(backedUp, 5u);

    test::ImportWithRegistryEditor(backupFile);
    EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, base), before);
}

}  // namespace
}  // namespace ks
