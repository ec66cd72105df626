// Registry files as the registry editor reads them: 8-bit text in the ANSI
// code page, or UTF-16 (little-endian, after its byte-order mark), which the
// editor's own exports use. UTF-16 text is handled here as UTF-8, so that the
// 8-bit reader takes both; a surrogate without its partner is kept as a
// three-byte sequence of its own, so the text converts back to the very same
// units.
#pragma once

#include <string>
#include <string_view>

namespace ks {

inline constexpr std::string_view kUtf16Mark = "\xFF\xFE";

struct RegFileText {
    std::string text;      // ANSI as stored, or UTF-8 of the UTF-16 units
    bool unicode = false;  // the file was UTF-16
    bool strayByte = false;  // a UTF-16 file of odd length: its last byte is half a unit
};

RegFileText DecodeRegFile(std::string_view bytes);
// The bytes of a file holding `text`: itself, or the mark and UTF-16.
std::string EncodeRegFile(std::string_view text, bool unicode);

// UTF-16 little-endian units (an odd last byte is dropped) as UTF-8, and back.
std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view text);

}  // namespace ks
