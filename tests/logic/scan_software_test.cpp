// Vendor keys, Start-menu orderings, event sounds and recently-used lists over
// a planted in-memory machine: what is reported, under which key path, with
// which removal kind, and what is left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/text.h"
#include "support/section_scan.h"

namespace ks {
namespace {

constexpr RootKey kUser = RootKey::CurrentUser;
constexpr RootKey kMachine = RootKey::LocalMachine;
constexpr char kMru[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";
constexpr char kUserAssist[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";

std::vector<std::string> Values(const std::vector<Finding>& findings) {
    std::vector<std::string> values;
    for (const auto& finding : findings) values.push_back(finding.Value);
    return values;
}

TEST(ObsoleteSoftwareTest, VendorKeysThatHoldNothingAreReportedUnderTheirParent) {
    test::SectionScan scan;
    auto& r = *scan.registry;
    r.AddKey(kUser, "Software\\Bare");
    r.AddKey(kUser, "Software\\OneEmptyChild\\Sub");
    r.AddKey(kUser, "Software\\ChainOfOne\\A\\B\\C");
    r.AddKey(kUser, "Software\\TwoEmptyChildren\\A");
    r.AddKey(kUser, "Software\\TwoEmptyChildren\\B");
    r.SetDword(kUser, "Software\\DeepValue\\A\\B", "x", 1);
    r.SetString(kUser, "Software\\EmptyDefault", "", "");
    // Writing refused, a value inside: not obsolete.
    r.DenyFullAccess(kUser, "Software\\Locked");
    r.SetDword(kUser, "Software\\Locked", "kept", 1);
    r.AddKey(kMachine, "Software\\MachineVendor\\Sub");
    r.SetDword(kMachine, "Software\\Busy", "x", 1);

    const auto findings = scan.Run(14);
    const std::vector<Finding> expected = {
        {"Obsolete Software Key", "HKEY_CURRENT_USER\\Software", "Bare", RemovalKind::DeleteSubkey},
        {"Obsolete Software Key", "HKEY_CURRENT_USER\\Software", "ChainOfOne", RemovalKind::DeleteSubkey},
        {"Obsolete Software Key", "HKEY_CURRENT_USER\\Software", "OneEmptyChild", RemovalKind::DeleteSubkey},
        {"Obsolete Software Key", "HKEY_LOCAL_MACHINE\\Software", "MachineVendor", RemovalKind::DeleteSubkey},
    };
    EXPECT_EQ(findings, expected);
}

TEST(StartMenuTest, OrderingsAreComparedWithTheTopFoldersOfBothProgramsFolders) {
    test::SectionScan scan;
    scan.files->SetSpecialFolder(2, "C:\\User\\Programs");
    scan.files->SetSpecialFolder(23, "C:\\All\\Programs");
    scan.files->AddFolder("C:\\User\\Programs\\Games");
    scan.files->AddFolder("C:\\User\\Programs\\Games\\Nested");
    scan.files->AddFolder("C:\\All\\Programs\\Office Tools");
    scan.files->AddFile("C:\\User\\Programs\\Plain");
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\";
    const std::string keys[] = {base + "Start Menu2\\Programs", base + "Start Menu\\Programs",
                                base + "Start Menu\\&Programs"};
    for (const auto& key : keys)
        for (const char* name : {"GAMES", "office tools", "Nested", "Plain", "Gone"})
            scan.registry->AddKey(kUser, key + "\\" + name);
    scan.registry->AddKey(kUser, keys[0] + "\\Games\\Gone");  // below the top level: never compared
    scan.registry->AddKey(kMachine, keys[0] + "\\Elsewhere");

    const auto findings = scan.Run(16);
    std::vector<Finding> expected;
    for (const auto& key : keys)
        for (const char* name : {"Gone", "Nested", "Plain"})
            expected.push_back({"Old Start Menu Key", "HKEY_CURRENT_USER\\" + key, name, RemovalKind::DeleteSubkey});
    EXPECT_EQ(findings, expected);
}

TEST(SoundEventsTest, OnlySchemeKeysOfTheThreeNamesAreTestedAtAnyDepth) {
    test::SectionScan scan;
    scan.files->AddFile("C:\\Media\\ding.wav");
    const std::string apps = "AppEvents\\Schemes\\Apps";
    const struct {
        std::string path;
        std::uint32_t type;
        std::string data;
        bool reported;
    } cases[] = {
        {apps + "\\.Default\\Close\\.Current", RegType::String, "C:\\Media\\gone.wav", true},
        {apps + "\\.Default\\Close\\.DEFAULT", RegType::ExpandString, "C:\\Media\\gone2.wav", true},
        {apps + "\\.Default\\Close\\Utopia0", RegType::String, "C:\\Media\\gone3.wav", true},
        {apps + "\\.Default\\Open\\.current", RegType::String, "C:\\Media\\ding.wav", false},
        {apps + "\\.Default\\Open\\.Modified", RegType::String, "C:\\Media\\gone.wav", false},
        {apps + "\\.Default\\Open\\Utopia1", RegType::String, "C:\\Media\\gone.wav", false},
        {apps + "\\.Default\\Beep\\.current", RegType::Binary, "C:\\Media\\gone.wav", false},
        {apps + "\\.Default\\Empty\\.current", RegType::String, "", false},
        {apps + "\\Deep\\A\\B\\C\\.current", RegType::String, "C:\\Media\\deep.wav", true},
        {"AppEvents\\Schemes\\Names\\.current", RegType::String, "C:\\Media\\gone.wav", false},
    };
    std::vector<Finding> expected;
    for (const auto& c : cases) {
        scan.registry->Set(kUser, c.path, "", c.type, c.data + '\0');
        if (c.reported)
            expected.push_back({"Missing Sound File", "HKEY_CURRENT_USER\\" + c.path, c.data,
                                RemovalKind::DeleteDefaultValue});
    }
    auto findings = scan.Run(18);
    // The keys are listed sorted; compare as sets.
    auto byPath = [](const Finding& a, const Finding& b) { return a.KeyPath < b.KeyPath; };
    std::sort(findings.begin(), findings.end(), byPath);
    std::sort(expected.begin(), expected.end(), byPath);
    EXPECT_EQ(findings, expected);
}

TEST(RecentListsTest, OpenSaveValuesAreFilesWithoutTheirExtension) {
    test::SectionScan scan;
    auto& r = *scan.registry;
    scan.files->AddFile("C:\\Docs\\report.txt");
    scan.files->AddFile("C:\\Docs\\star.*");
    scan.files->AddFile("C:\\Docs\\plain");
    r.AddKey(kUser, std::string(kMru) + "\\*");
    r.AddKey(kUser, std::string(kMru) + "\\txt");
    r.SetString(kUser, kMru, "a", "C:\\Docs\\report");          // report.txt exists
    r.SetString(kUser, kMru, "b", "C:\\Docs\\gone");            // no extension fits
    r.SetString(kUser, kMru, "c", "C:\\Docs\\star");            // "*" is no extension
    r.SetString(kUser, kMru, "d", "C:\\Docs\\plain");           // the bare name does not count
    r.SetString(kUser, kMru, "e", "D:\\Docs\\gone");            // not a scanned drive
    r.SetString(kUser, kMru, "f", "C:Docs\\gone");              // no ":\" at the second place
    r.SetString(kUser, kMru, "g\\h", "C:\\Docs\\gone", RegType::ExpandString);
    r.Set(kUser, kMru, "i", RegType::Binary, "C:\\Docs\\gone");
    // The extension subkeys are walked as whole trees, "*" among them.
    r.SetString(kUser, std::string(kMru) + "\\*", "0", "C:\\Docs\\gone.bin");
    r.SetString(kUser, std::string(kMru) + "\\txt\\Deeper", "0", "C:\\Docs\\report.txt");

    const std::string key = std::string("HKEY_CURRENT_USER\\") + kMru;
    const std::vector<Finding> expected = {
        {"Missing MRU and History Lists file", key + "\\b", "C:\\Docs\\gone", RemovalKind::DeleteValueInPath},
        {"Missing MRU and History Lists file", key + "\\c", "C:\\Docs\\star", RemovalKind::DeleteValueInPath},
        {"Missing MRU and History Lists file", key + "\\d", "C:\\Docs\\plain", RemovalKind::DeleteValueInPath},
        {"Missing MRU and History Lists file", key, "g\\h", RemovalKind::DeleteNamedValue},
        {"Missing MRU and History Lists file", key + "\\*\\0", "C:\\Docs\\gone.bin", RemovalKind::DeleteValueInPath},
    };
    EXPECT_EQ(scan.Run(20), expected);
}

TEST(RecentListsTest, UserAssistEntriesByRunCountAndPath) {
    auto bytes = [](std::initializer_list<int> list) {
        std::string data;
        for (int b : list) data.push_back(static_cast<char>(b));
        return data;
    };
    const std::string ranTwice = bytes({1, 0, 0, 0, 2, 0, 0, 0, 9, 9});
    const std::string neverRan = bytes({1, 0, 0, 0, 0, 0, 0, 0});
    const std::string highByteCount = bytes({0, 0, 0, 0, 0, 0, 0, 1});
    const struct {
        std::string name;  // readable
        std::string data;
        bool reported;
    } cases[] = {
        {"UEME_RUNPATH:C:\\Apps\\here.exe", ranTwice, false},
        {"UEME_RUNPATH:C:\\Apps\\here.exe2", neverRan, true},   // run count 0, path there or not
        {"UEME_RUNPATH:C:\\Apps\\gone.exe", ranTwice, true},    // missing path
        {"UEME_RUNPATH:C:\\Apps\\gone.lnk\\x.exe", ranTwice, false},  // ".lnk" names are not tested as paths
        {"UEME_RUNPATH:C:\\Apps\\gone.lnk", neverRan, true},
        {"UEME_RUNPATH:C:\\Apps\\OTHER.LNK\\x.exe", ranTwice, true},  // exact letters only
        {"UEME_CTLSESSION", highByteCount, false},              // all four bytes of the count
        {"UEME_UITOOLBAR", ranTwice, false},                    // no ":": no path
        {"UEME_RUNPATH:C:\\Apps", ranTwice, false},             // folders are fine
        {"UEME_SHORT:C:\\Apps\\here.exe", bytes({0, 0, 0, 0, 0, 0, 0}), false},  // no run count at all
        {"UEME_SHORT:C:\\Apps\\gone.exe", bytes({0, 0, 0}), true},
        {"UEME_EMPTY", "", false},
        {"UEME_HUGE:C:\\Apps\\gone.exe", std::string(0x8000, '\0'), false},  // too large to be an entry
        {"UEME_LARGEST", std::string(0x7FFF, '\0'), true},
    };
    test::SectionScan scan;
    scan.files->AddFile("C:\\Apps\\here.exe");
    scan.files->AddFile("C:\\Apps\\here.exe2");
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        scan.registry->Set(kUser, kUserAssist, Rot13Text(c.name), RegType::Binary, c.data);
        if (c.reported) expected.push_back(c.name);
    }
    const auto findings = scan.Run(20);
    EXPECT_EQ(Values(findings), expected);
    for (const auto& finding : findings) {
        EXPECT_EQ(finding.KeyPath, std::string("HKEY_CURRENT_USER\\") + kUserAssist);
        EXPECT_EQ(finding.RemovalKind, RemovalKind::DeleteEncodedValue);
    }
}

TEST(RecentListsTest, AnUnreadableUserAssistValueIsPassedOver) {
    test::SectionScan scan;
    scan.registry->Set(kUser, kUserAssist, Rot13Text("UEME_A"), RegType::Binary, std::string(8, '\0'));
    scan.registry->Set(kUser, kUserAssist, Rot13Text("UEME_B"), RegType::Binary, std::string(8, '\0'));
    scan.registry->Set(kUser, kUserAssist, Rot13Text("UEME_C"), RegType::Binary, std::string(8, '\0'));
    scan.registry->VanishValue(kUser, kUserAssist, Rot13Text("UEME_B"));
    EXPECT_EQ(Values(scan.Run(20)), (std::vector<std::string>{"UEME_A", "UEME_C"}));
}

}  // namespace
}  // namespace ks
