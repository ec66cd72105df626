// The reason each section hands over with its findings: the path the test
// looked for and found missing, or the section's own reason.
#include <gtest/gtest.h>

#include <string>

#include "support/section_scan.h"

namespace ks {
namespace {

constexpr RootKey HKLM = RootKey::LocalMachine;
constexpr RootKey HKCU = RootKey::CurrentUser;
const std::string kWindows = "Software\\Microsoft\\Windows\\CurrentVersion\\";

struct Expected {
    std::string value;  // the finding's Value, to pick it out
    ReasonKind kind;
    std::string detail;
    ReferenceTest::Source from;
};

TEST(ScanReasonTest, EachSectionSaysWhyItsRowsAreThere) {
    struct Case {
        const char* what;
        int task;
        std::function<void(test::SectionScan&)> plant;
        Expected expected;
    };
    using Source = ReferenceTest::Source;
    const Case cases[] = {
        {"deep scan: the path taken apart", 4,
         [](test::SectionScan& s) {
             s.files->SetVariable("APPS", "C:\\Apps");
             s.files->AddFolder("C:\\Apps");
             s.registry->SetString(HKCU, "Software\\V", "P", "\"%APPS%\\gone\\a.exe\" /x", RegType::ExpandString);
         },
         {"\"%APPS%\\gone\\a.exe\" /x", ReasonKind::MissingFileOrFolder, "C:\\Apps\\gone\\a.exe", Source::ValueData}},
        {"software locations: cut after the hint, a file only", 6,
         [](test::SectionScan& s) {
             s.registry->SetString(HKLM, kWindows + "App Paths\\tool.exe", "", "C:\\gone\\Tool.exe -x");
         },
         {"C:\\gone\\Tool.exe -x", ReasonKind::MissingFile, "C:\\gone\\tool.exe", Source::ValueData}},
        {"shared DLLs: a use count of zero", 9,
         [](test::SectionScan& s) {
             s.files->AddFile("C:\\here.dll");
             s.registry->SetDword(HKLM, kWindows + "SharedDlls", "C:\\here.dll", 0);
         },
         {"C:\\here.dll", ReasonKind::ZeroUseCount, "", Source::None}},
        {"shared DLLs: the value name is the path", 9,
         [](test::SectionScan& s) { s.registry->SetDword(HKLM, kWindows + "SharedDlls", "C:\\gone.dll", 2); },
         {"C:\\gone.dll", ReasonKind::MissingFile, "C:\\gone.dll", Source::ValueName}},
        {"startup: an empty command", 10,
         [](test::SectionScan& s) { s.registry->SetString(HKCU, kWindows + "Run", "Empty", ""); },
         {"", ReasonKind::EmptyCommand, "", Source::None}},
        {"services: a file or a folder", 15,
         [](test::SectionScan& s) {
             s.registry->SetString(HKLM, "SYSTEM\\CurrentControlSet\\Services\\Gone", "ImagePath", "C:\\gone\\svc.exe");
         },
         {"C:\\gone\\svc.exe", ReasonKind::MissingFileOrFolder, "C:\\gone\\svc.exe", Source::ValueData}},
        {"start menu: the folder that is not there", 16,
         [](test::SectionScan& s) {
             s.files->SetSpecialFolder(2, "C:\\Programs");
             s.files->SetSpecialFolder(23, "C:\\All Programs");
             s.files->AddFolder("C:\\Programs");
             s.files->AddFolder("C:\\All Programs");
             s.registry->AddKey(HKCU, kWindows + "Explorer\\MenuOrder\\Start Menu\\Programs\\Old Games");
         },
         {"Old Games", ReasonKind::NoStartMenuFolder, "Old Games", Source::None}},
        {"empty keys", 23,
         [](test::SectionScan& s) { s.registry->AddKey(RootKey::Users, "S-1-5-21-7\\Software\\Hollow"); },
         {"Hollow", ReasonKind::EmptyKey, "", Source::None}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::SectionScan scan;
        c.plant(scan);
        const std::vector<Finding> findings = scan.Run(c.task);
        const Finding* found = nullptr;
        for (const Finding& f : findings)
            if (f.Value == c.expected.value || (c.expected.value.empty() && f.KeyPath.ends_with("\\Empty")))
                found = &f;
        ASSERT_NE(found, nullptr) << findings.size() << " findings";
        EXPECT_EQ(found->Reason.Kind, c.expected.kind);
        EXPECT_EQ(found->Reason.Detail, c.expected.detail);
        EXPECT_EQ(found->Reason.Test.From, c.expected.from);
    }
}

}  // namespace
}  // namespace ks
