// The shipped executables: their version resource and manifests as Windows
// reads them, and the DLL search both keep to the system folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/product.h"
#include "app/win/process_start.h"

namespace {

// Handle owner for a module loaded as data.
struct ModuleOwner {
    HMODULE module;
    ~ModuleOwner() {
        if (module) FreeLibrary(module);
    }
};

// The text of a module's manifest; "" when it has none.
std::string ManifestOf(HMODULE module) {
    HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (!manifest) return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    return std::string(bytes, SizeofResource(module, manifest));
}

TEST(ExecutableTest, CarriesVersionAndAdministratorManifest) {
    ModuleOwner exe{LoadLibraryExA("keyscrub.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE)};
    ASSERT_NE(exe.module, nullptr) << "keyscrub.exe beside the tests";

    const std::string text = ManifestOf(exe.module);
    EXPECT_NE(text.find("requireAdministrator"), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    // No system newer than Windows 7 may be declared (Windows 8 and later ids).
    for (const char* newer : {"4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                              "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_EQ(text.find(newer), std::string::npos) << newer;

    char path[MAX_PATH] = {};
    ASSERT_GT(GetFullPathNameA("keyscrub.exe", MAX_PATH, path, nullptr), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &infoSize));
    EXPECT_EQ(HIWORD(info->dwFileVersionMS), 3);
    EXPECT_EQ(LOWORD(info->dwFileVersionMS), 3);
    // The texts of the resource are the ones the About box and the packages show.
    for (const auto& [key, expected] : {std::pair{"ProductVersion", ks::product::kVersion},
                                        std::pair{"FileVersion", ks::product::kVersion},
                                        std::pair{"ProductName", ks::product::kName},
                                        std::pair{"CompanyName", KS_COMPANY_NAME}}) {
        SCOPED_TRACE(key);
        char* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), (std::string("\\StringFileInfo\\040904E4\\") + key).c_str(),
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text, expected);
    }
    EXPECT_EQ(std::string(ks::product::kVersionLine).find(std::string(" ") + ks::product::kVersion + " "), 8u);

    EXPECT_NE(FindResourceA(exe.module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr) << "icon group";
}

// The console program imports the common controls too, and without a
// manifest the loader would take a COMCTL32.DLL found beside it.
TEST(ExecutableTest, TheConsoleProgramBindsTheCommonControlsWithoutAskingForRights) {
    ModuleOwner exe{LoadLibraryExA("keyscrub-cli.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE)};
    ASSERT_NE(exe.module, nullptr) << "keyscrub-cli.exe beside the tests";
    const std::string text = ManifestOf(exe.module);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_EQ(text.find("requestedExecutionLevel"), std::string::npos) << "it runs with the rights it is given";
}

// Both programs call this first. A DLL beside the program (here: beside the
// tests) is found by the default search, and no longer once it has run.
TEST(ExecutableTest, APlantedDllIsNotLoadedOnceTheSearchIsKeptToTheSystemFolder) {
    {
        ModuleOwner found{LoadLibraryExA("planted_probe.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR)};
        ASSERT_NE(found.module, nullptr) << "planted_probe.dll beside the tests";
    }
    ASSERT_EQ(GetModuleHandleA("planted_probe.dll"), nullptr);
    EXPECT_TRUE(ks::LoadLibrariesFromSystemFolderOnly());
    ModuleOwner planted{LoadLibraryA("planted_probe.dll")};
    const DWORD error = GetLastError();
    EXPECT_EQ(planted.module, nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    ModuleOwner system{LoadLibraryA("version.dll")};
    EXPECT_NE(system.module, nullptr) << "the system folder is still searched";
    // The rest of the tests search as before.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace
