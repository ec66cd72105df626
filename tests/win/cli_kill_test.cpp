// keyscrub-cli.exe's repair ended by force part-way, as a crash or a power
// cut ends it, at several points of a run over a few hundred planted values.
// Some trials also leave the tail an interrupted write of the next block
// leaves: part of one more block, of an item never deleted (with zeros after
// it, where the disk had made room for the rest). Every time, the
// command-line restore must bring the planted tree back byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "cli_run.h"
#include "repair/backup_format.h"
#include "scan/win/win32_registry.h"

namespace ks {
namespace {

using test::Plant;
using test::Utf16;

constexpr int kKeys = 20;
constexpr int kValuesPerKey = 15;
constexpr int kPlanted = kKeys * kValuesPerKey;

std::wstring TwoDigits(int n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); }

// The backup file a repair writes into `folder`; "" while there is none.
std::string BackupIn(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*.reg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return folder + "\\" + found.cFileName;
}

std::size_t BlocksIn(const std::string& text) {
    std::size_t blocks = 0;
    for (std::size_t at = 0; (at = text.find("\r\n\r\n[", at)) != std::string::npos; at += 4) ++blocks;
    return blocks;
}

class CliKillTest : public test::CliSettings {
protected:
    CliKillTest() : CliSettings("cli kill") {}
    void SetUp() override {
        CliSettings::SetUp();
        const std::wstring gone = L"C:\\Keyscrub kill missing " + std::to_wstring(GetCurrentProcessId());
        for (int k = 0; k < kKeys; ++k) {
            const std::wstring key = scratch_.wpath() + L"\\K" + TwoDigits(k);
            for (int v = 0; v < kValuesPerKey; ++v)
                Plant(HKEY_CURRENT_USER, key, L"V" + TwoDigits(v), v % 5 == 4 ? REG_EXPAND_SZ : REG_SZ,
                      Utf16(gone + L"\\t" + TwoDigits(v) + L".exe"));
            // Data that stays: no finding, and the stuff of torn blocks.
            Plant(HKEY_CURRENT_USER, key, L"Blob", REG_BINARY, test::Pattern(60));
        }
    }

    // A planted stale value still there (key and name), and how many are left.
    struct Left {
        std::string key;
        std::string name;
        std::size_t count = 0;
    };
    Left StaleLeft() const {
        Left left;
        for (const auto& [key, stored] : test::Dump(HKEY_CURRENT_USER, scratch_.wpath()).subkeys)
            for (const auto& [name, value] : stored.values) {
                if (name == L"Blob") continue;
                left = {scratch_.path() + "\\" + test::Narrow(key), test::Narrow(name), left.count + 1};
            }
        return left;
    }

    // A block as the repair would write it for a value still there.
    static std::string BlockOf(const std::string& key, const std::string& name) {
        const auto value = MakeWin32Registry()->OpenKey(RootKey::CurrentUser, key, Access::Read)->ReadValue(name);
        std::string text;
        EXPECT_TRUE(value && AppendBlock(text, RegBlock{"HKEY_CURRENT_USER\\" + key, {*value}}));
        return text;
    }
};

enum class Tear { None, InsideAValue, AfterAContinuation, InsideTheKeyLine };

TEST_F(CliKillTest, EveryRepairKilledPartWayIsRestoredExactly) {
    const test::StoredKey before = test::Dump(HKEY_CURRENT_USER, scratch_.wpath());
    ASSERT_EQ(before.subkeys.size(), static_cast<std::size_t>(kKeys));
    struct Trial {
        const char* what;
        std::size_t killAfter;  // blocks in the backup file
        Tear tear;
    } const trials[] = {
        {"killed early", 5, Tear::None},
        {"killed a third of the way, the next block cut inside a value", kPlanted / 3, Tear::InsideAValue},
        {"killed two thirds of the way, cut after a continuation, zeros after", 2 * kPlanted / 3,
         Tear::AfterAContinuation},
        {"killed near the end, cut inside the key line", kPlanted - 40, Tear::InsideTheKeyLine},
    };
    int number = 0;
    for (const Trial& trial : trials) {
        SCOPED_TRACE(trial.what);
        const std::string folder = folder_.path() + "\\trial " + std::to_string(++number);
        std::string file;
        {
            test::CliProcess repair("repair --backup-dir \"" + folder + "\"", folder_.path());
            for (;;) {
                if (!repair.Running()) break;
                if (file.empty()) file = BackupIn(folder);
                if (!file.empty() && BlocksIn(test::ReadWholeFile(file)) >= trial.killAfter) break;
                Sleep(1);
            }
            ASSERT_TRUE(repair.Running()) << "the repair ended before it could be killed: "
                                          << repair.Finish().out.substr(0, 400);
            repair.Kill();
        }
        const Left left = StaleLeft();
        ASSERT_GT(left.count, 0u) << "killed before its end";
        EXPECT_LE(left.count, kPlanted - trial.killAfter + 1) << "what went before the kill was deleted";
        ASSERT_FALSE(file.empty());

        std::string torn;
        if (trial.tear != Tear::None) torn = BlockOf(left.key, trial.tear == Tear::InsideAValue ? left.name : "Blob");
        if (trial.tear == Tear::InsideAValue) torn.resize(torn.size() - 12);
        if (trial.tear == Tear::InsideTheKeyLine) torn.resize(torn.find(']') - 3);
        if (trial.tear == Tear::AfterAContinuation)
            torn = torn.substr(0, torn.find("\\\r\n") + 3) + std::string(512, '\0');
        if (!torn.empty()) ASSERT_TRUE(test::WriteWholeFile(file, test::ReadWholeFile(file) + torn));

        if (trial.tear != Tear::None) {
            // The listing counts the complete part, never "?".
            const test::CliRun listed = Cli("backups --dir \"" + folder + "\"");
            EXPECT_FALSE(listed.out.ends_with("\t?\r\n")) << listed.out << listed.err;
        }
        const test::CliRun restore = Cli("restore \"" + file + "\"");
        EXPECT_EQ(restore.code, 0u) << restore.out << restore.err;
        EXPECT_EQ(restore.err.find("ends inside a block") != std::string::npos, trial.tear != Tear::None)
            << restore.err;
        EXPECT_EQ(test::Dump(HKEY_CURRENT_USER, scratch_.wpath()), before);
    }
}

}  // namespace
}  // namespace ks
