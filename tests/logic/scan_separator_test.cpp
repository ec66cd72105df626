// Paths built by the scan from folders whose name ends in a two-byte
// character with 0x5C as its second byte (表 in Shift-JIS).
#include <gtest/gtest.h>

#include "support/code_page_tables.h"
#include "support/section_scan.h"

namespace ks {
namespace {

// Every shortcut points at a file that is gone.
class GoneTargets final : public ShortcutLinks {
    class Reader final : public ShortcutReader {
        ShortcutTarget ReadTarget(std::string_view) override { return {ShortcutTarget::Status::Read, "C:\\gone.exe"}; }
    };

public:
    std::unique_ptr<ShortcutReader> OpenOnThisThread() override { return std::make_unique<Reader>(); }
};

TEST(ScanSeparatorTest, AShortcutInsideAFolderNamedWithATwoByteCharacter) {
    const test::ScopedCodePage shiftJis(test::kShiftJis932.Make());
    test::SectionScan scan;
    const std::string folder = "C:\\Me\\\x95\\";  // "C:\Me\表"
    scan.files->SetSpecialFolder(16, folder);
    scan.files->AddFolder(folder);
    scan.files->AddFile(folder + "\\gone.lnk");
    auto worker = scan.Worker();
    worker->Shortcuts = std::make_shared<GoneTargets>();
    const auto findings = scan.Run(*worker, 17);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].KeyPath, folder + "\\gone.lnk") << "in the folder, not beside it";
}

}  // namespace
}  // namespace ks
