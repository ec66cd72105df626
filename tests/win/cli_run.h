// Test helpers for keyscrub-cli.exe as a separate process: started beside the
// test program with its output caught in files, waited for or ended by force;
// and the options.ini a test writes for it, with the ignore list fencing every
// finding into one scratch branch of the current user's registry.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup_registry_dump.h"
#include "child_process.h"
#include "settings/settings.h"
#include "settings/win/settings_file.h"

namespace ks::test {

// Where x86 code is emulated a process start can take a minute or more.
constexpr DWORD kCliTimeoutMs = 300000;

struct CliRun {
    DWORD code = 0xdeadbeef;
    std::string out;
    std::string err;
};

class CliProcess {
public:
    CliProcess(const std::string& arguments, const std::string& folder) {
        char exe[MAX_PATH] = {};
        GetFullPathNameA("keyscrub-cli.exe", MAX_PATH, exe, nullptr);
        // Files of their own for each run: Wine may report a process ended a
        // moment before it lets go of its handles.
        static int runs = 0;
        outFile_ = folder + "\\cli-out-" + std::to_string(++runs) + ".txt";
        errFile_ = folder + "\\cli-err-" + std::to_string(runs) + ".txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out =
            CreateFileA(outFile_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE err =
            CreateFileA(errFile_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        line_ = "\"" + std::string(exe) + "\" " + arguments;
        process_ = std::make_unique<ChildProcess>(exe, line_, ChildProcess::Output{out, err});
        if (!process_->started()) ADD_FAILURE() << "cannot start " << line_ << ": " << process_->failure();
        CloseHandle(out);
        CloseHandle(err);
        if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot catch the output";
    }

    bool Running() const { return process_->started() && !process_->Ended(0); }
    // Ends it at once, as a power cut or the task manager would.
    void Kill() {
        if (!process_->started()) return;
        TerminateProcess(process_->handle(), 137);
        process_->Ended(10000);
    }
    // Waits for the end (ending it by force after `timeoutMs`) and reads what it wrote.
    CliRun Finish(DWORD timeoutMs = kCliTimeoutMs) {
        CliRun run;
        if (!process_->started()) return run;
        if (!process_->Ended(timeoutMs)) {
            TerminateProcess(process_->handle(), 99);
            ADD_FAILURE() << line_ << " did not end";
        }
        run.code = process_->ExitCode();
        run.out = ReadWholeFile(outFile_);
        run.err = ReadWholeFile(errFile_);
        return run;
    }

private:
    std::string line_;
    std::string outFile_;
    std::string errFile_;
    std::unique_ptr<ChildProcess> process_;
};

inline CliRun RunCli(const std::string& arguments, const std::string& folder) {
    CliProcess process(arguments, folder);
    return process.Finish();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// This user's options.ini for the console program, put back afterwards: the
// backup folder, no hint, restore point or deletion of restored backups, the
// current user's "Files and Folders" section alone, and an ignore list that
// leaves nothing but the scratch key.
class CliSettings : public ::testing::Test {
protected:
    explicit CliSettings(const std::string& area = "cli") : scratch_(area), folder_(area) {}
    void SetUp() override {
        settingsFile_ = SettingsFilePath();
        saved_ = ReadFileIfPresent(settingsFile_);
        DeleteFileA(settingsFile_.c_str());
        Write("Options", "OutputDirectory", folder_.path() + "\\from options");
        Write("Options", "ShowHint", "0");
        Write("Options", "RestorePoint", "0");
        Write("Options", "DeleteBackupFile", "0");
        // The program tree: root (1), "Files and Folders" (2), its current-user node (4).
        for (int node = 1; node <= 24; ++node)
            Write("TreeViewNodeCheck", std::to_string(node), node == 1 || node == 2 || node == 4 ? "1" : "0");
        const std::vector<std::string> ignored = FenceAround(scratch_.path());
        Write("IgnoreKey", "Count", std::to_string(ignored.size()));
        for (size_t i = 0; i < ignored.size(); ++i) Write("IgnoreKey", "Key" + std::to_string(i + 1), ignored[i]);
    }
    void TearDown() override {
        DeleteFileA(settingsFile_.c_str());
        if (saved_) WriteWholeFile(settingsFile_, *saved_);
        Settings = SettingsRecord{};
    }
    void Write(const char* section, const std::string& key, const std::string& value) {
        WritePrivateProfileStringA(section, key.c_str(), value.c_str(), settingsFile_.c_str());
    }
    CliRun Cli(const std::string& arguments) { return RunCli(arguments, folder_.path()); }

    ScratchKey scratch_;
    ScratchFolder folder_;
    std::string settingsFile_;
    std::optional<std::string> saved_;
};

}  // namespace ks::test
