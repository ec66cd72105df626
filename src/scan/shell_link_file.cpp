#include "scan/shell_link_file.h"

#include <cstddef>
#include <cstdint>

namespace ks {

namespace {

constexpr std::size_t kHeaderSize = 0x4C;
constexpr std::uint32_t kHasIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasVolumeAndLocalPath = 0x1;
constexpr std::uint32_t kHasNetworkAndSuffix = 0x2;
// {00021401-0000-0000-C000-000000000046} as it lies in the file.
constexpr std::string_view kLinkClass("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);

// Little-endian reads that are never asked beyond the bytes (callers check).
std::uint32_t Byte(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }
std::uint32_t Word(std::string_view bytes, std::size_t at) { return Byte(bytes, at) | Byte(bytes, at + 1) << 8; }
std::uint32_t Dword(std::string_view bytes, std::size_t at) { return Word(bytes, at) | Word(bytes, at + 2) << 16; }

// The items follow one another by their byte counts; the list holds the
// two-byte zero that ends them.
bool IsWholeIdList(std::string_view list) {
    std::size_t at = 0;
    while (at + 2 <= list.size()) {
        const std::uint32_t count = Word(list, at);
        if (count == 0) return true;
        if (count < 2) return false;
        at += count;
    }
    return false;
}

// A NUL-terminated string at `offset` inside the block.
bool EndsInside(std::string_view block, std::size_t offset) {
    return offset < block.size() && block.find('\0', offset) != std::string_view::npos;
}

bool IsWholeLinkInfo(std::string_view info) {
    constexpr std::size_t kInfoHeader = 0x1C;
    if (info.size() < kInfoHeader || Dword(info, 4) < kInfoHeader || Dword(info, 4) > info.size()) return false;
    const std::uint32_t flags = Dword(info, 8);
    if (flags & kHasVolumeAndLocalPath) {
        // The volume's own header: size, drive type, serial number, label offset.
        const std::size_t volume = Dword(info, 12);
        if (volume > info.size() || info.size() - volume < 0x10) return false;
        const std::size_t label = Dword(info, volume + 12);
        // Readers take the label where it stands in the volume's usual layout,
        // right after that header, as well as where the offset says.
        if (!EndsInside(info, volume + 0x10) || label > info.size() - volume || !EndsInside(info, volume + label))
            return false;
        if (!EndsInside(info, Dword(info, 16))) return false;
    }
    if (flags & kHasNetworkAndSuffix) {
        const std::size_t network = Dword(info, 20);
        if (network > info.size() || info.size() - network < 0x14) return false;
        // Its own header: size, flags, network name offset, device name offset.
        constexpr std::uint32_t kHasDevice = 0x1;
        const std::size_t name = Dword(info, network + 8);
        if (name > info.size() - network || !EndsInside(info, network + name)) return false;
        const std::size_t device = Dword(info, network + 12);
        if ((Dword(info, network + 4) & kHasDevice) &&
            (device > info.size() - network || !EndsInside(info, network + device)))
            return false;
    }
    if ((flags & (kHasVolumeAndLocalPath | kHasNetworkAndSuffix)) && !EndsInside(info, Dword(info, 24))) return false;
    return true;
}

}  // namespace

bool IsWholeShellLink(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || Dword(bytes, 0) != kHeaderSize || bytes.substr(4, 16) != kLinkClass)
        return false;
    const std::uint32_t flags = Dword(bytes, 0x14);
    std::size_t at = kHeaderSize;
    if (flags & kHasIdList) {
        if (bytes.size() - at < 2) return false;
        const std::size_t size = Word(bytes, at);
        at += 2;
        if (bytes.size() - at < size || !IsWholeIdList(bytes.substr(at, size))) return false;
        at += size;
    }
    if (flags & kHasLinkInfo) {
        if (bytes.size() - at < 4) return false;
        const std::size_t size = Dword(bytes, at);
        if (bytes.size() - at < size || !IsWholeLinkInfo(bytes.substr(at, size))) return false;
    }
    return true;
}

}  // namespace ks
