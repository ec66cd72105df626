// Scan engine figures: file-system questions per reference (plain test versus
// the scan's), and the deep walk's speed and memory against a bare
// enumeration of the same keys, in memory and (on Windows) in the registry.
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench.h"
#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/straightforward_path_test.h"

#if defined(KS_WIN_BENCH)
#include <windows.h>
#undef DeleteFile  // the macro would rename the FileSystem member

#include "scan/win/win32_file_system.h"
#include "scan/win/win32_registry.h"
#endif

namespace ks::bench {
namespace {

// A planted machine: program folders with files, and reference strings as
// registry data holds them, a share of them stale.
class Corpus {
public:
    explicit Corpus(std::string base, unsigned seed = 7) : base_(std::move(base)), random_(seed) {
        for (int vendor = 0; vendor < 60; ++vendor)
            for (int app = 0; app < 4; ++app) {
                const std::string folder = base_ + "\\Vendor " + std::to_string(vendor) + "\\App" + std::to_string(app);
                folders_.push_back(folder);
                for (const char* file : {"app.exe", "helper.dll", "readme.txt", "setup.exe"})
                    files_.push_back(folder + "\\" + file);
            }
    }

    const std::vector<std::string>& folders() const { return folders_; }
    const std::vector<std::string>& files() const { return files_; }

    std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

    std::string ExistingReference() {
        const std::string& file = files_[Below(files_.size())];
        switch (Below(4)) {
        case 0: return "\"" + file + "\" /background";
        case 1: return file + " -minimized";
        case 2: return file + ",0";
        default: return file;
        }
    }

    std::string MissingReference() {
        if (Below(2) == 0)  // an old file in a folder that is still there
            return folders_[Below(folders_.size())] + "\\old" + std::to_string(Below(50)) + ".dll";
        // A whole program folder that is gone
        return base_ + "\\Removed " + std::to_string(Below(400)) + "\\bin\\tool" + std::to_string(Below(5)) +
               ".exe /service";
    }

    std::string OtherText() {
        switch (Below(4)) {
        case 0: return "Item " + std::to_string(Below(100000));
        case 1: return "{6BF52A52-394A-11D3-B153-00C04F79FAA" + std::to_string(Below(10)) + "}";
        case 2: return "rundll32.exe shell32.dll,Control_RunDLL";
        default: return std::to_string(Below(1000000));
        }
    }

    std::string Reference() {
        const auto pick = Below(10);
        if (pick < 4) return ExistingReference();
        if (pick < 7) return MissingReference();
        return OtherText();
    }

private:
    std::string base_;
    std::mt19937 random_;
    std::vector<std::string> folders_;
    std::vector<std::string> files_;
};

void PathQueries() {
    test::MemoryFileSystem fs;
    fs.SetWow64(false);
    Corpus corpus("C:\\Program Files");
    for (const auto& file : corpus.files()) fs.AddFile(file);
    std::vector<std::string> references;
    for (int i = 0; i < 50000; ++i) references.push_back(corpus.Reference());

    test::StraightforwardPathTest plain{fs};
    fs.ResetQueries();
    double start = Now();
    std::size_t plainMissing = 0;
    for (const auto& reference : references) plainMissing += plain.IsMissing(reference, "", "c", true);
    const double plainSeconds = Now() - start;
    const double plainQueries = static_cast<double>(fs.queries()) / static_cast<double>(references.size());

    FileReferenceTest ours(fs, {});
    fs.ResetQueries();
    start = Now();
    std::size_t oursMissing = 0;
    for (const auto& reference : references) oursMissing += ours.IsMissingFileReference(reference, "", "c", true);
    const double oursSeconds = Now() - start;
    const double oursQueries = static_cast<double>(fs.queries()) / static_cast<double>(references.size());

    Figure("path_references", static_cast<std::uint64_t>(references.size()));
    Figure("path_answers_differ", static_cast<std::uint64_t>(plainMissing > oursMissing ? plainMissing - oursMissing
                                                                                       : oursMissing - plainMissing));
    Figure("path_queries_per_reference_plain", plainQueries);
    Figure("path_queries_per_reference_ours", oursQueries);
    Figure("path_query_reduction_factor", plainQueries / std::max(oursQueries, 1e-9));
    Figure("path_us_per_reference_plain", plainSeconds * 1e6 / static_cast<double>(references.size()));
    Figure("path_us_per_reference_ours", oursSeconds * 1e6 / static_cast<double>(references.size()));

    // As in a scan that runs longer than answers are trusted for: every
    // reference found missing is asked for once more. The corpus has far more
    // stale references than a registry has.
    FileReferenceOptions aged;
    aged.trustAnswersFor = std::chrono::steady_clock::duration::zero();
    FileReferenceTest asking(fs, aged);
    fs.ResetQueries();
    std::size_t askingMissing = 0;
    for (const auto& reference : references) askingMissing += asking.IsMissingFileReference(reference, "", "c", true);
    const double askingQueries = static_cast<double>(fs.queries()) / static_cast<double>(references.size());
    Figure("path_answers_differ_asking_again",
           static_cast<std::uint64_t>(std::max(askingMissing, plainMissing) - std::min(askingMissing, plainMissing)));
    Figure("path_queries_per_reference_asking_again", askingQueries);
    Figure("path_query_reduction_factor_asking_again", plainQueries / std::max(askingQueries, 1e-9));
}

// Counts and times what the scan asks of the file system.
class CountingFileSystem : public FileSystem {
    template <typename Query>
    auto Timed(Query query) {
        ++queries;
        const double start = Now();
        auto answer = query();
        seconds += Now() - start;
        return answer;
    }

public:
    explicit CountingFileSystem(std::shared_ptr<FileSystem> inner) : inner_(std::move(inner)) {}
    bool FileExists(std::string_view path) override { return Timed([&] { return inner_->FileExists(path); }); }
    bool FolderExists(std::string_view path) override { return Timed([&] { return inner_->FolderExists(path); }); }
    std::uint32_t DriveType(char letter) override { return inner_->DriveType(letter); }
    bool DriveReady(std::string_view root) override { return inner_->DriveReady(root); }
    std::string ExpandVariables(std::string_view text) override { return inner_->ExpandVariables(text); }
    std::string SpecialFolder(int csidl) override { return inner_->SpecialFolder(csidl); }
    std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) override {
        return Timed([&] { return inner_->ListFolder(path); });
    }
    bool DeleteFile(std::string_view path) override { return inner_->DeleteFile(path); }
    std::uint8_t WindowsVersionCode() override { return inner_->WindowsVersionCode(); }
    bool IsWow64() override { return inner_->IsWow64(); }
    LeadBytes CodePage() override { return inner_->CodePage(); }
    std::string ResolvedFolder(std::string_view path) override { return inner_->ResolvedFolder(path); }
    std::unique_ptr<ThreadSetting> SilenceCriticalErrors() override { return inner_->SilenceCriticalErrors(); }

    std::uint64_t queries = 0;
    double seconds = 0;

private:
    std::shared_ptr<FileSystem> inner_;
};

struct WalkCount {
    std::uint64_t keys = 0;
    std::uint64_t values = 0;
};

// Open, list, read each value once: what any walk of these keys must do.
void BareWalk(const RegistryKey& key, WalkCount& count) {
    ++count.keys;
    count.values += key.Values().size();
    for (const auto& name : key.SubkeyNames())
        if (auto child = key.OpenSubkey(name, Access::Read)) BareWalk(*child, count);
}

// Plants a tree of `fanOut` levels below `path`; three values a key, a third
// of them file references, half of those stale.
void PlantTree(Registry& registry, RootKey root, const std::string& path, const std::vector<int>& fanOut,
               Corpus& corpus, std::uint64_t& keys) {
    std::function<void(const std::string&, std::size_t)> plant = [&](const std::string& keyPath, std::size_t level) {
        auto key = registry.CreateKey(root, keyPath);
        if (!key) return;
        ++keys;
        auto text = [](const std::string& s) { return s + '\0'; };
        (void)key->SetValue(RegValue{"DisplayName", RegType::String, text(corpus.OtherText())});
        (void)key->SetValue(RegValue{"Flags", RegType::Dword, std::string("\x01\x00\x00\x00", 4)});
        const std::string reference = keys % 2 ? corpus.ExistingReference() : corpus.MissingReference();
        (void)key->SetValue(RegValue{"Path", RegType::String, text(reference)});
        key.reset();
        if (level == fanOut.size()) return;
        for (int i = 0; i < fanOut[level]; ++i) plant(keyPath + "\\Node" + std::to_string(i), level + 1);
    };
    plant(path, 0);
}

struct WalkFigures {
    double bareSeconds = 1e9;
    double scanSeconds = 1e9;
    WalkCount count;
    std::size_t findings = 0;
    std::size_t scanHeapPeak = 0;
    std::uint64_t fileQueries = 0;
    double fileQuerySeconds = 0;
};

WalkFigures CompareWalks(std::shared_ptr<Registry> registry, std::shared_ptr<FileSystem> machineFiles, RootKey root,
                         const std::string& path, int rounds) {
    auto files = std::make_shared<CountingFileSystem>(machineFiles);
    WalkFigures figures;
    for (int round = 0; round < rounds; ++round) {
        {
            WalkCount count;
            const double start = Now();
            if (auto key = registry->OpenKey(root, path, Access::Read)) BareWalk(*key, count);
            figures.bareSeconds = std::min(figures.bareSeconds, Now() - start);
            figures.count = count;
        }
        {
            auto handOver = std::make_shared<ScanHandOver>();
            TScanTaskThread worker(registry, files, SettingsRecord{}, {}, handOver);
            const std::size_t before = HeapInUse();
            ResetHeapPeak();
            const double start = Now();
            worker.ScanKeyTree(RootName(root), path, worker.ScanDrives, "", "Invalid File or Folder");
            figures.scanSeconds = std::min(figures.scanSeconds, Now() - start);
            figures.scanHeapPeak = HeapPeak() - before;
            figures.findings = handOver->Pending();
            figures.fileQueries = files->queries;
            figures.fileQuerySeconds = files->seconds;
            files->queries = 0;
            files->seconds = 0;
        }
    }
    return figures;
}

void Report(const std::string& prefix, const WalkFigures& figures) {
    Figure(prefix + "_keys", figures.count.keys);
    Figure(prefix + "_values", figures.count.values);
    Figure(prefix + "_findings", static_cast<std::uint64_t>(figures.findings));
    Figure(prefix + "_keys_per_second", static_cast<double>(figures.count.keys) / figures.scanSeconds);
    Figure(prefix + "_values_per_second", static_cast<double>(figures.count.values) / figures.scanSeconds);
    Figure(prefix + "_bare_seconds", figures.bareSeconds);
    Figure(prefix + "_scan_seconds", figures.scanSeconds);
    Figure(prefix + "_time_ratio_to_bare", figures.scanSeconds / figures.bareSeconds);
    Figure(prefix + "_peak_heap_kb", static_cast<std::uint64_t>(figures.scanHeapPeak / 1024));
    Figure(prefix + "_file_queries", figures.fileQueries);
    Figure(prefix + "_file_query_seconds", figures.fileQuerySeconds);
}

void DeepScanInMemory() {
    auto registry = std::make_shared<test::MemoryRegistry>();
    auto files = std::make_shared<test::MemoryFileSystem>();
    files->SetWow64(false);
    Corpus corpus("C:\\Program Files");
    for (const auto& file : corpus.files()) files->AddFile(file);
    std::uint64_t keys = 0;
    PlantTree(*registry, RootKey::CurrentUser, "Bench", {10, 10, 10, 10, 10}, corpus, keys);
    Report("deep_memory", CompareWalks(registry, files, RootKey::CurrentUser, "Bench", 3));

    // The scan's own memory follows depth and findings, not the size of the
    // hive: a tree five times as wide but as deep and with no stale
    // references needs about what a small one does.
    auto wide = std::make_shared<test::MemoryRegistry>();
    Corpus clean("C:\\Program Files", 11);
    std::uint64_t wideKeys = 0;
    std::function<void(const std::string&, int)> plantClean = [&](const std::string& keyPath, int level) {
        wide->SetString(RootKey::CurrentUser, keyPath, "Path", clean.ExistingReference());
        ++wideKeys;
        if (level == 3) return;
        for (int i = 0; i < 50; ++i) plantClean(keyPath + "\\N" + std::to_string(i), level + 1);
    };
    plantClean("Wide", 0);
    auto figures = CompareWalks(wide, files, RootKey::CurrentUser, "Wide", 1);
    Figure("deep_memory_clean_hive_keys", wideKeys);
    Figure("deep_memory_clean_hive_peak_heap_kb", static_cast<std::uint64_t>(figures.scanHeapPeak / 1024));
}

const BenchRegistration pathQueries{"path_queries", &PathQueries};
const BenchRegistration deepMemory{"deep_scan_memory", &DeepScanInMemory};

#if defined(KS_WIN_BENCH)
void DeepScanWin32Registry() {
    std::shared_ptr<Registry> registry = MakeWin32Registry();
    std::shared_ptr<FileSystem> files = MakeWin32FileSystem();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "ksbench-" + std::to_string(GetCurrentProcessId());
    Corpus corpus(base);
    CreateDirectoryA(base.c_str(), nullptr);
    for (const auto& folder : corpus.folders()) {
        CreateDirectoryA(folder.substr(0, folder.rfind('\\')).c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    for (const auto& file : corpus.files()) {
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    const std::string scratch = "Software\\KeyscrubTest\\bench-" + std::to_string(GetCurrentProcessId());
    std::uint64_t keys = 0;
    const double plantStart = Now();
    PlantTree(*registry, RootKey::CurrentUser, scratch, {20, 20, 50}, corpus, keys);
    Figure("deep_wine_plant_seconds", Now() - plantStart);
    Report("deep_wine", CompareWalks(registry, files, RootKey::CurrentUser, scratch, 2));

    (void)registry->DeleteKey(RootKey::CurrentUser, scratch);
    for (const auto& file : corpus.files()) ::DeleteFileA(file.c_str());
    for (const auto& folder : corpus.folders()) {
        RemoveDirectoryA(folder.c_str());
        RemoveDirectoryA(folder.substr(0, folder.rfind('\\')).c_str());
    }
    RemoveDirectoryA(base.c_str());
}

const BenchRegistration deepWine{"deep_scan_wine_registry", &DeepScanWin32Registry};
#endif

}  // namespace
}  // namespace ks::bench
