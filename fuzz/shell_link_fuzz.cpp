// Any bytes into the check a link file passes before the shell's link object
// loads it: no read outside the bytes (the sanitizers watch), and what passes
// still passes with more bytes after it, since nothing the check looks at
// lies beyond what it found whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scan/shell_link_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!ks::IsWholeShellLink(bytes)) return 0;
    if (!ks::IsWholeShellLink(bytes + std::string(64, '\xFF'))) {
        std::fprintf(stderr, "shell link: whole, but not with more bytes after it\n");
        std::abort();
    }
    return 0;
}
