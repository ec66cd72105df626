// The scan's file-reference test, which remembers answers across questions,
// against the plain per-character test on the same in-memory disks: the same
// answer for every reference string, asked in any order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/straightforward_path_test.h"

namespace {

void PlantFixed(ks::test::MemoryFileSystem& fs) {
    for (const char* folder : {"C:\\Program Files\\App", "C:\\Windows\\System32", "C:\\a.b\\x y", "Z:\\Tools",
                               "C:\\Program Files\\Common Files", "C:\\Empty"})
        fs.AddFolder(folder);
    for (const char* file : {"C:\\Program Files\\App\\app.exe", "C:\\Windows\\System32\\lib.dll", "C:\\a.b\\x y\\run",
                             "Z:\\Tools\\setup.bat", "C:\\run.exe", "C:\\Windows\\notes.txt", "D:\\setup.exe",
                             "A:\\install.exe", "C:\\a.b\\C", "C:\\Program Files\\App\\go.com"})
        fs.AddFile(file);
    fs.SetDrive('D', ks::DriveTypeCode::CdRom);
    fs.SetDrive('Z', ks::DriveTypeCode::Fixed);
    fs.SetDrive('E', ks::DriveTypeCode::Remote);
    fs.SetVariable("SystemRoot", "C:\\Windows");
    fs.SetVariable("ProgramFiles", "C:\\Program Files");
    fs.SetVariable("Spaced", "  Z:\\  ");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ks::fuzz::Input input(data, size);
    const std::uint8_t options = input.Byte();
    const bool wow64 = (options & 1) != 0;
    const bool removable = (options & 2) != 0;
    const bool driveAReady = (options & 4) != 0;
    const bool cdDrive = (options & 8) != 0;

    ks::test::MemoryFileSystem fs;
    fs.SetWow64(wow64);
    fs.SetDrive('A', ks::DriveTypeCode::Removable, driveAReady);
    PlantFixed(fs);
    if (options & 16) {
        fs.AddFolder("C:\\Program Files\\App");
        fs.SetCurrentFolder("C:\\Program Files\\App");
    }
    // A few entries of the input's own, below C: or Z:.
    const int planted = input.Byte() % 6;
    for (int i = 0; i < planted; ++i) {
        const bool folder = input.Flag();
        const std::string path = std::string(input.Flag() ? "Z:\\" : "C:\\") + input.Text(80);
        const std::string normal = fs.Normalize(path);
        if (normal.empty() || normal.size() <= 3) continue;
        if (folder) fs.AddFolder(path);
        else if (!fs.FolderExists(path)) fs.AddFile(path);
    }

    const std::string drives = ks::BuildScanDrives(fs, removable, cdDrive);
    ks::test::StraightforwardPathTest plain{fs, wow64, removable, driveAReady, false};
    ks::FileReferenceTest remembered(fs, ks::FileReferenceOptions{wow64, removable, driveAReady, false});

    static const char* const hints[] = {"", "", "", ".exe", ".dll", "app.exe", "RUN", "\\", "x y.exe"};
    for (int question = 0; question < 16 && !input.Empty(); ++question) {
        const std::uint8_t how = input.Byte();
        const std::string hint = hints[how % (sizeof hints / sizeof hints[0])];
        const bool allowFolder = (how & 0x80) != 0;
        const std::string reference = input.Line();
        const bool expected = plain.IsMissing(reference, hint, drives, allowFolder);
        const bool actual = remembered.IsMissingFileReference(reference, hint, drives, allowFolder);
        if (actual != expected) {
            std::fprintf(stderr, "reference [%s] hint [%s] allowFolder %d: plain %d, remembered %d\n",
                         reference.c_str(), hint.c_str(), allowFolder, expected, actual);
            std::abort();
        }
    }
    return 0;
}
