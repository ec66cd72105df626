// The three deep tasks over Wine's real registry, with references planted in
// scratch keys and files planted in a scratch folder: exactly the expected
// findings, through the worker on its own thread.
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "support/scan_harness.h"

namespace ks {
namespace {

class DeepScanWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string pid = std::to_string(GetCurrentProcessId());
        scratch = "Software\\KeyscrubTest\\scan-" + pid;
        runValue = "KeyscrubTest-scan-" + pid;
        char temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder = std::string(temp) + "ks-scan-" + pid;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        present = folder + "\\present.exe";
        HANDLE file = CreateFileA(present.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }

    void TearDown() override {
        (void)registry->DeleteKey(RootKey::CurrentUser, scratch);
        (void)registry->DeleteKey(RootKey::LocalMachine, scratch);
        if (auto run = registry->OpenKey(RootKey::LocalMachine, kRun, Access::Full)) (void)run->DeleteValue(runValue);
        DeleteFileA(present.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    void SetString(RootKey root, const std::string& path, const std::string& name, const std::string& text,
                   std::uint32_t type = RegType::String) {
        auto key = registry->CreateKey(root, path);
        ASSERT_NE(key, nullptr) << path;
        ASSERT_EQ(key->SetValue(RegValue{name, type, text + '\0'}), Status::Ok);
    }

    // Plants one key's worth of references; returns the findings expected
    // under `keyText` (the key as a finding names it).
    std::vector<Finding> Plant(RootKey root, const std::string& path, const std::string& keyText) {
        const std::string gone = folder + "\\gone.exe /q";
        const std::string goneFolder = folder + "\\NoSuchFolder\\tool.exe";
        SetString(root, path, "Present", "\"" + present + "\" -x");
        SetString(root, path, "Gone", gone);
        SetString(root, path, "Folder", folder);
        SetString(root, path, folder + "\\lib.dll", goneFolder);
        SetString(root, path, "", gone);
        SetString(root, path, "Multi", gone, RegType::MultiString);
        SetString(root, path + "\\Child", "Deeper", goneFolder, RegType::ExpandString);
        const std::string problem = "Invalid File or Folder";
        const std::map<std::string, Finding> byName = {
            {"Gone", {problem, keyText + "\\Gone", gone, RemovalKind::DeleteValueInPath}},
            {folder + "\\lib.dll", {problem, keyText, folder + "\\lib.dll", RemovalKind::DeleteNamedValue}},
            {"", {problem, keyText + "\\", gone, RemovalKind::DeleteValueInPath}},
        };
        // The key's own values in the order the registry lists them, then the child.
        std::vector<Finding> expected;
        auto key = registry->OpenKey(root, path, Access::Read);
        EXPECT_NE(key, nullptr);
        if (key)
            for (const auto& name : key->ValueNames())
                if (auto it = byName.find(name); it != byName.end()) expected.push_back(it->second);
        EXPECT_EQ(expected.size(), byName.size());
        expected.push_back({problem, keyText + "\\Child\\Deeper", goneFolder, RemovalKind::DeleteValueInPath});
        return expected;
    }

    test::EnglishTexts english;
    static constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::shared_ptr<Registry> registry = MakeWin32Registry();
    std::shared_ptr<FileSystem> files = MakeWin32FileSystem();
    std::string scratch;
    std::string runValue;
    std::string folder;
    std::string present;
};

TEST_F(DeepScanWineTest, TasksThreeFourAndFiveFindExactlyThePlantedReferences) {
    auto expected = Plant(RootKey::LocalMachine, scratch, "HKEY_LOCAL_MACHINE\\" + scratch);
    auto currentUser = Plant(RootKey::CurrentUser, scratch, "HKEY_CURRENT_USER\\" + scratch);
    // Task 3 leaves the machine's Run key out.
    SetString(RootKey::LocalMachine, kRun, runValue, folder + "\\gone.exe");

    // The current user is also one of the users: find which.
    std::string userKey;
    if (auto users = registry->OpenKey(RootKey::Users, "", Access::Read))
        for (const auto& sid : users->SubkeyNames())
            if (registry->KeyExists(RootKey::Users, sid + "\\" + scratch)) userKey = sid;
    ASSERT_FALSE(userKey.empty()) << "the current user's hive under HKEY_USERS";

    expected.insert(expected.end(), currentUser.begin(), currentUser.end());
    for (auto finding : currentUser) {
        finding.KeyPath.replace(0, std::string("HKEY_CURRENT_USER").size(), "HKEY_USERS\\" + userKey);
        expected.push_back(finding);
    }

    test::RecordingView view;
    SettingsRecord settings;
    ASSERT_TRUE(test::RunScanTasks(registry, files, settings, {"3", "4", "5"}, view, std::chrono::minutes(5)));
    ASSERT_TRUE(view.finished);

    std::vector<Finding> ours;
    for (const auto& finding : view.findings)
        if (finding.KeyPath.find(scratch) != std::string::npos || finding.Value == runValue ||
            finding.KeyPath.find(runValue) != std::string::npos)
            ours.push_back(finding);
    EXPECT_EQ(ours, expected);
    EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "end"), 3);
}

TEST_F(DeepScanWineTest, TheNameLengthLimitIsThePlatformsOwn) {
    // A name longer than MAX_PATH that resolves to an existing file: the ANSI
    // functions refuse it, so skipping such names changes no answer.
    std::string padded = folder;
    while (padded.size() + 14 <= kLongestFileNameChars + 20) padded += "\\.";
    padded += "\\present.exe";
    ASSERT_GT(padded.size(), kLongestFileNameChars);
    EXPECT_FALSE(files->FileExists(padded));
    std::string fits = folder;
    while (fits.size() + 16 <= 250) fits += "\\.";
    fits += "\\present.exe";
    EXPECT_TRUE(files->FileExists(fits)) << fits.size();

    FileReferenceTest test(*files, {});
    EXPECT_FALSE(test.IsMissingFileReference(fits + " /x", "", "c", false));
    EXPECT_TRUE(test.IsMissingFileReference(padded, "", "c", false));
}

}  // namespace
}  // namespace ks
