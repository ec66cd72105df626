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

// Copies a folder and the folders in it.
bool CopyFolder(const std::string& from, const std::string& to) {
    if (!CreateDirectoryA(to.c_str(), nullptr)) return false;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool copied = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        copied = copied && ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                                ? CopyFolder(from + "\\" + name, to + "\\" + name)
                                : CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), TRUE) != FALSE);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return copied;
}

// Wine takes a process's ANSI code page from the name of the locale it is
// started in (LC_ALL, measured; an LC_ALL in the environment handed to
// CreateProcess reaches the new process but not its code page), so the scan
// is started from the Unix side: a shell sets the locale and runs Wine's own
// loader. Wine names files on the Unix side in the C library's character set
// for that locale: where the Japanese locale is not installed that is ASCII,
// and no Japanese name can be reached at all. The UTF-8 C locale copied under
// the Japanese name (LOCPATH) gives both: code page 932 and UTF-8 names.
// LOCPATH is a list separated by colons, so it takes the folder's real path,
// not Wine's through "dosdevices/c:".
// A Unix program started from Wine gives no process handle to wait on, so
// the shell leaves the exit code in a file when the scan has ended.
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
        const std::string files = Narrow(base_);
        output_ = files + ".csv";
        ended_ = files + ".ended";
        locales_ = files + "-locales";
        ASSERT_TRUE(CreateDirectoryA(locales_.c_str(), nullptr));
        ASSERT_TRUE(CopyFolder("Z:\\usr\\lib\\locale\\C.utf8", locales_ + "\\ja_JP.UTF-8"));
    }
    void TearDown() override {
        DeleteFileW(here_.c_str());
        for (const auto& folder : {inner_, outer_, base_}) RemoveDirectoryW(folder.c_str());
        DeleteFileA(output_.c_str());
        DeleteFileA(ended_.c_str());
        test::RemoveFolderTree(locales_);
    }

    static std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

    // Wine's name of a file for the Unix side.
    static std::string UnixPath(const std::string& path) {
        using UnixNameFn = char*(CDECL*)(const WCHAR*);
        const auto unixName = reinterpret_cast<UnixNameFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (!unixName) return {};
        char* name = unixName(std::wstring(path.begin(), path.end()).c_str());
        if (!name) return {};
        std::string result(name);
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }

    // keyscrub-cli's CSV rows from a scan of the current user's hive in a
    // process of code page 932.
    std::vector<std::vector<std::string>> ScanUnderCodePage932() {
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub-cli.exe", MAX_PATH, exe, nullptr);
        const std::string ended = UnixPath(ended_);
        const std::string locales = UnixPath(locales_);
        EXPECT_FALSE(ended.empty() || locales.empty());
        const std::string script =
            "LOCPATH=$(cd \\\"$4\\\" && pwd -P) LC_ALL=ja_JP.UTF-8 \\\"$0\\\" \\\"$1\\\" scan --sections 4 "
            "--no-settings --format csv --output \\\"$2\\\"; echo $? > \\\"$3\\\"";
        test::ChildProcess shell(nullptr, "Z:\\bin\\sh -c \"" + script + "\" \"" + loader_ + "\" \"" + exe + "\" \"" +
                                              output_ + "\" \"" + ended + "\" \"" + locales + "\"");
        EXPECT_TRUE(shell.started()) << shell.failure();
        // Where 32-bit code is emulated a process start can take minutes.
        const DWORD deadline = GetTickCount() + 600000;
        while (test::ReadWholeFile(ended_).empty() && GetTickCount() < deadline) Sleep(200);
        const std::string code = test::ReadWholeFile(ended_);
        EXPECT_TRUE(code == "0\n" || code == "1\n") << "0: nothing found, 1: findings; got [" << code << "]";
        const auto rows = test::ReadCsv(test::ReadWholeFile(output_));
        EXPECT_TRUE(rows.has_value());
        return rows ? *rows : std::vector<std::vector<std::string>>{};
    }

    std::string loader_;
    std::string output_;
    std::string ended_;
    std::string locales_;
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
