// The registry editor is named by a full path in the folder of this process's view.
#include <gtest/gtest.h>
#include <windows.h>

#include "restore/win/registry_editor_path.h"
#include "settings/win/system_info.h"

namespace ks {
namespace {

TEST(RegistryEditorPathTest, FullPathOfAnExistingEditorInTheViewsFolder) {
    const std::string path = RegistryEditorPath();
    ASSERT_GT(path.size(), 3u);
    EXPECT_EQ(":\\", path.substr(1, 2)) << path;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
    char folder[MAX_PATH] = {};
    const UINT length = IsWow64() ? GetSystemWow64DirectoryA(folder, MAX_PATH) : GetWindowsDirectoryA(folder, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(folder) + "\\regedit.exe", path);
}

}  // namespace
}  // namespace ks
