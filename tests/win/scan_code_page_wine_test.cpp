// The path test under code page 932, for real: keyscrub-cli scans a registry
// that names files under a long Japanese path, one there and one gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backup_registry_dump.h"
#include "child_process.h"
#include "support/cli_readers.h"
#include "test_files.h"

namespace ks {
namespace {

// Wine takes a process's code page from the name of the locale it starts in
// (LC_ALL; one handed to CreateProcess reaches the environment, not the code
// page: measured), so a shell starts the scan through tools/wine-run, in a locale
// that gives code page 932 and UTF-8 Unix file names (tools/in-locale). A
// Unix program gives Wine no process handle to wait on, so the shell writes
// the exit code to a file at the end.
constexpr char kScript[] =
    "\"$0\" ja_JP.UTF-8 \"$1\" \"$2\" scan --sections 4 --no-settings --format csv --output \"$3\"; echo $? > \"$4\"";

std::string UnixPath(const std::string& path) {
    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(std::wstring(path.begin(), path.end()).c_str()) : nullptr;
    const std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

TEST(CodePageWineTest, ALongJapanesePathIsFoundWhereItExistsAndOnlyThere) {
    if (!GetEnvironmentVariableA("WINELOADER", nullptr, 0)) GTEST_SKIP() << "only Wine takes the locale's code page";
    test::ScratchKey scratch("cp932");
    // 122 characters of folders and a 44-character name below the temporary
    // folder: over 370 bytes in code page 932, under 260 characters.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"ks-cp932-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring outer = base + L"\\" + std::wstring(60, L'\u65E5');
    const std::wstring inner = outer + L"\\" + std::wstring(60, L'\u672C');
    const std::wstring here = inner + L"\\" + std::wstring(40, L'\u8A9E') + L".exe";
    const std::string files(base.begin(), base.end());
    const std::shared_ptr<void> cleanUp(nullptr, [&](void*) {
        DeleteFileW(here.c_str());
        for (const auto& folder : {inner, outer, base}) RemoveDirectoryW(folder.c_str());
        DeleteFileA((files + ".csv").c_str());
        DeleteFileA((files + ".ended").c_str());
    });
    for (const auto& folder : {base, outer, inner}) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    CloseHandle(CreateFileW(here.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_NE(GetFileAttributesW(here.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_GT(WideCharToMultiByte(932, 0, here.c_str(), -1, nullptr, 0, nullptr, nullptr), 300);
    test::Plant(HKEY_CURRENT_USER, scratch.wpath(), L"Here", REG_SZ, test::Utf16(here));
    test::Plant(HKEY_CURRENT_USER, scratch.wpath(), L"Quoted", REG_SZ, test::Utf16(L"\"" + here + L"\" /x"));
    test::Plant(HKEY_CURRENT_USER, scratch.wpath(), L"Gone", REG_SZ,
                test::Utf16(inner + L"\\" + std::wstring(40, L'\u6D88') + L".exe"));

    std::string script;  // quotes escaped for the command line
    for (const char c : std::string_view(kScript)) script += c == '"' ? std::string("\\\"") : std::string(1, c);
    char exe[MAX_PATH] = {};
    GetFullPathNameA("keyscrub-cli.exe", MAX_PATH, exe, nullptr);
    const std::string tools = KS_SOURCE_DIR "/tools/";
    test::ChildProcess shell(nullptr, "Z:\\bin\\sh -c \"" + script + "\" \"" + tools + "in-locale\" \"" + tools +
                                          "wine-run\" \"" + UnixPath(exe) + "\" \"" + files + ".csv\" \"" +
                                          UnixPath(files + ".ended") + "\"");
    EXPECT_TRUE(shell.started()) << shell.failure();
    const DWORD deadline = GetTickCount() + 600000;  // minutes where 32-bit code is emulated
    while (test::ReadWholeFile(files + ".ended").empty() && GetTickCount() < deadline) Sleep(200);
    EXPECT_EQ(test::ReadWholeFile(files + ".ended"), "1\n") << "the scan ends with findings";
    const auto rows = test::ReadCsv(test::ReadWholeFile(files + ".csv"));
    ASSERT_TRUE(rows.has_value());
    std::vector<std::string> reported;
    for (const auto& row : *rows)
        if (row.size() == 5 && row[2].rfind(scratch.full() + "\\", 0) == 0) reported.push_back(row[2]);
    EXPECT_EQ(reported, std::vector<std::string>{scratch.full() + "\\Gone"});
}

}  // namespace
}  // namespace ks
