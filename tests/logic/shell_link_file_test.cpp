// The shape a link file must have before the shell's link object is given it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "scan/shell_link_file.h"

namespace ks {
namespace {

void PutWord(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}
void PutDword(std::string& bytes, std::size_t at, std::uint32_t value) {
    PutWord(bytes, at, value & 0xFFFF);
    PutWord(bytes, at + 2, value >> 16);
}

// Appends `piece` to `block` and writes where it starts into the offset field
// at `field`.
void AppendAt(std::string& block, std::size_t field, const std::string& piece) {
    PutDword(block, field, static_cast<std::uint32_t>(block.size()));
    block += piece;
}
// The block with its own size in its first four bytes.
std::string Sized(std::string block) {
    PutDword(block, 0, static_cast<std::uint32_t>(block.size()));
    return block;
}

// A link as the shell writes one for C:\Apps\tool.exe: header, an item-ID list
// of two items, a link-info block with a volume, a local path and a network
// share, then a relative-path string.
struct Link {
    static constexpr std::size_t kIdList = 0x4C;  // its size word
    static constexpr std::size_t kInfo = kIdList + 2 + 0x20;
    std::string bytes;

    Link() {
        using namespace std::string_literals;
        bytes.assign(0x4C, '\0');
        PutDword(bytes, 0, 0x4C);
        bytes.replace(4, 16, std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
        PutDword(bytes, 0x14, 0x1 | 0x2 | 0x8);  // ID list, link info, relative path
        std::string list(0x20, '\0');
        PutWord(list, 0, 0x14);  // the computer
        list[2] = 0x1F;
        PutWord(list, 0x14, 0x0A);  // a drive; the zero word after it ends the list
        list.replace(0x16, 4, "\x2F" "C:\\");
        bytes += std::string(2, '\0') + list;
        PutWord(bytes, kIdList, static_cast<std::uint32_t>(list.size()));

        std::string volume(0x10, '\0');
        PutDword(volume, 8, 0x1234ABCD);
        AppendAt(volume, 12, "System\0"s);
        std::string network(0x14, '\0');
        PutDword(network, 4, 0x1);  // with a device name
        AppendAt(network, 8, "\\\\server\\share\0"s);
        AppendAt(network, 12, "Z:\0"s);
        std::string info(0x1C, '\0');
        PutDword(info, 4, 0x1C);
        PutDword(info, 8, 0x1 | 0x2);
        AppendAt(info, 12, Sized(volume));
        AppendAt(info, 16, "C:\\Apps\\tool.exe\0"s);
        AppendAt(info, 20, Sized(network));
        AppendAt(info, 24, "\0"s);
        bytes += Sized(info);
        bytes += std::string("\x0A\x00..\\Apps\\tool", 12);
    }
    std::size_t Volume() const { return kInfo + Dword(kInfo + 12); }
    std::size_t Network() const { return kInfo + Dword(kInfo + 20); }
    std::uint32_t Dword(std::size_t at) const {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return value;
    }
};

TEST(ShellLinkFileTest, OnlyWholeLinksAreLoaded) {
    using Change = std::function<void(Link&)>;
    const struct {
        const char* what;
        Change change;
        bool whole;
    } cases[] = {
        {"as the shell writes it", [](Link&) {}, true},
        {"the header alone, flags saying nothing follows",
         [](Link& l) { l.bytes.resize(0x4C), PutDword(l.bytes, 0x14, 0); }, true},
        {"with more after the strings", [](Link& l) { l.bytes += std::string(4096, '\xFF'); }, true},
        {"an empty file", [](Link& l) { l.bytes.clear(); }, false},
        {"shorter than the header", [](Link& l) { l.bytes.resize(0x4B); }, false},
        {"another header size", [](Link& l) { PutDword(l.bytes, 0, 0x4D); }, false},
        {"another class", [](Link& l) { l.bytes[19] = 0x47; }, false},
        {"ends before the list's size", [](Link& l) { l.bytes.resize(Link::kIdList + 1); }, false},
        {"ends inside the list", [](Link& l) { l.bytes.resize(Link::kIdList + 2 + 0x1F); }, false},
        {"list without its terminator", [](Link& l) { PutWord(l.bytes, Link::kIdList, 0x1E); }, false},
        {"an item of one byte", [](Link& l) { PutWord(l.bytes, Link::kIdList + 2, 1); }, false},
        {"an item running past the list", [](Link& l) { PutWord(l.bytes, Link::kIdList + 2, 0x1F); }, false},
        {"an item of the list's whole size", [](Link& l) { PutWord(l.bytes, Link::kIdList + 2, 0x20); }, false},
        {"ends before the info's size", [](Link& l) { l.bytes.resize(Link::kInfo + 3); }, false},
        {"ends inside the info", [](Link& l) { l.bytes.resize(Link::kInfo + 0x30); }, false},
        {"info smaller than its header", [](Link& l) { PutDword(l.bytes, Link::kInfo, 0x1B); }, false},
        {"info header size past the info",
         [](Link& l) { PutDword(l.bytes, Link::kInfo + 4, l.Dword(Link::kInfo) + 1); }, false},
        {"volume past the info", [](Link& l) { PutDword(l.bytes, Link::kInfo + 12, l.Dword(Link::kInfo) - 8); }, false},
        {"volume label offset past the info", [](Link& l) { PutDword(l.bytes, l.Volume() + 12, l.Dword(Link::kInfo)); },
         false},
        {"local path offset past the info", [](Link& l) { PutDword(l.bytes, Link::kInfo + 16, l.Dword(Link::kInfo)); },
         false},
        {"share name offset past the info", [](Link& l) { PutDword(l.bytes, l.Network() + 8, 0x7FFFFFFF); }, false},
        {"device name offset past the info", [](Link& l) { PutDword(l.bytes, l.Network() + 12, 0xFFFFFFFF); }, false},
        {"device name offset past the info, no device",
         [](Link& l) {
             PutDword(l.bytes, l.Network() + 12, 0xFFFFFFFF);
             PutDword(l.bytes, l.Network() + 4, 0);
         },
         true},
        {"suffix offset past the info", [](Link& l) { PutDword(l.bytes, Link::kInfo + 24, l.Dword(Link::kInfo)); },
         false},
        {"no string ends before the info does",
         [](Link& l) {
             const std::size_t end = Link::kInfo + l.Dword(Link::kInfo);
             for (std::size_t at = l.Volume() + 0x10; at < end; ++at)
                 if (l.bytes[at] == '\0') l.bytes[at] = 'x';
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Link link;
        c.change(link);
        EXPECT_EQ(IsWholeShellLink(link.bytes), c.whole);
    }
}

}  // namespace
}  // namespace ks
