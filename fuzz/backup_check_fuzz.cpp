// Any bytes into the check a restore runs before the registry editor sees a
// file: ANSI or UTF-16, whole, damaged or torn. A torn end's complete part is
// a start of the file, and checked again it is whole and gives the same
// blocks; the plan of what the import leaves never fails.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_input.h"
#include "lead_bytes.h"
#include "restore/restore_backup.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "backup check: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ks::fuzz::Input input(data, size);
    const std::uint8_t options = input.Byte();
    const ks::LeadBytes lead = ks::fuzz::ChosenLeadBytes(options);
    std::string bytes = input.Rest();
    // Half the runs as UTF-16 text behind its mark, as the editor writes it.
    if (options & 2) {
        std::string wide = "\xFF\xFE";
        for (char c : bytes) wide += {c, '\0'};
        bytes = wide;
    }

    const ks::BackupFileCheck check = ks::CheckBackupText(bytes, lead);
    if (check.fault != ks::BackupFault::None) {
        if (!check.blocks.empty() || !check.completePart.empty()) Fail("a refused file with blocks");
        return 0;
    }
    (void)ks::PlanImport(check.blocks, check.form, lead).Items();
    if (check.tornEnd == ks::BackupFault::None) {
        if (!check.completePart.empty()) Fail("a whole file with a complete part");
        return 0;
    }
    if (check.blocks.empty()) Fail("a torn end kept without a complete block");
    if (bytes.compare(0, check.completePart.size(), check.completePart) != 0)
        Fail("the complete part is no start of the file");
    const ks::BackupFileCheck again = ks::CheckBackupText(check.completePart, lead);
    if (again.fault != ks::BackupFault::None || again.tornEnd != ks::BackupFault::None)
        Fail("the complete part is not whole");
    if (again.blocks != check.blocks) Fail("the complete part reads otherwise");
    return 0;
}
