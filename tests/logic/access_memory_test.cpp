// The in-memory registry and file system: the shared access suite, root names
// and key-path splitting, and the faults only the in-memory ones can plant.
#include <gtest/gtest.h>

#include "support/access_suite.h"
#include "support/memory_registry.h"

namespace ks::test {
namespace {

class MemoryRegistryEnv {
public:
    // Windows keeps values in the order they were added and refuses to delete
    // a key without the right to; the in-memory registry does as Windows does.
    static constexpr bool kValuesInInsertionOrder = true;
    static constexpr bool kRestrictedKeysRefuseDelete = true;

    MemoryRegistryEnv() { registry_.AddKey(RootKey::CurrentUser, base_); }

    Registry& registry() { return registry_; }
    RootKey root() const { return RootKey::CurrentUser; }
    const std::string& base() const { return base_; }
    void DenyFullAccess(const std::string& path) { registry_.DenyFullAccess(RootKey::CurrentUser, path); }

private:
    MemoryRegistry registry_;
    std::string base_ = "Software\\KeyscrubTest\\access-memory";
};

class MemoryFileEnv {
public:
    MemoryFileEnv() { files_.AddFolder(base_); }

    MemoryFileSystem& files() { return files_; }
    const std::string& base() const { return base_; }
    void MakeFile(std::string_view below) { files_.AddFile(base_ + std::string(below)); }
    void MakeFolder(std::string_view below) { files_.AddFolder(base_ + std::string(below)); }
    void SetCurrentFolder(std::string_view path) { files_.SetCurrentFolder(path); }
    void SetVariable(std::string_view name, std::string_view value) { files_.SetVariable(name, value); }
    char FixedDrive() const { return 'C'; }
    char UnusedDrive() const { return 'Q'; }

private:
    MemoryFileSystem files_;
    std::string base_ = "C:\\Temp\\ks-access";
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryAccessTest, ::testing::Types<MemoryRegistryEnv>);
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, FileSystemAccessTest, ::testing::Types<MemoryFileEnv>);

namespace {

TEST(RegistryNamesTest, RootsAreFoundByNameIgnoringCase) {
    struct Case {
        const char* name;
        std::optional<RootKey> root;
    } const cases[] = {
        {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},   {"HKEY_Current_User", RootKey::CurrentUser},
        {"hkey_local_machine", RootKey::LocalMachine}, {"HKEY_USERS", RootKey::Users},
        {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig}, {"HKCU", std::nullopt},
        {"HKEY_CURRENT_USER ", std::nullopt},          {"", std::nullopt},
        {"HKEY_DYN_DATA", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RootByName(c.name), c.root);
        if (c.root) {
            EXPECT_TRUE(EqualsNoCase(RootName(*c.root), c.name));
        }
    }
}

TEST(RegistryNamesTest, KeyPathsSplitAtTheFirstBackslash) {
    struct Case {
        const char* text;
        bool ok;
        RootKey root;
        const char* path;
    } const cases[] = {
        {"HKEY_CURRENT_USER\\Software\\X", true, RootKey::CurrentUser, "Software\\X"},
        {"hkey_users\\.Default\\", true, RootKey::Users, ".Default\\"},
        {"HKEY_LOCAL_MACHINE", true, RootKey::LocalMachine, ""},
        {"HKEY_LOCAL_MACHINE\\", true, RootKey::LocalMachine, ""},
        {"HKEY_CLASSES_ROOT\\\\x", true, RootKey::ClassesRoot, "\\x"},
        {"HKLM\\Software", false, RootKey::ClassesRoot, ""},
        {"\\HKEY_USERS\\x", false, RootKey::ClassesRoot, ""},
        {"", false, RootKey::ClassesRoot, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RootKey root = RootKey::ClassesRoot;
        std::string path = "untouched";
        ASSERT_EQ(SplitKeyPath(c.text, root, path), c.ok);
        if (!c.ok) {
            EXPECT_EQ(path, "untouched");
            continue;
        }
        EXPECT_EQ(root, c.root);
        EXPECT_EQ(path, c.path);
    }
}

// Faults that a real registry cannot be made to show on demand.

class MemoryRegistryFaultTest : public ::testing::Test {
protected:
    static constexpr RootKey kRoot = RootKey::LocalMachine;
    MemoryRegistry registry;
};

TEST_F(MemoryRegistryFaultTest, AVanishingValueIsListedButNeverRead) {
    registry.SetString(kRoot, "Software\\V", "Gone", "C:\\gone.exe");
    registry.SetString(kRoot, "Software\\V", "Here", "C:\\here.exe");
    registry.VanishValue(kRoot, "Software\\V", "GONE");
    const auto key = registry.OpenKey(kRoot, "Software\\V", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Gone", "Here"}));
    EXPECT_EQ(key->ReadValue("Gone"), std::nullopt);
    EXPECT_EQ(key->ValueType("Gone"), ValueKind::None);
    EXPECT_FALSE(key->ValueExists("gone"));
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0].name, "Here");
}

TEST_F(MemoryRegistryFaultTest, AFailingValueEnumerationStillListsSubkeys) {
    registry.SetString(kRoot, "Software\\Perf", "Counter", "x");
    registry.AddKey(kRoot, "Software\\Perf\\Sub");
    registry.FailValueEnumeration(kRoot, "Software\\Perf");
    const auto key = registry.OpenKey(kRoot, "Software\\Perf", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->ValueNames().empty());
    EXPECT_TRUE(key->Values().empty());
    EXPECT_EQ(key->SubkeyNames(), std::vector<std::string>{"Sub"});
    EXPECT_EQ(key->ReadString("Counter"), "x") << "reading by name still works";
}

TEST_F(MemoryRegistryFaultTest, ADeniedKeyCannotBeOpenedOrDeleted) {
    registry.AddKey(kRoot, "Software\\Secret\\Inner");
    registry.DenyAccess(kRoot, "Software\\Secret");
    for (Access access : {Access::Read, Access::Full, Access::QueryEnumerate}) {
        SCOPED_TRACE(static_cast<unsigned>(access));
        EXPECT_EQ(registry.OpenKey(kRoot, "Software\\Secret", access), nullptr);
    }
    EXPECT_FALSE(registry.KeyExists(kRoot, "Software\\Secret"));
    EXPECT_NE(registry.OpenKey(kRoot, "Software\\Secret\\Inner", Access::Full), nullptr)
        << "the right to a key does not depend on its parent's";
    EXPECT_EQ(registry.DeleteKey(kRoot, "Software\\Secret"), Status::AccessDenied);
    EXPECT_EQ(registry.CreateKey(kRoot, "Software\\Secret"), nullptr);
}

TEST_F(MemoryRegistryFaultTest, ATreeDeleteStopsAtTheFirstKeyThatRefuses) {
    for (const char* path : {"Software\\T\\A\\1", "Software\\T\\B\\1", "Software\\T\\B\\2", "Software\\T\\C"})
        registry.AddKey(kRoot, path);
    registry.DenyFullAccess(kRoot, "Software\\T\\B\\2");
    EXPECT_EQ(registry.DeleteKey(kRoot, "Software\\T"), Status::AccessDenied);
    // Depth first in enumeration order: A went, B's first child went, B\2 refused.
    const auto t = registry.OpenKey(kRoot, "Software\\T", Access::Read);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->SubkeyNames(), (std::vector<std::string>{"B", "C"}));
    const auto b = t->OpenSubkey("B", Access::Read);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->SubkeyNames(), std::vector<std::string>{"2"});
}

TEST_F(MemoryRegistryFaultTest, PlantingIgnoresTheFaultsOfTheKey) {
    registry.DenyFullAccess(kRoot, "Software\\Locked");
    registry.SetDword(kRoot, "Software\\Locked", "Count", 0x01020304);
    registry.SetString(kRoot, "Software\\Locked", "Text", "abc", RegType::ExpandString);
    const auto key = registry.OpenKey(kRoot, "Software\\Locked", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadInteger("Count"), 0x01020304u);
    EXPECT_EQ(key->ReadValue("Text"), (RegValue{"Text", RegType::ExpandString, std::string("abc\0", 4)}));
}

TEST_F(MemoryRegistryFaultTest, CountersFollowWhatCallersDid) {
    registry.SetString(kRoot, "Software\\C", "a", "1");
    registry.SetString(kRoot, "Software\\C", "b", "2");
    registry.counters() = {};
    const auto key = registry.OpenKey(kRoot, "Software\\C", Access::Read);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), 2u);
    EXPECT_EQ(key->ReadString("a"), "1");
    EXPECT_EQ(registry.counters().opens, 1u);
    EXPECT_EQ(registry.counters().enumerations, 1u);
    EXPECT_EQ(registry.counters().valueReads, 3u);
}

TEST(MemoryFileSystemTest, FaultsAndPlantedAnswers) {
    MemoryFileSystem files;
    files.AddFile("C:\\Locked\\inside.txt");
    files.SetUnreadable("c:\\locked\\");
    EXPECT_EQ(files.ListFolder("C:\\Locked"), std::nullopt);
    EXPECT_TRUE(files.FolderExists("C:\\Locked"));
    EXPECT_TRUE(files.FileExists("C:\\Locked\\inside.txt"));

    files.SetDrive('a', DriveTypeCode::Removable, false);
    files.SetDrive('D', DriveTypeCode::CdRom, true);
    EXPECT_EQ(files.DriveType('A'), DriveTypeCode::Removable);
    EXPECT_FALSE(files.DriveReady("A:\\"));
    EXPECT_TRUE(files.DriveReady("d:\\"));

    files.SetSpecialFolder(20, "C:\\Windows\\Fonts");
    EXPECT_EQ(files.SpecialFolder(20), "C:\\Windows\\Fonts");
    EXPECT_EQ(files.SpecialFolder(26), "");

    files.ResetQueries();
    (void)files.FileExists("C:\\x");
    (void)files.FolderExists("C:\\x");
    (void)files.ListFolder("C:\\");
    EXPECT_EQ(files.queries(), 3u);
}

TEST(MemoryFileSystemTest, NormalizedPathsAreFullAndUpperCased) {
    MemoryFileSystem files;
    files.SetCurrentFolder("C:\\Work\\Here");
    struct Case {
        const char* in;
        const char* out;
    } const cases[] = {
        {"c:/program files/app/", "C:\\PROGRAM FILES\\APP"},
        {"C:\\a\\.\\b\\..\\c.txt. ", "C:\\A\\C.TXT"},
        {"C:\\a.\\b..\\c", "C:\\A\\B.\\C"},
        {"sub\\f\xe9.txt", "C:\\WORK\\HERE\\SUB\\F\xc9.TXT"},
        {"\\root.txt", "C:\\ROOT.TXT"},
        {"D:x", "D:\\X"},
        {"C:..", "C:\\WORK"},
        {"\\\\server\\share\\x", ""},
        {"C:\\a*", ""},
        {"   ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(files.Normalize(c.in), c.out);
    }
}

TEST(RegistryOrderTest, ComparisonsFoldCaseAsTheirSourcesDo) {
    struct Case {
        const char* a;
        const char* b;
        int registry;
        int files;
    } const cases[] = {
        {"abc", "ABC", 0, 0},
        {"_", "a", -1, 1},          // "_" sits between the cases
        {"\xe9", "\xc9", 0, 0},     // é É
        {"\xff", "\x9f", 0, 0},     // ÿ Ÿ
        {"\x8a", "\xc0", 1, 1},     // Š after À in Unicode, before it as a byte
        {"\xd7", "\xe0", -1, 1},    // × against à: lower-cased à is after, upper-cased À before
        {"a", "ab", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.b);
        EXPECT_EQ(CompareRegistryNames(c.a, c.b), c.registry);
        EXPECT_EQ(CompareRegistryNames(c.b, c.a), -c.registry);
        EXPECT_EQ(CompareFileNames(c.a, c.b), c.files);
    }
}

}  // namespace
}  // namespace ks::test
