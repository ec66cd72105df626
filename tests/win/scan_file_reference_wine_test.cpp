// The scan's file-reference test against the plain per-character one on the
// real file system under Wine: short names, device names, case, trailing dots
// and blanks, all answered alike.
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "support/straightforward_path_test.h"

namespace ks {
namespace {

class FileReferenceWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        root = std::string(temp) + "ks-ref-" + std::to_string(GetCurrentProcessId());
        for (const char* folder : {"", "\\Program Files", "\\Program Files\\App", "\\Data.d"}) {
            ASSERT_TRUE(CreateDirectoryA((root + folder).c_str(), nullptr)) << folder;
            made.insert(made.begin(), root + folder);
        }
        for (const char* file : {"\\Program Files\\App\\app.exe", "\\Program Files\\App\\run",
                                 "\\Program Files\\App\\setup.bat", "\\Program Files\\App\\Long File Name.txt",
                                 "\\Program Files\\App\\x y.exe", "\\Data.d\\notes.txt", "\\tool.com"}) {
            HANDLE handle = CreateFileA((root + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
            CloseHandle(handle);
            made.insert(made.begin(), root + file);
        }
    }
    void TearDown() override {
        for (const auto& path : made)
            if (!::DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
    }

    std::string root;
    std::vector<std::string> made;
};

TEST_F(FileReferenceWineTest, RememberedAnswersMatchThePlainTestOnTheRealDisk) {
    char shortRoot[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA((root + "\\Program Files\\App\\Long File Name.txt").c_str(), shortRoot, MAX_PATH), 0u);
    const std::string shortFile(shortRoot);
    const std::string shortName = shortFile.substr(shortFile.rfind('\\') + 1);
    auto files = MakeWin32FileSystem();
    ASSERT_TRUE(files->FileExists(shortFile)) << "the system finds a file by its short name: " << shortFile;
    ASSERT_NE(shortName.find('~'), std::string::npos) << shortName;
    const std::vector<std::string> folders = {
        root + "\\Program Files\\App", root + "\\PROGRAM FILES\\app", root + "\\Program Files\\App.",
        root + "\\Program Files \\App", root + "\\Program Files\\Gone", root + "\\Gone\\App",
        root + "\\Data.d", root, root + "\\Program Files\\App\\..\\App", root + "/Program Files/App",
        std::string(shortRoot).substr(0, std::string(shortRoot).rfind('\\')),
    };
    const std::vector<std::string> names = {
        "app.exe", "APP.EXE", "app", "run", "run.", "run ", "setup", "Long File Name.txt", shortName,
        "x y.exe", "x", "nul", "con.txt", "LPT1", "gone.dll", "notes.txt", "tool", "App", "",
    };
    const std::vector<std::string> suffixes = {"", " /min", ";", ";;", ",1", " -x C:\\other"};
    const bool wow64 = files->IsWow64();
    const std::string drives = BuildScanDrives(*files, false, false);
    test::StraightforwardPathTest plain{*files, wow64};
    FileReferenceOptions options;
    options.isWow64 = wow64;
    FileReferenceTest remembered(*files, options);
    int compared = 0;
    int missing = 0;
    for (const auto& folder : folders)
        for (const auto& name : names)
            for (const auto& suffix : suffixes)
                for (bool allowFolder : {false, true}) {
                    const std::string reference = folder + "\\" + name + suffix;
                    const bool expected = plain.IsMissing(reference, "", drives, allowFolder);
                    ASSERT_EQ(remembered.IsMissingFileReference(reference, "", drives, allowFolder), expected)
                        << reference << " allowFolder " << allowFolder;
                    ++compared;
                    missing += expected;
                }
    EXPECT_GT(missing, compared / 10);
    EXPECT_LT(missing, compared * 9 / 10);
}

}  // namespace
}  // namespace ks
