// The passes that report what is missing from a list: registered type
// libraries and application ids, uninstall entries, Programs folders. Each
// list is read with read rights, and a list that cannot be read to its end
// makes its pass report nothing at all.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/section_scan.h"

namespace ks {
namespace {

constexpr RootKey kClasses = RootKey::ClassesRoot;
constexpr RootKey kMachine = RootKey::LocalMachine;
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kMenuOrder = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs";

// Per pass, a list of two entries, one name on it and one missing from it.
void Plant(test::SectionScan& scan) {
    auto& r = *scan.registry;
    for (const char* key : {"TypeLib\\{LIB}", "TypeLib\\{OTHER}", "AppID\\{APP}", "AppID\\{OTHER}"}) r.AddKey(kClasses, key);
    r.SetString(kClasses, "Interface\\{I1}", "", "IKept");
    r.SetString(kClasses, "Interface\\{I1}\\TypeLib", "", "{LIB}");
    r.SetString(kClasses, "Interface\\{I2}", "", "IStale");
    r.SetString(kClasses, "Interface\\{I2}\\TypeLib", "", "{GONE-LIB}");
    r.SetString(kClasses, "CLSID\\{C1}", "AppID", "{APP}");
    r.SetString(kClasses, "CLSID\\{C2}", "AppID", "{GONE-APP}");
    const std::string arpCache = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";
    for (const std::string& key : {kUninstall + "\\Kept", kUninstall + "\\Other", arpCache + "Kept", arpCache + "Orphan"})
        r.AddKey(kMachine, key);
    scan.files->SetSpecialFolder(2, "C:\\User\\Programs");
    scan.files->SetSpecialFolder(23, "C:\\All\\Programs");
    scan.files->AddFolder("C:\\User\\Programs\\Games");
    scan.files->AddFolder("C:\\All\\Programs\\Tools");
    for (const char* name : {"\\Games", "\\Tools", "\\Gone"}) r.AddKey(RootKey::CurrentUser, kMenuOrder + name);
}

TEST(CrossCheckTest, AListReadWithReadRightsOrNotAtAll) {
    using Scan = test::SectionScan;
    // Every list readable but not writable: each pass reports its stale entry only.
    const auto readOnly = [](Scan& s) {
        for (const char* list : {"TypeLib", "AppID"}) s.registry->DenyFullAccess(kClasses, list);
        s.registry->DenyFullAccess(kMachine, kUninstall);
    };
    const auto refuse = [](RootKey root, std::string path) { return [=](Scan& s) { s.registry->DenyAccess(root, path); }; };
    const auto cut = [](RootKey root, std::string path) {
        return [=](Scan& s) { s.registry->FailSubkeyEnumeration(root, path, 1); };
    };
    const struct {
        int task;
        std::function<void(Scan&)> setup;
        std::vector<std::string> reported;  // the values reported
    } cases[] = {
        {13, readOnly, {"IStale - {GONE-LIB}"}},
        {13, refuse(kClasses, "TypeLib"), {}},
        {13, cut(kClasses, "TypeLib"), {}},
        {13, [](Scan& s) { (void)s.registry->DeleteKey(kClasses, "TypeLib"); }, {}},
        {19, readOnly, {"{GONE-APP}"}},
        {19, refuse(kClasses, "AppID"), {}},
        {19, cut(kClasses, "AppID"), {}},
        {21, readOnly, {"Orphan"}},
        {21, refuse(kMachine, kUninstall), {}},
        {21, cut(kMachine, kUninstall), {}},
        {16, [](Scan&) {}, {"Gone"}},
        {16, [](Scan& s) { s.files->SetUnreadable("C:\\All\\Programs"); }, {}},
        {16, [](Scan& s) { s.files->SetSpecialFolder(2, "C:\\User\\Nowhere"); }, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Scan scan;
        Plant(scan);
        cases[i].setup(scan);
        std::vector<std::string> values;
        for (const auto& finding : scan.Run(cases[i].task)) values.push_back(finding.Value);
        EXPECT_EQ(values, cases[i].reported);
    }
}

}  // namespace
}  // namespace ks
