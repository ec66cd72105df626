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

// One entry on each list and one missing from it, per pass.
void Plant(test::SectionScan& scan) {
    auto& r = *scan.registry;
    r.AddKey(kClasses, "TypeLib\\{LIB}");
    r.AddKey(kClasses, "TypeLib\\{OTHER-LIB}");
    r.SetString(kClasses, "Interface\\{I1}", "", "IKept");
    r.SetString(kClasses, "Interface\\{I1}\\TypeLib", "", "{LIB}");
    r.SetString(kClasses, "Interface\\{I2}", "", "IStale");
    r.SetString(kClasses, "Interface\\{I2}\\TypeLib", "", "{GONE-LIB}");
    r.AddKey(kClasses, "AppID\\{APP}");
    r.AddKey(kClasses, "AppID\\{OTHER-APP}");
    r.SetString(kClasses, "CLSID\\{C1}", "AppID", "{APP}");
    r.SetString(kClasses, "CLSID\\{C2}", "AppID", "{GONE-APP}");
    r.AddKey(kMachine, kUninstall + "\\Kept");
    r.AddKey(kMachine, kUninstall + "\\Other");
    r.AddKey(kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\Kept");
    r.AddKey(kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\Orphan");
    scan.files->SetSpecialFolder(2, "C:\\User\\Programs");
    scan.files->SetSpecialFolder(23, "C:\\All\\Programs");
    scan.files->AddFolder("C:\\User\\Programs\\Games");
    scan.files->AddFolder("C:\\All\\Programs\\Tools");
    r.AddKey(RootKey::CurrentUser, kMenuOrder + "\\Games");
    r.AddKey(RootKey::CurrentUser, kMenuOrder + "\\Tools");
    r.AddKey(RootKey::CurrentUser, kMenuOrder + "\\Gone");
}

TEST(CrossCheckTest, AListReadWithReadRightsOrNotAtAll) {
    using Setup = std::function<void(test::SectionScan&)>;
    const Setup readOnly = [](test::SectionScan& scan) {
        for (const char* list : {"TypeLib", "AppID"}) scan.registry->DenyFullAccess(kClasses, list);
        scan.registry->DenyFullAccess(kMachine, kUninstall);
    };
    const struct {
        const char* what;
        int task;
        Setup setup;
        std::vector<std::string> reported;  // the values reported
    } cases[] = {
        {"type libraries", 13, nullptr, {"IStale - {GONE-LIB}"}},
        {"type libraries, read-only", 13, readOnly, {"IStale - {GONE-LIB}"}},
        {"type libraries refused", 13, [](auto& s) { s.registry->DenyAccess(kClasses, "TypeLib"); }, {}},
        {"type libraries cut short", 13, [](auto& s) { s.registry->FailSubkeyEnumeration(kClasses, "TypeLib", 1); },
         {}},
        {"type libraries absent", 13, [](auto& s) { (void)s.registry->DeleteKey(kClasses, "TypeLib"); }, {}},
        {"application ids", 19, nullptr, {"{GONE-APP}"}},
        {"application ids, read-only", 19, readOnly, {"{GONE-APP}"}},
        {"application ids refused", 19, [](auto& s) { s.registry->DenyAccess(kClasses, "AppID"); }, {}},
        {"application ids cut short", 19, [](auto& s) { s.registry->FailSubkeyEnumeration(kClasses, "AppID", 1); },
         {}},
        {"uninstall entries", 21, nullptr, {"Orphan"}},
        {"uninstall entries, read-only", 21, readOnly, {"Orphan"}},
        {"uninstall entries refused", 21, [](auto& s) { s.registry->DenyAccess(kMachine, kUninstall); }, {}},
        {"uninstall entries cut short", 21,
         [](auto& s) { s.registry->FailSubkeyEnumeration(kMachine, kUninstall, 1); }, {}},
        {"Programs folders", 16, nullptr, {"Gone"}},
        {"all users' Programs unreadable", 16, [](auto& s) { s.files->SetUnreadable("C:\\All\\Programs"); }, {}},
        {"user's Programs unknown", 16, [](auto& s) { s.files->SetSpecialFolder(2, ""); }, {}},
        {"user's Programs missing", 16, [](auto& s) { s.files->SetSpecialFolder(2, "C:\\User\\Nowhere"); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::SectionScan scan;
        Plant(scan);
        if (c.setup) c.setup(scan);
        std::vector<std::string> values;
        for (const auto& finding : scan.Run(c.task)) values.push_back(finding.Value);
        EXPECT_EQ(values, c.reported);
    }
}

}  // namespace
}  // namespace ks
