// The backup writer over the in-memory registry and backup files: the file's
// bytes, the checks before anything is written, and the check after.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "logic/backup_memory_file.h"
#include "repair/backup_parser.h"
#include "repair/backup_writer.h"
#include "support/memory_registry.h"

namespace ks {
namespace {

using test::MemoryBackupStore;
using test::MemoryRegistry;

constexpr char kFile[] = "C:\\Backup\\Backup20131207014509.reg";
constexpr RootKey kUser = RootKey::CurrentUser;

std::string Sz(const char* text) { return std::string(text) + '\0'; }

class BackupWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(store.CreateFolderTree("C:\\Backup")); }

    BackupResult Key(std::string_view path) { return WriteRegBackup(context, kFile, kUser, true, "", path); }
    BackupResult Value(std::string_view path, std::string_view name) {
        return WriteRegBackup(context, kFile, kUser, false, name, path);
    }
    std::string File() const { return store.Content(kFile); }

    MemoryRegistry registry;
    MemoryBackupStore store;
    BackupContext context{registry, store};
};

TEST_F(BackupWriterTest, FirstBlockCreatesTheFileWithItsHeaderAndLaterOnesAppend) {
    registry.SetString(kUser, "Software\\Demo", "", "C:\\Program Files\\Demo");
    registry.SetString(kUser, "Software\\Demo", "Title", "Say \"hi\"");
    registry.SetDword(kUser, "Software\\Demo", "Count", 30);
    std::string blob;
    for (int i = 0; i < 30; ++i) blob.push_back(static_cast<char>(i));
    registry.Set(kUser, "Software\\Demo", "Blob", RegType::Binary, blob);
    registry.AddKey(kUser, "Software\\Demo\\Sub");
    registry.SetString(kUser, "Software\\Other", "Name", "x");

    EXPECT_FALSE(store.Exists(kFile));
    ASSERT_EQ(Key("Software\\Demo"), BackupResult::Written);
    const std::string first =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
        "@=\"C:\\\\Program Files\\\\Demo\"\r\n"
        "\"Title\"=\"Say \\\"hi\\\"\"\r\n"
        "\"Count\"=dword:0000001E\r\n"
        "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,19,\\\r\n"
        "1A,1B,1C,1D\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Demo\\Sub]\r\n";
    EXPECT_EQ(File(), first);

    ASSERT_EQ(Value("Software\\Other", "Name"), BackupResult::Written);
    EXPECT_EQ(File(), first + "\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Name\"=\"x\"\r\n");
    EXPECT_EQ(store.flushes, 2);
}

TEST_F(BackupWriterTest, AnEmptyFileLeftBehindGetsTheHeader) {
    store.Put(kFile, "");
    registry.AddKey(kUser, "Software\\Empty");
    ASSERT_EQ(Key("Software\\Empty"), BackupResult::Written);
    EXPECT_EQ(File(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Empty]\r\n");
}

TEST_F(BackupWriterTest, KeyPathLosesOneTrailingBackslashAndKeepsTheStoredCase) {
    registry.SetDword(kUser, "Software\\Demo", "v", 1);
    ASSERT_EQ(Key("SOFTWARE\\demo\\"), BackupResult::Written);
    // The ancestors stay as asked (they survive the deletion); the key that the
    // import creates again gets its own name back.
    EXPECT_EQ(File(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Demo]\r\n\"v\"=dword:00000001\r\n");
}

TEST_F(BackupWriterTest, ValueBackupsUseTheStoredNameAndTheDefaultValueIsAt) {
    registry.SetString(kUser, "K", "MixedCase", "a");
    registry.SetString(kUser, "K", "", "def");
    registry.SetString(kUser, "K", "other", "b");
    ASSERT_EQ(Value("K", "mixedcase"), BackupResult::Written);
    ASSERT_EQ(Value("K", ""), BackupResult::Written);
    EXPECT_EQ(File(),
              "REGEDIT4\r\n"
              "\r\n[HKEY_CURRENT_USER\\K]\r\n\"MixedCase\"=\"a\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\K]\r\n@=\"def\"\r\n");
}

TEST_F(BackupWriterTest, WholeKeyIsWrittenDepthFirst) {
    registry.SetDword(kUser, "T", "t", 0);
    registry.SetDword(kUser, "T\\A", "a", 1);
    registry.SetDword(kUser, "T\\A\\Deep", "d", 2);
    registry.SetDword(kUser, "T\\B", "b", 3);
    ASSERT_EQ(Key("T"), BackupResult::Written);
    const auto parsed = ParseRegText(File(), true);
    ASSERT_TRUE(parsed.ok);
    std::vector<std::string> order;
    for (const auto& block : parsed.blocks) order.push_back(block.keyPath);
    EXPECT_EQ(order, (std::vector<std::string>{"HKEY_CURRENT_USER\\T", "HKEY_CURRENT_USER\\T\\A",
                                                "HKEY_CURRENT_USER\\T\\A\\Deep", "HKEY_CURRENT_USER\\T\\B"}));
}

TEST_F(BackupWriterTest, MissingItemsWriteNothing) {
    registry.SetDword(kUser, "K", "there", 1);
    EXPECT_EQ(Key("Gone"), BackupResult::Missing);
    EXPECT_EQ(Value("Gone", "x"), BackupResult::Missing);
    EXPECT_EQ(Value("K", "absent"), BackupResult::Missing);
    EXPECT_EQ(Value("K", ""), BackupResult::Missing);  // no default value set
    // A key that refuses even a look counts as absent.
    registry.SetDword(kUser, "Locked", "v", 1);
    registry.DenyAccess(kUser, "Locked");
    EXPECT_EQ(Key("Locked"), BackupResult::Missing);
    EXPECT_FALSE(store.Exists(kFile));
    EXPECT_EQ(store.opens, 0);
}

TEST_F(BackupWriterTest, ItemsABackupCannotHoldAreRefusedBeforeTheFileIsTouched) {
    struct Case {
        const char* what;
        void (*plant)(MemoryRegistry&);
        bool wholeKey;
        const char* path;
        const char* name;
    } const cases[] = {
        {"value name with a line break",
         [](MemoryRegistry& r) { r.SetString(kUser, "K", "a\r\nb", "x"); }, true, "K", ""},
        {"subkey name with a line break", [](MemoryRegistry& r) { r.AddKey(kUser, "K\\a\nb"); }, true, "K", ""},
        {"single value with a line break in its name",
         [](MemoryRegistry& r) { r.SetString(kUser, "K", "a\nb", "x"); }, false, "K", "a\nb"},
        {"unreadable value in the tree",
         [](MemoryRegistry& r) {
             r.SetString(kUser, "K\\S", "v", "x");
             r.VanishValue(kUser, "K\\S", "v");
         },
         true, "K", ""},
        {"single unreadable value",
         [](MemoryRegistry& r) {
             r.SetString(kUser, "K", "v", "x");
             r.VanishValue(kUser, "K", "v");
         },
         false, "K", "v"},
        {"value enumeration that fails",
         [](MemoryRegistry& r) {
             r.SetString(kUser, "K", "v", "x");
             r.FailValueEnumeration(kUser, "K");
         },
         true, "K", ""},
        {"subkey that cannot be opened",
         [](MemoryRegistry& r) {
             r.SetString(kUser, "K\\Locked", "v", "x");
             r.DenyAccess(kUser, "K\\Locked");
         },
         true, "K", ""},
        {"a whole root", [](MemoryRegistry& r) { r.AddKey(kUser, "K"); }, true, "", ""},
        {"a root given as a lone backslash", [](MemoryRegistry& r) { r.AddKey(kUser, "K"); }, true, "\\", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        MemoryBackupStore store;
        ASSERT_TRUE(store.CreateFolderTree("C:\\Backup"));
        c.plant(registry);
        BackupContext context{registry, store};
        EXPECT_EQ(WriteRegBackup(context, kFile, kUser, c.wholeKey, c.name, c.path), BackupResult::Refused);
        EXPECT_EQ(store.opens, 0);
        EXPECT_FALSE(store.Exists(kFile));
    }
}

// The 8-bit view of a registry holding names outside the code page: each such
// name is listed as "??", and "??" opens or reads nothing unless a real "??"
// exists.
class EightBitKey : public RegistryKey {
public:
    EightBitKey(std::unique_ptr<RegistryKey> inner, const std::set<std::string>& wide)
        : inner_(std::move(inner)), wide_(wide) {}
    std::vector<std::string> SubkeyNames() const override { return Shown(inner_->SubkeyNames()); }
    std::vector<std::string> ValueNames() const override { return Shown(inner_->ValueNames()); }
    std::vector<RegValue> Values() const override {
        auto values = inner_->Values();
        for (auto& v : values)
            if (wide_.count(v.name)) v.name = "??";
        return values;
    }
    std::optional<RegValue> ReadValue(std::string_view name) const override {
        if (wide_.count(std::string(name))) return std::nullopt;
        return inner_->ReadValue(name);
    }
    std::optional<KeyInfo> Info() const override { return inner_->Info(); }
    std::unique_ptr<RegistryKey> OpenSubkey(std::string_view path, Access access) const override {
        if (wide_.count(std::string(path))) return nullptr;
        auto key = inner_->OpenSubkey(path, access);
        return key ? std::make_unique<EightBitKey>(std::move(key), wide_) : nullptr;
    }
    RegStatus DeleteValue(std::string_view name) override { return inner_->DeleteValue(name); }
    RegStatus SetValue(const RegValue& value) override { return inner_->SetValue(value); }

private:
    std::vector<std::string> Shown(std::vector<std::string> names) const {
        for (auto& name : names)
            if (wide_.count(name)) name = "??";
        return names;
    }
    std::unique_ptr<RegistryKey> inner_;
    const std::set<std::string>& wide_;
};

class EightBitView : public Registry {
public:
    EightBitView(MemoryRegistry& inner, std::set<std::string> wide) : inner_(inner), wide_(std::move(wide)) {}
    std::unique_ptr<RegistryKey> OpenKey(RootKey root, std::string_view path, Access access) override {
        auto key = inner_.OpenKey(root, path, access);
        return key ? std::make_unique<EightBitKey>(std::move(key), wide_) : nullptr;
    }
    RegStatus DeleteKey(RootKey root, std::string_view path) override { return inner_.DeleteKey(root, path); }
    std::unique_ptr<RegistryKey> CreateKey(RootKey root, std::string_view path) override {
        return inner_.CreateKey(root, path);
    }

private:
    MemoryRegistry& inner_;
    std::set<std::string> wide_;
};

TEST_F(BackupWriterTest, NamesTheEightBitViewMakesAlikeOrCannotOpenAreRefused) {
    registry.SetString(kUser, "Twins", "WIDE1", "unrelated");
    registry.SetString(kUser, "Twins", "??", "real");
    registry.SetString(kUser, "Hidden\\WIDE2", "v", "x");
    EightBitView view(registry, {"WIDE1", "WIDE2"});
    BackupContext eightBit{view, store};
    EXPECT_EQ(WriteRegBackup(eightBit, kFile, kUser, true, "", "Twins"), BackupResult::Refused);
    EXPECT_EQ(WriteRegBackup(eightBit, kFile, kUser, false, "??", "Twins"), BackupResult::Refused);
    EXPECT_EQ(WriteRegBackup(eightBit, kFile, kUser, true, "", "Hidden"), BackupResult::Refused);
    EXPECT_FALSE(store.Exists(kFile));
}

TEST_F(BackupWriterTest, TheTextCheckCanRefuseWhatTheEightBitViewHides) {
    // A lone name outside the code page reads as "??" without any clash; only
    // a look at the real names tells.
    registry.SetString(kUser, "Lone", "WIDE3", "x");
    registry.SetString(kUser, "Fine", "v", "x");
    registry.SetString(kUser, "Fine", "WIDE4", "x");
    EightBitView view(registry, {"WIDE3", "WIDE4"});
    class Probe : public TextFidelity {
    public:
        explicit Probe(MemoryRegistry& r) : r_(r) {}
        bool KeyTreeIsExact(RootKey root, std::string_view path) const override {
            const auto key = r_.OpenKey(root, path, Access::Read);
            for (const auto& name : key->ValueNames())
                if (name.starts_with("WIDE")) return false;
            return true;
        }
        bool ValueIsExact(RootKey, std::string_view, std::string_view name) const override {
            return !name.starts_with("WIDE") && name != "??";
        }

    private:
        MemoryRegistry& r_;
    } probe(registry);
    BackupContext checked{view, store, {}, &probe};
    EXPECT_EQ(WriteRegBackup(checked, kFile, kUser, true, "", "Lone"), BackupResult::Refused);
    EXPECT_EQ(WriteRegBackup(checked, kFile, kUser, false, "??", "Fine"), BackupResult::Refused);
    EXPECT_FALSE(store.Exists(kFile));
    EXPECT_EQ(WriteRegBackup(checked, kFile, kUser, false, "v", "Fine"), BackupResult::Written);
}

TEST_F(BackupWriterTest, FileThatCannotBeOpenedFailsAndNothingIsLeft) {
    registry.SetDword(kUser, "K", "v", 1);
    store.faults.refuseOpen = true;
    EXPECT_EQ(Key("K"), BackupResult::FileFailed);
    store.faults.refuseOpen = false;
    EXPECT_EQ(WriteRegBackup(context, "C:\\NoSuchFolder\\b.reg", kUser, true, "", "K"), BackupResult::FileFailed);
    EXPECT_FALSE(store.Exists("C:\\NoSuchFolder\\b.reg"));
}

TEST_F(BackupWriterTest, FailedWritesAreCutBackToTheLastGoodBlock) {
    registry.SetDword(kUser, "K", "v", 1);
    registry.SetDword(kUser, "L", "w", 2);
    // The very first block failing leaves no file behind.
    store.faults.shortWriteAt = 20;
    EXPECT_EQ(Key("K"), BackupResult::FileFailed);
    EXPECT_FALSE(store.Exists(kFile));

    ASSERT_EQ(Key("K"), BackupResult::Written);
    const std::string good = File();

    store.faults.shortWriteAt = 7;
    EXPECT_EQ(Key("L"), BackupResult::FileFailed);
    EXPECT_EQ(File(), good);

    store.faults.failFlush = true;
    EXPECT_EQ(Key("L"), BackupResult::FileFailed);
    store.faults.failFlush = false;
    EXPECT_EQ(File(), good);

    store.faults.failRead = true;
    EXPECT_EQ(Key("L"), BackupResult::FileFailed);
    store.faults.failRead = false;
    EXPECT_EQ(File(), good);
}

TEST_F(BackupWriterTest, ABlockThatReadsBackWrongIsCutOffAndNotVerified) {
    registry.SetDword(kUser, "K", "v", 1);
    ASSERT_EQ(Key("K"), BackupResult::Written);
    const std::string good = File();
    registry.SetString(kUser, "L", "w", "text");
    // Flip a bit inside the data of the next block: "text" becomes "uext".
    store.faults.flipByteAt = good.size() + std::string("\r\n[HKEY_CURRENT_USER\\L]\r\n\"w\"=\"").size();
    EXPECT_EQ(Key("L"), BackupResult::NotVerified);
    EXPECT_EQ(File(), good);

    // When the bad block cannot even be cut off, the file is no longer sound.
    store.faults.flipByteAt = good.size() + std::string("\r\n[HKEY_CURRENT_USER\\L]\r\n\"w\"=\"").size();
    store.faults.failTruncate = true;
    EXPECT_EQ(Key("L"), BackupResult::FileFailed);
}

TEST_F(BackupWriterTest, AFileThatDoesNotEndCleanlyIsNotAppendedTo) {
    registry.SetDword(kUser, "K", "v", 1);
    struct Case {
        const char* what;
        std::string content;
    } const cases[] = {
        {"cut inside a byte list", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"b\"=hex:01,\\\r\n"},
        {"last line without its end", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]"},
        {"no header", "\r\n[HKEY_CURRENT_USER\\X]\r\n"},
        {"another format", "Windows Registry Editor Version 5.00\r\n"},
        {"shorter than a header", "REG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store.Put(kFile, c.content);
        EXPECT_EQ(Key("K"), BackupResult::FileFailed);
        EXPECT_EQ(File(), c.content);
    }
    store.Put(kFile, "REGEDIT4\r\n");
    EXPECT_EQ(Key("K"), BackupResult::Written);
}

TEST_F(BackupWriterTest, SnapshotHoldsExactlyWhatTheBackupRestores) {
    registry.Set(kUser, "K", "multi", RegType::MultiString, std::string("a\0b\0\0", 5));
    registry.Set(kUser, "K", "none", RegType::None, "");
    registry.Set(kUser, "K\\Sub", "q", RegType::Qword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    const auto snapshot = ReadBackupSnapshot(registry, kUser, true, "", "K");
    ASSERT_EQ(snapshot.result, BackupResult::Written);
    ASSERT_EQ(snapshot.blocks.size(), 2u);
    EXPECT_EQ(snapshot.blocks[0].values.size(), 2u);
    EXPECT_EQ(snapshot.blocks[1].values[0].type, RegType::Qword);
    ASSERT_EQ(Key("K"), BackupResult::Written);
    const auto parsed = ParseRegText(File(), true);
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.blocks, snapshot.blocks);
}

TEST_F(BackupWriterTest, StringsTheImportWouldChangeAreNotVerified) {
    // A string without its terminator comes back with one: restoring it would
    // not give the same bytes, so the backup does not count.
    registry.Set(kUser, "K", "raw", RegType::String, "abc");
    EXPECT_EQ(Value("K", "raw"), BackupResult::NotVerified);
    // The file held nothing before, so it goes again.
    EXPECT_FALSE(store.Exists(kFile));
    registry.Set(kUser, "K", "ok", RegType::String, Sz("abc"));
    EXPECT_EQ(Value("K", "ok"), BackupResult::Written);
}

}  // namespace
}  // namespace ks
