// Writing REGEDIT4 text: names, escaping, and the data form of each value type.
#include "repair/backup_format.h"

#include "base/text.h"

namespace ks {

std::string MakeBackupFileName(std::string_view outputDirectory, const BackupTime& start, const LeadBytes& leadBytes) {
    std::string name = WithTrailingBackslash(std::string(outputDirectory), leadBytes);
    name += "Backup";
    name += std::to_string(start.year);
    for (int part : {start.month, start.day, start.hour, start.minute, start.second}) name += TwoDigits(part);
    name += ".reg";
    return name;
}

std::string EscapeRegText(std::string_view text, const LeadBytes& leadBytes) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (leadBytes.IsLead(c) && i + 1 < text.size()) {
            // The importer reads the line as two-byte characters, so the second
            // byte is part of a character and never an escape.
            out.push_back(c);
            out.push_back(text[++i]);
            continue;
        }
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

bool IsWritableName(std::string_view name, const LeadBytes& leadBytes) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           leadBytes.IsComplete(name);
}

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

// Bytes as "0A,1B,…": after the byte with index 25, 50, … a continuation mark
// and a line break, but only when another byte follows. A mark after the last
// byte would make the importer drop the value and swallow the next line.
void AppendHexBytes(std::string& out, std::string_view bytes) {
    out.reserve(out.size() + bytes.size() * 3 + bytes.size() / 25 * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out.push_back(kUpperHex[b >> 4]);
        out.push_back(kUpperHex[b & 0x0F]);
        if (i + 1 < bytes.size()) {
            out.push_back(',');
            if (i > 0 && i % 25 == 0) {
                out.push_back('\\');
                out.append(kLineEnd);
            }
        }
    }
}

std::string LowerHexNumber(std::uint32_t n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), kLowerHex[n & 0x0F]);
        n >>= 4;
    } while (n != 0);
    return digits;
}

// A string can be written quoted only when the import gives back the same
// bytes: some text, ended by its one NUL, with no line break (the importer
// splits lines at CR and LF) and no half of a two-byte character.
bool FitsQuotedString(std::string_view data, const LeadBytes& leadBytes) {
    if (data.empty() || data.back() != '\0') return false;
    const std::string_view text = data.substr(0, data.size() - 1);
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
    return leadBytes.IsComplete(text);
}

void AppendQuoted(std::string& out, std::string_view text, const LeadBytes& leadBytes) {
    out.push_back('"');
    out += EscapeRegText(text, leadBytes);
    out.push_back('"');
}

void AppendData(std::string& out, const RegValue& value, const LeadBytes& leadBytes) {
    const std::string_view data = value.data;
    switch (value.type) {
    case RegType::String:
        if (FitsQuotedString(data, leadBytes)) {
            AppendQuoted(out, data.substr(0, data.size() - 1), leadBytes);
            return;
        }
        break;
    case RegType::Dword:
        if (data.size() == 4) {
            out += "dword:";
            for (int i = 3; i >= 0; --i) {
                const auto b = static_cast<unsigned char>(data[static_cast<size_t>(i)]);
                out.push_back(kUpperHex[b >> 4]);
                out.push_back(kUpperHex[b & 0x0F]);
            }
            return;
        }
        break;
    case RegType::Binary:
        out += "hex:";
        AppendHexBytes(out, data);
        return;
    default: break;
    }
    // Every other type, and the string and number forms that cannot carry these
    // bytes, as typed bytes: the importer stores them unchanged (string types
    // are read as ANSI text, as they were read here).
    out += "hex(";
    out += LowerHexNumber(value.type);
    out += "):";
    AppendHexBytes(out, data);
}

bool IsWritableKeyPath(std::string_view path, const LeadBytes& leadBytes) {
    if (!IsWritableName(path, leadBytes)) return false;
    // Every part between backslashes must be a name; an empty part would make
    // the importer open a different key or none. A backslash that is the second
    // byte of a two-byte character separates nothing.
    size_t partLength = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (leadBytes.IsLead(path[i])) {
            ++i;
            partLength += 2;
        } else if (path[i] == '\\') {
            if (partLength == 0) return false;
            partLength = 0;
        } else {
            ++partLength;
        }
    }
    return partLength != 0;
}

}  // namespace

bool AppendValueLine(std::string& out, const RegValue& value, const LeadBytes& leadBytes) {
    if (!IsWritableName(value.name, leadBytes)) return false;
    if (value.name.empty()) out.push_back('@');
    else AppendQuoted(out, value.name, leadBytes);
    out.push_back('=');
    AppendData(out, value, leadBytes);
    out.append(kLineEnd);
    return true;
}

bool AppendBlock(std::string& out, const RegBlock& block, const LeadBytes& leadBytes) {
    if (block.deleted || !block.deletedValues.empty() || !IsWritableKeyPath(block.keyPath, leadBytes)) return false;
    for (const auto& value : block.values)
        if (!IsWritableName(value.name, leadBytes)) return false;
    out.append(kLineEnd);
    out.push_back('[');
    out += block.keyPath;
    out.push_back(']');
    out.append(kLineEnd);
    for (const auto& value : block.values) AppendValueLine(out, value, leadBytes);
    return true;
}

}  // namespace ks
