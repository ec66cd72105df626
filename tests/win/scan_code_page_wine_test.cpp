// The path test under a double-byte ANSI code page, for real: keyscrub-cli
// scans in a Wine process whose code page is 932 a registry that names a
// file under a long Japanese path, one that exists and one that does not.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "child_process.h"
#include "support/cli_readers.h"
#include "test_files.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

std::wstring Repeat(wchar_t c, int count) { return std::wstring(static_cast<std::size_t>(count), c); }

std::string EnvironmentVariable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD chars = GetEnvironmentVariableA(name, value, MAX_PATH);
    return chars > 0 && chars < MAX_PATH ? std::string(value, chars) : std::string();
}

// Wine takes a process's ANSI code page from the locale it is started in
// (LC_ALL, measured; an LC_ALL in the environment handed to CreateProcess
// reaches the new process but not its code page), so the scan is started
// from the Unix side: env sets the locale and runs Wine's own loader.
class CodePageWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        loader_ = EnvironmentVariable("WINELOADER");
        if (loader_.empty()) GTEST_SKIP() << "only Wine takes the code page from the locale";
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        // 61 + 61 characters of folders and a 44-character name below the
        // temporary folder: about 210 characters, over 370 bytes in code page 932.
        base_ = std::wstring(temp) + L"ks-cp932-" + std::to_wstring(GetCurrentProcessId());
        outer_ = base_ + L"\\" + Repeat(L'\u65E5', 60);
        inner_ = outer_ + L"\\" + Repeat(L'\u672C', 60);
        here_ = inner_ + L"\\" + Repeat(L'\u8A9E', 40) + L".exe";
        gone_ = inner_ + L"\\" + Repeat(L'\u6D88', 40) + L".exe";
        for (const auto& folder : {base_, outer_, inner_}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        const HANDLE file = CreateFileW(here_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        ASSERT_LT(here_.size(), 260u);
        ASSERT_GT(WideCharToMultiByte(932, 0, here_.c_str(), -1, nullptr, 0, nullptr, nullptr), 300);
    }
    void TearDown() override {
        DeleteFileW(here_.c_str());
        for (const auto& folder : {inner_, outer_, base_}) RemoveDirectoryW(folder.c_str());
        DeleteFileA(output_.c_str());
    }

    // keyscrub-cli's CSV rows, each with its key path first, from a scan of
    // the current user's hive in a process of code page 932.
    std::vector<std::vector<std::string>> ScanUnderCodePage932() {
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub-cli.exe", MAX_PATH, exe, nullptr);
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        output_ = std::string(folder) + "ks-cp932-" + std::to_string(GetCurrentProcessId()) + ".csv";
        test::ChildProcess scan(nullptr, "Z:\\usr\\bin\\env LC_ALL=ja_JP.UTF-8 \"" + loader_ + "\" \"" + exe +
                                             "\" scan --sections 4 --no-settings --format csv --output \"" + output_ +
                                             "\"");
        EXPECT_TRUE(scan.started()) << scan.failure();
        EXPECT_TRUE(scan.Ended(300000));
        EXPECT_LE(scan.ExitCode(), 1u) << "0: nothing found, 1: findings";
        const auto rows = test::ReadCsv(test::ReadWholeFile(output_));
        EXPECT_TRUE(rows.has_value());
        return rows ? *rows : std::vector<std::vector<std::string>>{};
    }

    std::string loader_;
    std::string output_;
    std::wstring base_, outer_, inner_, here_, gone_;
    test::ScratchKey scratch_{"cp932"};
};

TEST_F(CodePageWineTest, ALongJapanesePathIsFoundWhereItExistsAndOnlyThere) {
    Plant(HKEY_CURRENT_USER, scratch_.wpath(), L"Here", REG_SZ, Utf16(here_));
    Plant(HKEY_CURRENT_USER, scratch_.wpath(), L"Quoted", REG_SZ, Utf16(L"\"" + here_ + L"\" /x"));
    Plant(HKEY_CURRENT_USER, scratch_.wpath(), L"Gone", REG_SZ, Utf16(gone_));
    std::vector<std::string> reported;
    for (const auto& row : ScanUnderCodePage932())
        if (row.size() == 5 && row[2].rfind(scratch_.full() + "\\", 0) == 0) reported.push_back(row[2]);
    EXPECT_EQ(reported, std::vector<std::string>{scratch_.full() + "\\Gone"});
}

}  // namespace
}  // namespace ks
