// Any bytes into the strict REGEDIT4 reader: a parse or a clean error. What
// it parses, written again by the backup's own writer, reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_input.h"
#include "lead_bytes.h"
#include "repair/backup_parser.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "reg reader: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ks::fuzz::Input input(data, size);
    const std::uint8_t options = input.Byte();
    const bool requireHeader = (options & 2) != 0;
    const ks::LeadBytes lead = ks::fuzz::ChosenLeadBytes(options);
    const std::string text = input.Rest();

    const ks::RegParseResult parsed = ks::ParseRegText(text, requireHeader, lead);
    if (!parsed.ok) {
        if (parsed.errorLine == 0 || parsed.error.empty()) Fail("an error without its line or its reason");
        return 0;
    }
    if (!parsed.blocks.empty() && text.empty()) Fail("blocks out of nothing");

    std::string again = "REGEDIT4\r\n";
    for (const auto& block : parsed.blocks)
        if (!ks::AppendBlock(again, block, lead)) return 0;
    const ks::RegParseResult reread = ks::ParseRegText(again, true, lead);
    if (!reread.ok) Fail("what the reader gave, written again, does not read");
    if (reread.blocks != parsed.blocks) Fail("what the reader gave, written again, reads back otherwise");
    return 0;
}
