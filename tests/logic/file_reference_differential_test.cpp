// The scan's file-reference test, which remembers answers and skips questions
// it can answer from a missing folder, against the plain per-character test:
// the same answer for every generated reference string.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "scan/file_reference.h"
#include "scan/scan_task_thread.h"
#include "support/memory_registry.h"
#include "support/straightforward_path_test.h"

namespace ks {
namespace {

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < static_cast<std::size_t>(percent); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }

    // A tree of folders and files on C: and Z:, plus a few on the CD-ROM D:
    // and the floppy A:.
    void Plant(test::MemoryFileSystem& fs) {
        const std::vector<std::string> folderNames = {"Program Files", "Windows", "System32", "Tools", "App",
                                                      "My Docs",       "a.b",     "x y",      "Data",  "lib",
                                                      "Common Files",  "\xe9t\xe9", "run.exe", "v1,2"};
        const std::vector<std::string> fileNames = {"app.exe", "run",      "setup.bat", "tool.com", "lib.dll",
                                                    "x y.exe", "notes.txt", "a.b.c",   "go",       "run.exe",
                                                    "my;file.txt", "C", "z.exe", "\xe9.exe"};
        folders_ = {"C:\\", "Z:\\"};
        for (int i = 0; i < 160; ++i) {
            std::string folder = Pick(folders_);
            if (folder.back() != '\\') folder += "\\";
            folder += Pick(folderNames);
            if (Chance(30)) folder += std::to_string(Below(5));
            fs.AddFolder(folder);
            folders_.push_back(folder);
        }
        for (int i = 0; i < 500; ++i) {
            std::string file = Pick(folders_);
            if (file.back() != '\\') file += "\\";
            file += Pick(fileNames);
            fs.AddFile(file);
            files_.push_back(file);
        }
        fs.AddFile("D:\\setup.exe");
        fs.AddFile("A:\\install.exe");
        fs.AddFolder("C:\\Empty Folder");
        folders_.push_back("C:\\Empty Folder");
        fs.SetVariable("SystemRoot", "C:\\Windows");
        fs.AddFolder("C:\\Windows");
        fs.SetVariable("ProgramFiles", "C:\\Program Files");
        fs.AddFolder("C:\\Program Files");
        fs.SetVariable("AFile", files_.front());
        fs.SetVariable("Spaced", "  Z:\\  ");
    }

    // A reference string as registry data holds them.
    std::string Reference() {
        std::string body;
        switch (Below(7)) {
        case 0: body = Pick(files_); break;
        case 1: body = Pick(folders_); break;
        case 2: body = Pick(files_); body.resize(body.size() - std::min<std::size_t>(body.size(), 4)); break;
        case 3: body = Pick(folders_) + "\\gone" + std::to_string(Below(3)) + "\\app.exe"; break;
        case 4: body = Pick(files_) + "\\inner\\x.dll"; break;
        case 5:
            // Down into a missing folder and perhaps back out through parts
            // of dots and blanks, to a name that may exist after all.
            body = Pick(folders_) +
                   Pick(std::vector<std::string>{"\\gone\\sub\\..\\..", "\\gone\\x\\..\\..\\..", "\\gone\\ .\\..",
                                                 "\\gone\\a/b\\..\\..\\..", "\\gone\\...\\..", "\\gone\\x .\\..\\..",
                                                 "\\gone\\\\..\\", "\\gone\\x\\.\\..\\..", "\\gone\\x\\y", "\\gone/x",
                                                 "\\gone\\\xe9\\..\\..", "\\gone\\x\\.. \\.."}) +
                   Pick(std::vector<std::string>{"\\app.exe", "\\run", "\\Tools", " /x", "\\x y.exe /q", "/run.exe",
                                                 "\\C", ""});
            break;
        default: body = Pick(folders_) + Pick(std::vector<std::string>{"\\", "\\..\\", "\\.\\", "/", "\\\\"}) +
                        Pick(std::vector<std::string>{"app.exe", "run", "setup", "Tools", "x y"});
        }
        if (Chance(15)) body = Respell(body);
        if (Chance(10)) body[0] = Pick(std::vector<char>{'c', 'z', 'D', 'A', 'a', 'E', '1', '\\', 'B'});
        if (Chance(8)) {
            const std::size_t slash = body.find('\\');
            const std::string variable =
                Pick(std::vector<std::string>{"%SystemRoot%", "%ProgramFiles%", "%NoSuch%", "%AFile%", "%Spaced%",
                                              "%systemroot%", "%", "%%"});
            body = variable + (slash == std::string::npos ? "" : body.substr(slash));
        }
        if (Chance(20)) body += Pick(std::vector<std::string>{
                            " /min", ",1", ";", ";;", " -x", " C:\\other.txt", " /log=Z:\\x", "*", "|more", "<in",
                            ":stream", " ", ".", "..", "  /a /b", ";C:\\Tools", "\"", " \"quoted arg\"", "/..",
                            "\\gone/..", "\\gone/./", "\\gone\\..", "\\gone. \\x"});
        if (Chance(12)) body = "\"" + body + (Chance(70) ? "\"" : "") + (Chance(50) ? " /s" : "");
        if (Chance(3)) body.insert(Below(body.size() + 1), Pick(std::vector<std::string>{"?", "\\hp", "\\HP"}));
        if (Chance(5)) body.insert(Below(body.size() + 1), std::string(1, static_cast<char>(Below(256))));
        if (Chance(2)) body += "\\" + std::string(Below(300), 'L') + "\\x.exe";
        if (Chance(4))
            body = Pick(folders_) + Pick(std::vector<std::string>{"\\", "/"}) +
                   Pick(std::vector<std::string>{"con", "NUL.txt", "lpt1", "Com3.log", "aux .x", "prn", "coNIN$",
                                                 "conout$.y", "lpt", "com", "cons", "nul1", "auxx.txt"}) +
                   Pick(std::vector<std::string>{"", " /x", ",1", ".exe"});
        if (Chance(2)) body = Soup();
        return body;
    }

    std::string Hint() {
        if (Chance(80)) return "";
        return Pick(std::vector<std::string>{".exe", ".dll", "app.exe", "RUN", "x y.exe", "\\"});
    }

private:
    std::string Respell(std::string text) {
        for (char& c : text)
            if (Chance(30)) {
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
                else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            }
        return text;
    }

    std::string Soup() {
        static const std::string alphabet = "C:\\/ .;,*%\"aZx?<>|";
        std::string text;
        const std::size_t length = Below(40);
        for (std::size_t i = 0; i < length; ++i) text += alphabet[Below(alphabet.size())];
        return text;
    }

    std::mt19937 random_;
    std::vector<std::string> folders_;
    std::vector<std::string> files_;
};

// What the in-memory file system leaves out, one or the other switched on.
// A folder on a case-sensitive disk (as Wine may see one) can hold two
// entries whose names differ only in case, one a file and one a folder:
// with case twins every listing shows such a twin beside each name with a
// letter, while the exists tests answer for the one name that is really
// there. With devices, a device name is a file in every folder that exists,
// listed nowhere.
class OddFileSystem : public FileSystem {
public:
    OddFileSystem(test::MemoryFileSystem& inner, bool caseTwins, bool devices)
        : inner_(inner), caseTwins_(caseTwins), devices_(devices) {}
    bool FileExists(std::string_view path) override {
        if (devices_) {
            const std::size_t slash = path.find_last_of("\\/");
            const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
            const std::string_view folder = slash == std::string_view::npos ? "." : path.substr(0, slash + 1);
            if (IsDevice(name) && inner_.FolderExists(folder)) return true;
        }
        return inner_.FileExists(path);
    }
    bool FolderExists(std::string_view path) override { return inner_.FolderExists(path); }
    std::uint32_t DriveType(char letter) override { return inner_.DriveType(letter); }
    bool DriveReady(std::string_view root) override { return inner_.DriveReady(root); }
    std::string ExpandVariables(std::string_view text) override { return inner_.ExpandVariables(text); }
    std::string SpecialFolder(int csidl) override { return inner_.SpecialFolder(csidl); }
    std::optional<std::vector<FolderEntry>> ListFolder(std::string_view path) override {
        auto entries = inner_.ListFolder(path);
        if (!entries || !caseTwins_) return entries;
        // Each twin comes first, so that a test taking the first of two
        // equal names takes the wrong kind.
        std::vector<FolderEntry> listed;
        for (const auto& entry : *entries) {
            std::string twin = entry.name;
            bool changed = false;
            for (char& c : twin)
                if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
                    c = static_cast<char>(c ^ 0x20);
                    changed = true;
                }
            if (changed) listed.push_back({twin, !entry.isFolder});
            listed.push_back(entry);
        }
        return listed;
    }
    bool DeleteFile(std::string_view) override { return false; }
    std::uint8_t WindowsVersionCode() override { return inner_.WindowsVersionCode(); }
    bool IsWow64() override { return inner_.IsWow64(); }
    LeadBytes CodePage() override { return inner_.CodePage(); }
    std::string ResolvedFolder(std::string_view path) override { return inner_.ResolvedFolder(path); }
    std::unique_ptr<ThreadSetting> SilenceCriticalErrors() override { return inner_.SilenceCriticalErrors(); }

private:
    // The part before the first dot, blanks cut from its end, is CON, PRN,
    // AUX, NUL, CONIN$, CONOUT$, or COM or LPT with a digit.
    static bool IsDevice(std::string_view name) {
        std::string base(name.substr(0, name.find('.')));
        while (!base.empty() && base.back() == ' ') base.pop_back();
        for (char& c : base)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
            if (base == device) return true;
        return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
               base[3] <= '9';
    }

    test::MemoryFileSystem& inner_;
    bool caseTwins_;
    bool devices_;
};

struct Variant {
    const char* name;
    bool wow64;
    bool removable;
    bool driveAReady;
    bool cdDrive;
    const char* currentFolder;
    bool caseTwins = false;
    bool devices = false;
};

TEST(FileReferenceDifferential, RememberedAnswersMatchThePlainTest) {
    const Variant variants[] = {
        {"plain", false, false, false, false, "C:\\"},
        {"wow64", true, false, false, false, "C:\\"},
        {"removable, no disk", false, true, false, false, "C:\\"},
        {"removable, disk, CD", false, true, true, true, "C:\\"},
        {"relative names resolve", false, false, false, true, "C:\\Tools"},
        {"case-sensitive twins", false, false, false, false, "C:\\", true},
        {"device names", false, false, false, false, "C:\\", false, true},
    };
    std::size_t total = 0;
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.name);
        Generator generator(20260 + static_cast<unsigned>(total));
        test::MemoryFileSystem fs;
        fs.SetWow64(variant.wow64);
        fs.SetDrive('D', DriveTypeCode::CdRom);
        fs.SetDrive('Z', DriveTypeCode::Fixed);
        fs.SetDrive('E', DriveTypeCode::Remote);
        fs.SetDrive('A', DriveTypeCode::Removable, variant.driveAReady);
        generator.Plant(fs);
        fs.AddFolder(variant.currentFolder);
        fs.SetCurrentFolder(variant.currentFolder);
        if (std::string(variant.currentFolder) != "C:\\") fs.AddFile(std::string(variant.currentFolder) + "\\c.bat");

        const std::string drives = BuildScanDrives(fs, variant.removable, variant.cdDrive);
        OddFileSystem odd(fs, variant.caseTwins, variant.devices);
        FileSystem& asked = variant.caseTwins || variant.devices ? static_cast<FileSystem&>(odd) : fs;
        test::StraightforwardPathTest plain{asked, variant.wow64, variant.removable, variant.driveAReady, false};
        FileReferenceOptions options{variant.wow64, variant.removable, variant.driveAReady, false};
        FileReferenceTest remembered(asked, options);

        std::size_t missing = 0;
        for (int i = 0; i < 4000; ++i, ++total) {
            const std::string reference = generator.Reference();
            const std::string hint = generator.Hint();
            const bool allowFolder = generator.Chance(50);
            const bool expected = plain.IsMissing(reference, hint, drives, allowFolder);
            const bool actual = remembered.IsMissingFileReference(reference, hint, drives, allowFolder);
            if (expected) ++missing;
            ASSERT_EQ(actual, expected) << "reference [" << reference << "] hint [" << hint
                                        << "] allowFolder " << allowFolder;
        }
        // The corpus is only worth something when both answers occur often.
        EXPECT_GT(missing, 400u);
        EXPECT_LT(missing, 3600u);

        // Shapes too rare to come up by chance: a name hint that ends a device
        // name with blanks before its dot, and candidates growing in folders
        // with no name of that beginning.
        const struct {
            const char* reference;
            const char* hint;
        } edges[] = {
            {"C:\\Program Files\\aux .exe /q", ".exe"}, {"C:\\Program Files\\con  .txt.exe", ".exe"},
            {"C:\\Program Files\\nul.exe", ".exe"},     {"C:\\Program Files\\lpt", ""},
            {"C:\\Program Files\\Com9 ", ""},           {"C:\\Program Files\\Com9", "com9"},
            {"Z:\\x\\y\\z /a /b", ""},                  {"C:\\Program Files\\RUN.EXE.", ""},
        };
        for (const auto& edge : edges) {
            for (const bool allowFolder : {false, true}) {
                const bool expected = plain.IsMissing(edge.reference, edge.hint, drives, allowFolder);
                EXPECT_EQ(remembered.IsMissingFileReference(edge.reference, edge.hint, drives, allowFolder), expected)
                    << "reference [" << edge.reference << "] hint [" << edge.hint << "]";
            }
        }
    }
    EXPECT_GE(total, 10000u);
}

}  // namespace
}  // namespace ks
