// Profile files through GetPrivateProfileStringA and WritePrivateProfileStringA.
#include "settings/win/profile_file.h"

#include <windows.h>

namespace ks {

namespace {

// The key list of one section is asked for with a growing buffer; a section
// whose names need more than this is treated as unreadable.
constexpr DWORD kKeyListFirstBytes = 4096;
constexpr DWORD kKeyListMaxBytes = 16u << 20;

}  // namespace

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    const std::string sectionText(section), keyText(key), defaultText(defaultValue);
    char buffer[kProfileValueBufferBytes];
    const DWORD length = GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), defaultText.c_str(), buffer,
                                                  static_cast<DWORD>(sizeof(buffer)), path_.c_str());
    return std::string(buffer, length < sizeof(buffer) ? length : sizeof(buffer) - 1);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionText(section), keyText(key), valueText(value);
    return WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(), path_.c_str()) != FALSE;
}

std::optional<std::vector<std::string>> ProfileFile::KeyNames(std::string_view section) const {
    const std::string sectionText(section);
    std::string buffer;
    for (DWORD size = kKeyListFirstBytes; size <= kKeyListMaxBytes; size *= 2) {
        buffer.assign(size, '\0');
        const DWORD length =
            GetPrivateProfileStringA(sectionText.c_str(), nullptr, "", buffer.data(), size, path_.c_str());
        // A list that does not fit is cut and reported as size - 2 characters.
        if (length + 2 >= size) continue;
        std::vector<std::string> names;
        std::size_t start = 0;
        while (start < length) {
            const std::size_t end = buffer.find('\0', start);
            if (end == std::string::npos || end > length) break;
            names.emplace_back(buffer, start, end - start);
            start = end + 1;
        }
        return names;
    }
    return std::nullopt;
}

}  // namespace ks
