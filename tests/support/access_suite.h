// One suite for every registry and file-system implementation: the Win32 ones
// under Wine and the in-memory ones natively. An answer the in-memory one gives
// differently from the real one is a fault of the in-memory one.
//
// Include from exactly one source per test program and instantiate there:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryAccessTest, ::testing::Types<RegistryEnv>);
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, FileSystemAccessTest, ::testing::Types<FileEnv>);
//
// A registry environment offers: registry(), root(), base() (a key below the
// root that exists and is empty when the test starts and goes when it ends),
// DenyFullAccess(path) (the key at path may then be opened for reading only),
// and two facts: kValuesInInsertionOrder (Windows keeps values in the order
// they were added; Wine sorts them by name) and kRestrictedKeysRefuseDelete
// (Windows will not delete a key without the right to; Wine does not check).
//
// A file-system environment offers: files(), base() (an absolute folder without
// trailing backslash, existing and empty at the start), MakeFile(relative) and
// MakeFolder(relative) (relative parts begin with "\"), SetCurrentFolder(path),
// SetVariable(name, value), FixedDrive() and UnusedDrive().
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "scan/file_system.h"
#include "scan/registry.h"
#include "base/text.h"
#include "support/memory_registry.h"

namespace ks::test {

// ---------------------------------------------------------------------------
// Registry

template <typename Env>
class RegistryAccessTest : public ::testing::Test {
protected:
    void SetUp() override { env_ = std::make_unique<Env>(); }
    void TearDown() override { env_.reset(); }

    Env& env() { return *env_; }
    Registry& reg() { return env_->registry(); }
    RootKey root() { return env_->root(); }
    std::string At(std::string_view below) { return env_->base() + "\\" + std::string(below); }

    std::unique_ptr<RegistryKey> Create(std::string_view below) {
        auto key = reg().CreateKey(root(), At(below));
        EXPECT_NE(key, nullptr) << below;
        return key;
    }
    void Put(RegistryKey& key, std::string_view name, std::uint32_t type, std::string_view data) {
        EXPECT_EQ(key.SetValue(RegValue{std::string(name), type, std::string(data)}), Status::Ok) << name;
    }
    std::unique_ptr<RegistryKey> Open(std::string_view below, Access access = Access::Read) {
        return reg().OpenKey(root(), At(below), access);
    }

private:
    std::unique_ptr<Env> env_;
};

TYPED_TEST_SUITE_P(RegistryAccessTest);

inline std::string Dword(std::uint32_t v) {
    std::string data(4, '\0');
    for (size_t i = 0; i < 4; ++i) data[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return data;
}

inline std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareRegistryNames(a, b) < 0; });
    return names;
}

TYPED_TEST_P(RegistryAccessTest, OpeningAMissingKeyFailsAndCreatesNothing) {
    for (Access access : {Access::Read, Access::Full, Access::QueryEnumerate}) {
        SCOPED_TRACE(static_cast<unsigned>(access));
        EXPECT_EQ(this->Open("Missing", access), nullptr);
        EXPECT_EQ(this->Open("Missing\\Deeper", access), nullptr);
    }
    EXPECT_FALSE(this->reg().KeyExists(this->root(), this->At("Missing")));
    const auto base = this->reg().OpenKey(this->root(), this->env().base(), Access::Read);
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->SubkeyNames().empty());
    EXPECT_EQ(base->OpenSubkey("Missing", Access::Read), nullptr);
    EXPECT_TRUE(base->SubkeyNames().empty());
}

TYPED_TEST_P(RegistryAccessTest, NamesMatchIgnoringCaseAndKeepTheirStoredCase) {
    auto key = this->Create("MixedCase\\Inner");
    this->Put(*key, "Value", RegType::String, std::string("first\0", 6));
    this->Put(*key, "VALUE", RegType::String, std::string("second\0", 7));
    this->Put(*key, "\xe9t\xe9", RegType::Dword, Dword(7));  // été
    ASSERT_NE(this->Create("MIXEDCASE\\\xc9T\xc9"), nullptr);  // ÉTÉ, a sibling of Inner

    const auto base = this->reg().OpenKey(this->root(), this->env().base(), Access::Read);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->SubkeyNames(), std::vector<std::string>{"MixedCase"});

    const auto found = this->Open("mixedcase\\INNER");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(Sorted(found->ValueNames()), (std::vector<std::string>{"Value", "\xe9t\xe9"}));
    EXPECT_EQ(found->ReadString("vAlUe"), "second");
    EXPECT_EQ(found->ReadInteger("\xc9T\xc9"), 7u);
    const auto read = found->ReadValue("VALUE");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->name, "VALUE") << "the name as asked";

    const auto parent = this->Open("MIXEDCASE");
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->SubkeyNames(), (std::vector<std::string>{"Inner", "\xc9T\xc9"}));
    EXPECT_NE(parent->OpenSubkey("\xe9t\xe9", Access::Read), nullptr);
}

TYPED_TEST_P(RegistryAccessTest, SubkeysEnumerateInRegistryOrder) {
    // Planted scrambled; the expected order is what the registry answers.
    const std::vector<std::string> expected = {
        "_under", "a!",      "a0",      "a[",      "a_b",      "a`",      "Alpha",
        "aZ",     "a{",      "a~",      "beta",    "x\xb5",    "x\xd7",   "x\xdf",
        "x\xc0",  "x\xff",   "x\x8a",   "x\x80",   "zeta",     "\xc9" "a", "\xe9t\xe9",
    };
    std::vector<std::string> planted = expected;
    std::reverse(planted.begin(), planted.end());
    std::rotate(planted.begin(), planted.begin() + 7, planted.end());
    for (const auto& name : planted) ASSERT_NE(this->Create("Sort\\" + name), nullptr) << name;

    const auto key = this->Open("Sort");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->SubkeyNames(), expected);
    EXPECT_EQ(key->AllSubkeyNames(), expected) << "a list read to its end";
    const auto info = key->Info();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->subkeys, expected.size());
    EXPECT_EQ(info->values, 0u);
}

TYPED_TEST_P(RegistryAccessTest, ValuesEnumerateInTheRegistrysOwnOrder) {
    auto key = this->Create("Order");
    std::vector<std::string> added = {"b", "a", "C", "_x", ""};
    for (const auto& name : added) this->Put(*key, name, RegType::String, std::string("v\0", 2));
    const auto expect = [&] { return TypeParam::kValuesInInsertionOrder ? added : Sorted(added); };
    EXPECT_EQ(key->ValueNames(), expect());

    ASSERT_EQ(key->DeleteValue("A"), Status::Ok);
    this->Put(*key, "d", RegType::String, std::string("v\0", 2));
    added = {"b", "C", "_x", "", "d"};
    EXPECT_EQ(key->ValueNames(), expect());

    std::vector<std::string> fromValues;
    for (const auto& value : key->Values()) fromValues.push_back(value.name);
    EXPECT_EQ(fromValues, expect()) << "Values() lists as ValueNames() does";
    const auto info = key->Info();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->values, 5u);
}

TYPED_TEST_P(RegistryAccessTest, ValuesReadBackExactlyAsStored) {
    const std::vector<RegValue> planted = {
        {"", RegType::String, std::string("default\0", 8)},
        {"Path", RegType::String, std::string("C:\\Program Files\\App\\app.exe /min\0", 34)},
        {"Expand", RegType::ExpandString, std::string("%SystemRoot%\\x.dll\0", 19)},
        {"Count", RegType::Dword, Dword(0x12345678)},
        {"Blob", RegType::Binary, std::string("\x00\x01\xff\x00", 4)},
        {"Multi", RegType::MultiString, std::string("a\0b\0\0", 5)},
        {"Empty", RegType::String, std::string()},
        {"Embedded", RegType::String, std::string("a\0b\0", 4)},
        {"Accented", RegType::String, std::string("\xe9t\xe9 \x80\x8a\0", 8)},
        {"Big", RegType::Binary, std::string(70000, '\x5a')},
        {"LongText", RegType::String, std::string(5000, 'x') + '\0'},
        {std::string(300, 'n'), RegType::String, std::string("long name\0", 10)},
        {"Short", RegType::Binary, std::string("\x01\x02", 2)},
        {"Wide", RegType::Qword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
    };
    {
        auto key = this->Create("Data");
        for (const auto& value : planted) this->Put(*key, value.name, value.type, value.data);
    }
    const auto key = this->Open("Data");
    ASSERT_NE(key, nullptr);

    auto byName = [](std::vector<RegValue> values) {
        std::sort(values.begin(), values.end(),
                  [](const RegValue& a, const RegValue& b) { return CompareRegistryNames(a.name, b.name) < 0; });
        return values;
    };
    EXPECT_EQ(byName(key->Values()), byName(planted));

    for (const auto& value : planted) {
        SCOPED_TRACE(value.name.substr(0, 20));
        EXPECT_EQ(key->ReadValue(value.name), value);
        EXPECT_TRUE(key->ValueExists(value.name));
        EXPECT_EQ(key->DataSize(value.name), value.data.size());
        EXPECT_EQ(key->ReadBytes(value.name), value.data);
        EXPECT_EQ(key->QueryValueInfo(value.name), (ValueInfo{value.type, static_cast<std::uint32_t>(value.data.size())}));
    }

    struct Case {
        const char* name;
        ValueKind kind;
        const char* text;
        std::uint32_t integer;
    } const cases[] = {
        {"", ValueKind::String, "default", 0x61666564},
        {"Path", ValueKind::String, "C:\\Program Files\\App\\app.exe /min", 0x505C3A43},
        {"Expand", ValueKind::ExpandString, "%SystemRoot%\\x.dll", 0x73795325},
        {"Count", ValueKind::Integer, "\x78\x56\x34\x12", 0x12345678},
        {"Blob", ValueKind::Bytes, "", 0x00FF0100},
        {"Multi", ValueKind::None, "a", 0x00620061},
        {"Empty", ValueKind::String, "", 0},
        {"Embedded", ValueKind::String, "a", 0x00620061},
        {"Short", ValueKind::Bytes, "\x01\x02", 0},
        {"Wide", ValueKind::None, "\x01\x02\x03\x04\x05\x06\x07\x08", 0x04030201},
        {"Missing", ValueKind::None, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(key->ValueType(c.name), c.kind);
        EXPECT_EQ(key->ReadString(c.name), c.text);
        EXPECT_EQ(key->ReadInteger(c.name), c.integer);
    }
    EXPECT_FALSE(key->ValueExists("Missing"));
    EXPECT_EQ(key->DataSize("Missing"), std::nullopt);
    EXPECT_EQ(key->ReadValue("Missing"), std::nullopt);
    EXPECT_EQ(key->ReadBytes("Missing"), "");
}

TYPED_TEST_P(RegistryAccessTest, KeyPathsAcceptTheFormsTheRegistryAccepts) {
    ASSERT_NE(this->Create("P\\Q\\R"), nullptr);
    ASSERT_NE(this->Create("Slash/Name"), nullptr);
    struct Case {
        std::string below;
        bool opens;
    } const cases[] = {
        {"P\\Q", true},       {"P\\Q\\", true},     {"P\\\\Q", true},  {"P\\Q\\\\", true},
        {"p\\q\\r", true},    {"P\\.", false},       {"P\\..", false},  {"P/Q", false},
        {"Slash/Name", true}, {"Slash\\Name", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.below);
        EXPECT_EQ(this->Open(c.below) != nullptr, c.opens);
    }
    // A leading backslash names nothing, below a root or below a key.
    EXPECT_EQ(this->reg().OpenKey(this->root(), "\\" + this->env().base(), Access::Read), nullptr);
    const auto p = this->Open("P");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->OpenSubkey("\\Q", Access::Read), nullptr);
    EXPECT_NE(p->OpenSubkey("Q\\R\\", Access::Read), nullptr);
    // The empty path is the key itself.
    const auto self = p->OpenSubkey("", Access::Read);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->SubkeyNames(), std::vector<std::string>{"Q"});
    const auto rootKey = this->reg().OpenKey(this->root(), "", Access::Read);
    ASSERT_NE(rootKey, nullptr);
    const auto top = rootKey->SubkeyNames();
    const std::string first = this->env().base().substr(0, this->env().base().find('\\'));
    EXPECT_TRUE(std::any_of(top.begin(), top.end(), [&](const std::string& n) { return EqualsNoCase(n, first); }));
}

TYPED_TEST_P(RegistryAccessTest, DeleteKeyRemovesTheWholeSubtree) {
    {
        auto deep = this->Create("Tree\\A\\B\\C");
        this->Put(*deep, "v", RegType::String, std::string("x\0", 2));
        auto side = this->Create("Tree\\D");
        this->Put(*side, "", RegType::Dword, Dword(1));
        ASSERT_NE(this->Create("Keep\\Tree"), nullptr);
    }
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At("tree")), Status::Ok);
    EXPECT_FALSE(this->reg().KeyExists(this->root(), this->At("Tree")));
    EXPECT_FALSE(this->reg().KeyExists(this->root(), this->At("Tree\\A\\B\\C")));
    EXPECT_TRUE(this->reg().KeyExists(this->root(), this->At("Keep\\Tree")));
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At("Tree")), Status::FileNotFound);
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At("Never\\There")), Status::FileNotFound);

    ASSERT_NE(this->Create("Trailing\\Child"), nullptr);
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At("Trailing\\")), Status::Ok);
    EXPECT_FALSE(this->reg().KeyExists(this->root(), this->At("Trailing")));
}

TYPED_TEST_P(RegistryAccessTest, DeleteKeyNeverTakesMoreThanItWasGiven) {
    ASSERT_NE(this->Create("Guard\\Child"), nullptr);
    // A root is never deleted, however its path is spelt.
    for (std::string path : {"", "\\", "\\\\"}) {
        SCOPED_TRACE(path);
        EXPECT_NE(this->reg().DeleteKey(this->root(), path), Status::Ok);
    }
    // Text after a NUL would be dropped by the API, naming the parent instead.
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At(std::string("Guard\0Child", 11))),
              Status::InvalidParameter);
    EXPECT_EQ(this->reg().DeleteKey(this->root(), this->At(std::string("Guard\\Child\0", 12))),
              Status::InvalidParameter);
    EXPECT_EQ(this->reg().DeleteKey(this->root(), "\\" + this->At("Guard")), Status::BadPathname);
    EXPECT_TRUE(this->reg().KeyExists(this->root(), this->At("Guard\\Child")));
    EXPECT_TRUE(this->reg().KeyExists(this->root(), ""));
}

TYPED_TEST_P(RegistryAccessTest, AKeyDeletedWhileOpenAnswersKeyDeleted) {
    auto key = this->Create("Gone");
    this->Put(*key, "v", RegType::String, std::string("x\0", 2));
    ASSERT_NE(this->Create("Gone\\Sub"), nullptr);
    const auto sub = this->Open("Gone\\Sub");
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(this->reg().DeleteKey(this->root(), this->At("Gone")), Status::Ok);

    for (RegistryKey* open : {key.get(), sub.get()}) {
        EXPECT_TRUE(open->SubkeyNames().empty());
        EXPECT_TRUE(open->ValueNames().empty());
        EXPECT_TRUE(open->Values().empty());
        EXPECT_EQ(open->Info(), std::nullopt);
        EXPECT_EQ(open->OpenSubkey("", Access::Read), nullptr);
    }
    EXPECT_EQ(key->ReadValue("v"), std::nullopt);
    EXPECT_EQ(key->OpenSubkey("Sub", Access::Read), nullptr);
    EXPECT_EQ(key->SetValue(RegValue{"w", RegType::String, std::string("y\0", 2)}), Status::KeyDeleted);
    EXPECT_EQ(key->DeleteValue("v"), Status::KeyDeleted);

    // A key made again under the same name is a new one; the old handle stays dead.
    auto again = this->Create("Gone");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->ValueNames().empty());
    EXPECT_EQ(key->SetValue(RegValue{"w", RegType::String, std::string("y\0", 2)}), Status::KeyDeleted);
    EXPECT_TRUE(again->ValueNames().empty());
}

TYPED_TEST_P(RegistryAccessTest, ChangingValuesNeedsTheSetValueRight) {
    {
        auto key = this->Create("Rights");
        this->Put(*key, "Keep", RegType::String, std::string("x\0", 2));
        this->Put(*key, "", RegType::String, std::string("d\0", 2));
    }
    for (Access access : {Access::Read, Access::QueryEnumerate}) {
        SCOPED_TRACE(static_cast<unsigned>(access));
        auto key = this->Open("Rights", access);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->DeleteValue("Keep"), Status::AccessDenied);
        EXPECT_EQ(key->SetValue(RegValue{"New", RegType::String, std::string("y\0", 2)}), Status::AccessDenied);
        EXPECT_TRUE(key->ValueExists("Keep"));
        EXPECT_FALSE(key->ValueExists("New"));
    }
    auto full = this->Open("Rights", Access::Full);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->DeleteValue("KEEP"), Status::Ok);
    EXPECT_EQ(full->DeleteValue("Keep"), Status::FileNotFound);
    EXPECT_EQ(full->DeleteValue(""), Status::Ok) << "the default value";
    EXPECT_FALSE(full->ValueExists(""));
    EXPECT_TRUE(full->ValueNames().empty());
}

TYPED_TEST_P(RegistryAccessTest, AKeyRefusingFullAccessStillOpensForReading) {
    {
        auto key = this->Create("Locked");
        this->Put(*key, "v", RegType::String, std::string("x\0", 2));
    }
    this->env().DenyFullAccess(this->At("Locked"));
    EXPECT_EQ(this->Open("Locked", Access::Full), nullptr);
    EXPECT_EQ(this->reg().CreateKey(this->root(), this->At("Locked")), nullptr);
    const auto read = this->Open("Locked", Access::Read);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ReadString("v"), "x");
    EXPECT_TRUE(this->reg().KeyExists(this->root(), this->At("Locked")));
    const auto parent = this->Open("");
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->OpenSubkey("Locked", Access::Full), nullptr);
    EXPECT_NE(parent->OpenSubkey("Locked", Access::QueryEnumerate), nullptr);

    const RegStatus deleted = this->reg().DeleteKey(this->root(), this->At("Locked"));
    if (TypeParam::kRestrictedKeysRefuseDelete) {
        EXPECT_EQ(deleted, Status::AccessDenied);
        EXPECT_TRUE(this->reg().KeyExists(this->root(), this->At("Locked")));
    } else {
        EXPECT_EQ(deleted, Status::Ok);
        EXPECT_FALSE(this->reg().KeyExists(this->root(), this->At("Locked")));
    }
}

TYPED_TEST_P(RegistryAccessTest, AValueGoneBetweenListingAndReadingReadsAsAbsent) {
    auto writer = this->Create("Race");
    this->Put(*writer, "Listed", RegType::String, std::string("C:\\x.exe\0", 9));
    const auto reader = this->Open("Race");
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(reader->ValueNames(), std::vector<std::string>{"Listed"});
    ASSERT_EQ(writer->DeleteValue("Listed"), Status::Ok);
    EXPECT_EQ(reader->ReadValue("Listed"), std::nullopt);
    EXPECT_EQ(reader->ValueType("Listed"), ValueKind::None);
    EXPECT_EQ(reader->ReadString("Listed"), "");
    EXPECT_EQ(reader->DataSize("Listed"), std::nullopt);
    EXPECT_TRUE(reader->Values().empty());
}

TYPED_TEST_P(RegistryAccessTest, NamesHoldingANulAreRefused) {
    auto key = this->Create("Nul");
    this->Put(*key, "a", RegType::String, std::string("x\0", 2));
    ASSERT_NE(this->Create("Nul\\a"), nullptr);
    const std::string cut("a\0b", 3);
    EXPECT_EQ(key->ReadValue(cut), std::nullopt);
    EXPECT_FALSE(key->ValueExists(cut));
    EXPECT_EQ(key->OpenSubkey(cut, Access::Read), nullptr);
    EXPECT_EQ(this->Open(std::string("Nul\0", 4)), nullptr);
    EXPECT_EQ(key->DeleteValue(cut), Status::InvalidParameter);
    EXPECT_EQ(key->SetValue(RegValue{cut, RegType::String, std::string("y\0", 2)}), Status::InvalidParameter);
    EXPECT_EQ(key->ReadString("a"), "x");
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"a"});
}

REGISTER_TYPED_TEST_SUITE_P(RegistryAccessTest, OpeningAMissingKeyFailsAndCreatesNothing,
                            NamesMatchIgnoringCaseAndKeepTheirStoredCase, SubkeysEnumerateInRegistryOrder,
                            ValuesEnumerateInTheRegistrysOwnOrder, ValuesReadBackExactlyAsStored,
                            KeyPathsAcceptTheFormsTheRegistryAccepts, DeleteKeyRemovesTheWholeSubtree,
                            DeleteKeyNeverTakesMoreThanItWasGiven, AKeyDeletedWhileOpenAnswersKeyDeleted,
                            ChangingValuesNeedsTheSetValueRight, AKeyRefusingFullAccessStillOpensForReading,
                            AValueGoneBetweenListingAndReadingReadsAsAbsent, NamesHoldingANulAreRefused);

// ---------------------------------------------------------------------------
// File system

template <typename Env>
class FileSystemAccessTest : public ::testing::Test {
protected:
    void SetUp() override { env_ = std::make_unique<Env>(); }
    void TearDown() override { env_.reset(); }

    Env& env() { return *env_; }
    FileSystem& files() { return env_->files(); }
    std::string At(std::string_view below) { return env_->base() + std::string(below); }

    // dir\file.txt, an empty folder, and a few names whose order and case
    // folding differ between the ways of comparing.
    void PlantTree() {
        env_->MakeFolder("\\dir");
        env_->MakeFolder("\\empty");
        for (const char* name : {"\\dir\\file.txt", "\\Zed.txt", "\\alpha.txt", "\\_u.txt", "\\Beta.TXT", "\\f\xc0",
                                 "\\f\xe9", "\\f\xdf", "\\f\x8a", "\\f\x80", "\\f\xb5", "\\f\xf7", "\\dir\\f\x9a",
                                 "\\dir\\f\xff"})
            env_->MakeFile(name);
    }

private:
    std::unique_ptr<Env> env_;
};

TYPED_TEST_SUITE_P(FileSystemAccessTest);

TYPED_TEST_P(FileSystemAccessTest, ExistsTestsFollowWindowsPathRules) {
    this->PlantTree();
    enum Answer { None, File, Folder };
    struct Case {
        const char* below;
        Answer answer;
    } const cases[] = {
        {"\\dir\\file.txt", File},
        {"\\DIR\\FILE.TXT", File},
        {"/dir/file.txt", File},
        {"\\dir\\\\file.txt", File},
        {"\\dir\\file.txt.", File},
        {"\\dir\\file.txt. . ", File},
        {"\\dir\\file.txt ", File},
        {"\\dir\\file.txt\\.", File},
        {"\\dir\\.\\file.txt", File},
        {"\\dir\\..\\dir\\file.txt", File},
        {"\\nope\\..\\dir\\file.txt", File},
        {"\\dir.\\file.txt", File},  // one trailing dot of an inner part is dropped
        {"\\dir..\\file.txt", None},
        {"\\dir \\file.txt", None},
        {"\\dir\\file.txt\\", None},
        {"\\dir\\file.txt.\\", None},
        {"\\dir\\file.txt\\x", None},
        {"\\dir\\file.*", None},
        {"\\dir\\file.tx?", None},
        {"\\dir\\fil", None},
        {"\\\"dir\"", None},
        {"\\dir<", None},
        {"\\dir|", None},
        {"\\missing", None},
        {"\\dir", Folder},
        {"\\dir\\", Folder},
        {"\\dir.", Folder},
        {"\\dir...", Folder},
        {"\\dir\\.", Folder},
        {"\\dir\\ ", Folder},
        {"\\dir\\file.txt\\..", Folder},
        {"\\empty", Folder},
        {"\\f\xc0", File},
        {"\\F\xe0", File},          // à matches À
        {"\\dir\\F\x8a", File},     // Š matches š
        {"\\dir\\F\x9f", File},     // Ÿ matches ÿ
        {"\\F\xdf", File},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.below);
        const std::string path = this->At(c.below);
        EXPECT_EQ(this->files().FileExists(path), c.answer == File);
        EXPECT_EQ(this->files().FolderExists(path), c.answer == Folder);
    }
    for (const char* blank : {"", " ", "   "}) {
        SCOPED_TRACE(std::string("[") + blank + "]");
        EXPECT_FALSE(this->files().FileExists(blank));
        EXPECT_FALSE(this->files().FolderExists(blank));
    }
    EXPECT_FALSE(this->files().FileExists(this->At(std::string("\\dir\\file.txt\0.exe", 18))));
    EXPECT_FALSE(this->files().FolderExists(this->At(std::string("\\dir\0\\x", 7))));
}

TYPED_TEST_P(FileSystemAccessTest, OverlongPathsNameNothing) {
    this->PlantTree();
    // Both resolve to dir\file.txt; only the length differs.
    auto padded = [&](size_t length) {
        std::string path = this->At("\\dir");
        while (path.size() + 2 < length - std::string("\\file.txt").size()) path += "\\.";
        path += "\\file.txt";
        return path;
    };
    const std::string fits = padded(250), overlong = padded(300);
    ASSERT_LE(fits.size(), 250u);
    ASSERT_GT(overlong.size(), 290u);
    EXPECT_TRUE(this->files().FileExists(fits));
    EXPECT_FALSE(this->files().FileExists(overlong));
}

TYPED_TEST_P(FileSystemAccessTest, RelativePathsStartAtTheCurrentFolder) {
    this->PlantTree();
    this->env().SetCurrentFolder(this->At("\\dir"));
    const std::string base = this->env().base();
    const std::string leaf = base.substr(base.rfind('\\'));  // "\name" of the base folder
    const std::string drive = base.substr(0, 2);
    struct Case {
        std::string path;
        bool file;
        bool folder;
    } const cases[] = {
        {"file.txt", true, false},
        {".\\file.txt", true, false},
        {"..\\dir\\file.txt", true, false},
        {"..", false, true},
        {"..\\.." + leaf, false, true},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..", false, true},  // stops at the root
        {"\\", false, true},
        {drive, false, true},
        {drive + "file.txt", true, false},
        {drive + "..\\empty", false, true},
        {"file.txt\\..\\file.txt", true, false},
        {"nothing.txt", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(this->files().FileExists(c.path), c.file);
        EXPECT_EQ(this->files().FolderExists(c.path), c.folder);
    }
}

TYPED_TEST_P(FileSystemAccessTest, FolderListingsAreSortedAsNtfsSortsThem) {
    this->PlantTree();
    const std::vector<FolderEntry> expected = {
        {"alpha.txt", false}, {"Beta.TXT", false}, {"dir", true},    {"empty", true},
        {"f\xb5", false},     {"f\xc0", false},    {"f\xe9", false}, {"f\xdf", false},
        {"f\xf7", false},     {"f\x8a", false},    {"f\x80", false}, {"Zed.txt", false},
        {"_u.txt", false},
    };
    for (std::string path : {this->env().base(), this->At("\\"), this->At("\\.\\dir\\..")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(this->files().ListFolder(path), expected);
    }
    EXPECT_EQ(this->files().ListFolder(this->At("\\dir.")),
              (std::vector<FolderEntry>{{"file.txt", false}, {"f\x9a", false}, {"f\xff", false}}));
    EXPECT_EQ(this->files().ListFolder(this->At("\\empty")), std::vector<FolderEntry>{});
    for (const char* below : {"\\dir\\file.txt", "\\missing", "\\dir ", "\\d*", "\\dir\\file.txt\\"}) {
        SCOPED_TRACE(below);
        EXPECT_EQ(this->files().ListFolder(this->At(below)), std::nullopt);
    }
    EXPECT_EQ(this->files().ListFolder(""), std::nullopt);
}

TYPED_TEST_P(FileSystemAccessTest, DrivesAnswerByLetterAndRoot) {
    const char fixed = this->env().FixedDrive();
    const char unused = this->env().UnusedDrive();
    const char lower = static_cast<char>(fixed - 'A' + 'a');
    EXPECT_EQ(this->files().DriveType(fixed), DriveTypeCode::Fixed);
    EXPECT_EQ(this->files().DriveType(lower), DriveTypeCode::Fixed);
    EXPECT_EQ(this->files().DriveType(unused), DriveTypeCode::NoRootDir);

    // The current folder is below the fixed drive's root, so "C:" names it
    // and not the root.
    this->env().SetCurrentFolder(this->env().base());
    struct Case {
        std::string root;
        bool ready;
    } const cases[] = {
        {{fixed, ':', '\\'}, true}, {{lower, ':', '\\'}, true}, {{fixed, ':'}, false},
        {{fixed}, false},           {{unused, ':', '\\'}, false}, {"", false},
        {this->env().base() + "\\", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(this->files().DriveReady(c.root), c.ready);
    }
    this->env().SetCurrentFolder(std::string{fixed, ':', '\\'});
    EXPECT_TRUE(this->files().DriveReady(std::string{fixed, ':'}));
}

TYPED_TEST_P(FileSystemAccessTest, VariablesExpandIntoATrimmedTextOfAtMost1023Characters) {
    this->env().SetVariable("KS_ACCESS_SET", "val");
    this->env().SetVariable("KS_ACCESS_EMPTY", "");
    this->env().SetVariable("KS_ACCESS_LONG", std::string(1100, 'L'));
    struct Case {
        std::string in;
        std::string out;
    } const cases[] = {
        {"%KS_ACCESS_SET%", "val"},
        {"%ks_access_set%\\x", "val\\x"},
        {"a%KS_ACCESS_SET%%KS_ACCESS_SET%b", "avalvalb"},
        {"  %KS_ACCESS_SET%  ", "val"},
        {"\t%KS_ACCESS_EMPTY% C:\\x \r\n", "C:\\x"},
        {"%KS_ACCESS_NOPE%", "%KS_ACCESS_NOPE%"},
        {"%KS_ACCESS_NOPE%KS_ACCESS_SET%", "%KS_ACCESS_NOPE%KS_ACCESS_SET%"},
        {"%%KS_ACCESS_SET%", "%%KS_ACCESS_SET%"},
        {"%KS_ACCESS_SET", "%KS_ACCESS_SET"},
        {"100%", "100%"},
        {"", ""},
        // The result with its NUL fills the 1024-character buffer exactly: kept, and trimmed.
        {" " + std::string(1022, 'q'), std::string(1022, 'q')},
        {"%KS_ACCESS_SET%" + std::string(1020, 'q'), "val" + std::string(1020, 'q')},
        // One character more and the expansion fails: the text comes back untouched.
        {" " + std::string(1023, 'q'), " " + std::string(1023, 'q')},
        {" %KS_ACCESS_LONG% ", " %KS_ACCESS_LONG% "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in.substr(0, 40));
        EXPECT_EQ(this->files().ExpandVariables(c.in), c.out);
    }
}

TYPED_TEST_P(FileSystemAccessTest, DeleteFileRemovesOneFileAndNothingElse) {
    this->PlantTree();
    this->env().MakeFile("\\dir\\other.txt");
    this->env().MakeFile("\\dir\\third.txt");
    EXPECT_TRUE(this->files().DeleteFile(this->At("\\dir\\other.txt")));
    EXPECT_FALSE(this->files().FileExists(this->At("\\dir\\other.txt")));
    EXPECT_FALSE(this->files().DeleteFile(this->At("\\dir\\other.txt")));
    EXPECT_TRUE(this->files().DeleteFile(this->At("\\dir\\THIRD.txt.")));
    EXPECT_FALSE(this->files().FileExists(this->At("\\dir\\third.txt")));

    for (const char* below : {"\\dir", "\\dir\\", "\\dir\\*.txt", "\\dir\\file.tx?", "\\*", "\\empty"}) {
        SCOPED_TRACE(below);
        EXPECT_FALSE(this->files().DeleteFile(this->At(below)));
    }
    EXPECT_FALSE(this->files().DeleteFile(""));
    EXPECT_FALSE(this->files().DeleteFile(this->At(std::string("\\dir\\file.txt\0x", 15))));
    EXPECT_TRUE(this->files().FileExists(this->At("\\dir\\file.txt")));
    EXPECT_TRUE(this->files().FolderExists(this->At("\\empty")));
    EXPECT_TRUE(this->files().FileExists(this->At("\\alpha.txt")));
}

TYPED_TEST_P(FileSystemAccessTest, AnUnknownShellFolderHasNoPath) {
    EXPECT_EQ(this->files().SpecialFolder(0x7E), "");
    EXPECT_EQ(this->files().SpecialFolder(-1), "");
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemAccessTest, ExistsTestsFollowWindowsPathRules, OverlongPathsNameNothing,
                            RelativePathsStartAtTheCurrentFolder, FolderListingsAreSortedAsNtfsSortsThem,
                            DrivesAnswerByLetterAndRoot, VariablesExpandIntoATrimmedTextOfAtMost1023Characters,
                            DeleteFileRemovesOneFileAndNothingElse, AnUnknownShellFolderHasNoPath);

}  // namespace ks::test
