// The Win32 registry and file system against the shared access suite, on a
// scratch key under HKEY_CURRENT_USER and a scratch folder under the temporary
// folder; the handle owners; the version code and the WOW64 test.
#include <windows.h>
#include <shlobj.h>
// The file-system interface's DeleteFile, not the macro for DeleteFileA.
#undef DeleteFile

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "scan/win/handles.h"
#include "test_files.h"
#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#include "settings/system_version.h"
#include "settings/win/system_info.h"
#include "support/access_suite.h"

namespace ks::test {
namespace {

const std::string kScratchParent = "Software\\KeyscrubTest";

class Win32RegistryEnv {
public:
    // Measured under Wine: values enumerate sorted by name, and a key whose
    // security grants only reading is still deleted. Windows keeps values in
    // the order they were added and refuses that deletion.
    static constexpr bool kValuesInInsertionOrder = false;
    static constexpr bool kRestrictedKeysRefuseDelete = false;

    Win32RegistryEnv()
        : registry_(MakeWin32Registry()),
          base_(kScratchParent + "\\access-" + std::to_string(GetCurrentProcessId())) {
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());  // left by a run that crashed
        UniqueKey key;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    ~Win32RegistryEnv() {
        for (const auto& path : locked_) Unlock(path);
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent.c_str());  // only when no one else uses it
    }
    Win32RegistryEnv(const Win32RegistryEnv&) = delete;
    Win32RegistryEnv& operator=(const Win32RegistryEnv&) = delete;

    Registry& registry() { return *registry_; }
    RootKey root() const { return RootKey::CurrentUser; }
    const std::string& base() const { return base_; }

    // Everyone may read the key, nothing more.
    void DenyFullAccess(const std::string& path) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
        alignas(DWORD) unsigned char aclBytes[256];
        auto* acl = reinterpret_cast<PACL>(aclBytes);
        ASSERT_TRUE(InitializeAcl(acl, sizeof(aclBytes), ACL_REVISION));
        ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone));
        SetDacl(path, acl);
        FreeSid(everyone);
        locked_.push_back(path);
    }

private:
    static void SetDacl(const std::string& path, PACL acl) {
        UniqueKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS) << path;
        SECURITY_DESCRIPTOR descriptor;
        ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
        ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
        ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    }
    static void Unlock(const std::string& path) {
        UniqueKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()) != ERROR_SUCCESS) return;
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);  // no DACL: everyone may do anything
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor);
    }

    std::unique_ptr<Registry> registry_;
    std::string base_;
    std::vector<std::string> locked_;
};

class Win32FileEnv {
public:
    Win32FileEnv() : files_(MakeWin32FileSystem()) {
        char temp[MAX_PATH];
        const DWORD chars = GetTempPathA(MAX_PATH, temp);
        EXPECT_GT(chars, 0u);
        base_ = std::string(temp, chars) + "ks-access-" + std::to_string(GetCurrentProcessId());
        test::RemoveFolderTree(base_);
        EXPECT_TRUE(CreateDirectoryA(base_.c_str(), nullptr)) << base_;
        char current[MAX_PATH];
        savedFolder_.assign(current, GetCurrentDirectoryA(MAX_PATH, current));
    }
    ~Win32FileEnv() {
        SetCurrentDirectoryA(savedFolder_.c_str());
        for (const auto& name : variables_) SetEnvironmentVariableA(name.c_str(), nullptr);
        test::RemoveFolderTree(base_);
    }
    Win32FileEnv(const Win32FileEnv&) = delete;
    Win32FileEnv& operator=(const Win32FileEnv&) = delete;

    FileSystem& files() { return *files_; }
    const std::string& base() const { return base_; }
    void MakeFile(std::string_view below) {
        const std::string path = base_ + std::string(below);
        UniqueFileHandle file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file) << path;
    }
    void MakeFolder(std::string_view below) {
        const std::string path = base_ + std::string(below);
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    }
    void SetCurrentFolder(std::string_view path) { EXPECT_TRUE(SetCurrentDirectoryA(std::string(path).c_str())); }
    void SetVariable(std::string_view name, std::string_view value) {
        variables_.emplace_back(name);
        EXPECT_TRUE(SetEnvironmentVariableA(variables_.back().c_str(), std::string(value).c_str()));
    }
    char FixedDrive() const { return UpperAnsiChar(base_[0]); }
    char UnusedDrive() const {
        const DWORD used = GetLogicalDrives();
        for (char letter = 'Y'; letter > 'D'; --letter)
            if ((used & (1u << (letter - 'A'))) == 0) return letter;
        ADD_FAILURE() << "every drive letter is taken";
        return 'A';
    }

private:
    std::unique_ptr<FileSystem> files_;
    std::string base_;
    std::string savedFolder_;
    std::vector<std::string> variables_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryAccessTest, ::testing::Types<Win32RegistryEnv>);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileSystemAccessTest, ::testing::Types<Win32FileEnv>);

namespace {

// What only the real implementations show.

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { env_ = std::make_unique<Win32RegistryEnv>(); }
    void TearDown() override { env_.reset(); }
    std::unique_ptr<Win32RegistryEnv> env_;
};

TEST_F(Win32RegistryTest, AnEnumerationThatFailsAtEveryIndexEnds) {
    // Wine answers ERROR_INVALID_HANDLE at every index of this key's values; a
    // loop that skipped errors would never return. Where the key is missing
    // there is nothing to show.
    const auto key = env_->registry().OpenKey(
        RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009", Access::Read);
    if (!key) GTEST_SKIP() << "no Perflib\\009 here";
    EXPECT_LT(key->Values().size(), 100000u);
    EXPECT_LT(key->ValueNames().size(), 100000u);
    EXPECT_LT(key->SubkeyNames().size(), 100000u);
}

TEST_F(Win32RegistryTest, ARootOpenedWithAnEmptyPathStaysUsable) {
    // RegOpenKeyExA hands the predefined root itself back for an empty path;
    // closing it when the owner goes would be a mistake.
    for (int round = 0; round < 2; ++round) {
        const auto key = env_->registry().OpenKey(RootKey::CurrentUser, "", Access::Read);
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->Info().has_value());
    }
    UniqueKey probe;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, env_->base().c_str(), 0, KEY_READ, probe.put()), ERROR_SUCCESS);
}

TEST_F(Win32RegistryTest, LargeValuesAndLongNamesAreReadWhole) {
    auto key = env_->registry().CreateKey(RootKey::CurrentUser, env_->base() + "\\Grow");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->SetValue(RegValue{"a", RegType::Binary, std::string(10, 'a')}), Status::Ok);
    const auto reader = env_->registry().OpenKey(RootKey::CurrentUser, env_->base() + "\\Grow", Access::Read);
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(reader->Values().size(), 1u);
    const std::string big(300000, 'b');
    ASSERT_EQ(key->SetValue(RegValue{"a", RegType::Binary, big}), Status::Ok);
    ASSERT_EQ(key->SetValue(RegValue{std::string(2000, 'n'), RegType::String, std::string("x\0", 2)}), Status::Ok);
    const auto values = reader->Values();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].data, big);
    EXPECT_EQ(values[1].name, std::string(2000, 'n'));
    EXPECT_EQ(reader->ReadBytes("a"), big);
}

TEST(Win32FileSystemTest, DriveReadyPutsTheErrorModeBack) {
    const auto files = MakeWin32FileSystem();
    const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    EXPECT_TRUE(files->DriveReady("C:\\"));
    EXPECT_FALSE(files->DriveReady("Q:\\"));
    EXPECT_EQ(SetErrorMode(before), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
}

// FindNextFileA as a folder on a network or removable drive may answer it:
// after so many entries, an error.
struct FailingSearch {
    static inline int entriesLeft = 0;
    static inline DWORD error = 0;
    static BOOL WINAPI Next(HANDLE search, WIN32_FIND_DATAA* found) {
        if (entriesLeft-- != 0) return FindNextFileA(search, found);
        SetLastError(error);
        return FALSE;
    }
};

TEST(Win32FileSystemTest, AFolderListingCountsOnlyWhenItRanToItsEnd) {
    Win32FileEnv env;
    for (const char* name : {"\\a", "\\b", "\\c", "\\d"}) env.MakeFile(name);
    const struct {
        DWORD error;
        int entries;  // entries found before the error; -1: the search's own end
        bool whole;
    } cases[] = {{ERROR_NO_MORE_FILES, -1, true}, {ERROR_NETNAME_DELETED, 2, false}, {ERROR_IO_DEVICE, 0, false},
                 {ERROR_NOT_READY, 4, false},     {ERROR_NO_MORE_FILES, 5, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.error) + " after " + std::to_string(c.entries));
        FailingSearch::entriesLeft = c.entries;
        FailingSearch::error = c.error;
        WIN32_FIND_DATAA found;
        UniqueFindHandle search(FindFirstFileA((env.base() + "\\*").c_str(), &found));
        const auto entries = ReadFolderSearch(search.get(), found, &FailingSearch::Next);
        EXPECT_EQ(entries ? entries->size() : 0u, c.whole ? 4u : 0u);
    }
}

// Wine makes the profile's desktop a symbolic link to the Unix home folder
// and shows it as a junction (0x410, measured).
TEST(Win32FileSystemTest, AFolderLinkIsListedAsOneAndResolvesToWhereItLeads) {
    const auto files = MakeWin32FileSystem();
    const std::string desktop = files->SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    if ((GetFileAttributesA(desktop.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) GTEST_SKIP() << "no link here";
    const std::string profile = desktop.substr(0, desktop.rfind('\\'));
    std::vector<FolderEntry> expected = {{"AppData", true, false}, {desktop.substr(profile.size() + 1), true, true}};
    for (const auto& entry : files->ListFolder(profile).value_or(std::vector<FolderEntry>{}))
        std::erase(expected, entry);
    EXPECT_TRUE(expected.empty()) << expected.front().name;
    const std::string resolved = files->ResolvedFolder(desktop);
    EXPECT_FALSE(EqualsNoCase(resolved, desktop));
    EXPECT_TRUE(files->FolderExists(resolved)) << resolved;
    EXPECT_EQ(files->ResolvedFolder(resolved), resolved);
    EXPECT_EQ(files->ResolvedFolder(desktop + "\\none"), desktop + "\\none");
}

TEST(Win32FileSystemTest, CriticalErrorsAreSilencedOnTheCallingThreadOnly) {
    const auto files = MakeWin32FileSystem();
    const UINT processMode = GetErrorMode();
    std::thread([&] {
        SetThreadErrorMode(SEM_NOOPENFILEERRORBOX, nullptr);
        {
            const auto silenced = files->SilenceCriticalErrors();
            EXPECT_EQ(GetThreadErrorMode(), static_cast<DWORD>(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS));
            EXPECT_EQ(GetErrorMode(), processMode) << "the rest of the program keeps its boxes";
        }
        EXPECT_EQ(GetThreadErrorMode(), static_cast<DWORD>(SEM_NOOPENFILEERRORBOX));
    }).join();
}

TEST(Win32FileSystemTest, ShellFoldersAreExistingFolders) {
    const auto files = MakeWin32FileSystem();
    const std::string fonts = files->SpecialFolder(CSIDL_FONTS);
    ASSERT_GT(fonts.size(), 6u);
    EXPECT_TRUE(EqualsNoCase(fonts.substr(fonts.size() - 6), "\\Fonts")) << fonts;
    EXPECT_TRUE(files->FolderExists(fonts));

    char appData[MAX_PATH];
    const DWORD chars = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    ASSERT_GT(chars, 0u);
    ASSERT_LT(chars, static_cast<DWORD>(MAX_PATH));
    EXPECT_TRUE(EqualsNoCase(files->SpecialFolder(CSIDL_APPDATA), appData));

    // The scan asks from its worker thread, which never initialises COM.
    std::vector<std::string> fromWorker;
    std::thread worker([&] {
        for (int csidl : {CSIDL_PROGRAMS, CSIDL_RECENT, CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY,
                          CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_APPDATA})
            fromWorker.push_back(files->SpecialFolder(csidl));
    });
    worker.join();
    for (const auto& path : fromWorker) {
        SCOPED_TRACE(path);
        ASSERT_GE(path.size(), 3u);
        EXPECT_EQ(path.substr(1, 2), ":\\");
    }
    EXPECT_TRUE(EqualsNoCase(fromWorker.back(), appData));
}

TEST(Win32FileSystemTest, ExpansionSeesTheProcessEnvironment) {
    const auto files = MakeWin32FileSystem();
    char windows[MAX_PATH];
    const UINT chars = GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_GT(chars, 0u);
    EXPECT_TRUE(EqualsNoCase(files->ExpandVariables(" %SystemRoot%\\Fonts "), std::string(windows, chars) + "\\Fonts"));
}

TEST(HandleOwnerTest, KeysAreClosedOnceAndMovedWithoutClosing) {
    UniqueKey first;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, first.put()), ERROR_SUCCESS);
    const HKEY raw = first.get();
    UniqueKey second(std::move(first));
    EXPECT_EQ(first.get(), nullptr);
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    EXPECT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS)
        << "moving closed the key";
    second.reset();
    EXPECT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_INVALID_HANDLE)
        << "reset left the key open";

    UniqueKey third;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, third.put()), ERROR_SUCCESS);
    const HKEY released = third.release();
    EXPECT_FALSE(third);
    EXPECT_EQ(RegCloseKey(released), ERROR_SUCCESS) << "release closed the key";
}

TEST(HandleOwnerTest, PredefinedRootsAreNeverClosed) {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG,
                      HKEY_PERFORMANCE_DATA})
        EXPECT_TRUE(IsPredefinedKey(root));
    UniqueKey opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, opened.put()), ERROR_SUCCESS);
    EXPECT_FALSE(IsPredefinedKey(opened.get()));
    EXPECT_FALSE(IsPredefinedKey(nullptr));
}

TEST(HandleOwnerTest, KernelHandlesAreClosedByTheirOwner) {
    HANDLE raw = nullptr;
    {
        UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        UniqueHandle other;
        other = std::move(event);
        EXPECT_FALSE(event);
        EXPECT_TRUE(SetEvent(raw)) << "moving closed the handle";
    }
    EXPECT_FALSE(SetEvent(raw));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    UniqueFileHandle missing(CreateFileA("C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.get(), INVALID_HANDLE_VALUE);
    WIN32_FIND_DATAA found;
    UniqueFindHandle none(FindFirstFileA("C:\\no such folder\\*", &found));
    EXPECT_FALSE(none);
}

TEST(SystemInfoTest, VersionCodeAgreesWithGetVersion) {
    // GetVersion packs the same facts: major in the low byte, minor in the
    // next, and the top bit set outside the NT family.
    const DWORD packed = GetVersion();
    const std::uint32_t major = LOBYTE(LOWORD(packed));
    const std::uint32_t minor = HIBYTE(LOWORD(packed));
    const std::uint32_t platform = (packed & 0x80000000u) ? PlatformId::Windows : PlatformId::Nt;
    EXPECT_EQ(GetWindowsVersion(), WindowsVersionCodeFrom(platform, major, minor));
}

TEST(SystemInfoTest, Wow64OnlyWhereTheNativeMachineDiffers) {
    SYSTEM_INFO own{}, native{};
    GetSystemInfo(&own);
    GetNativeSystemInfo(&native);
    EXPECT_EQ(IsWow64(), own.wProcessorArchitecture != native.wProcessorArchitecture);
    EXPECT_EQ(MakeWin32FileSystem()->IsWow64(), IsWow64());
    EXPECT_EQ(MakeWin32FileSystem()->WindowsVersionCode(), GetWindowsVersion());
}

}  // namespace
}  // namespace ks::test
