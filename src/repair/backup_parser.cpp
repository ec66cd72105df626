// A strict REGEDIT4 reader for checking backups before anything is deleted.
#include "repair/backup_parser.h"

#include <optional>
#include <unordered_set>

#include "base/text.h"

namespace ks {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Thrown inside the reader only; the public function turns it into a result.
struct ParseFailure {
    std::string message;
};

class Reader {
public:
    Reader(std::string_view text, const LeadBytes& leadBytes) : text_(text), lead_(leadBytes) {}

    RegParseResult Run(bool requireHeader) {
        RegParseResult result;
        try {
            if (requireHeader) {
                std::string_view first;
                if (!NextLine(first) || first != kRegHeaderLine) {
                    lineNumber_ = 1;  // an empty file lacks its first line
                    throw ParseFailure{"missing REGEDIT4 header"};
                }
            }
            std::string_view line;
            while (NextLine(line)) {
                if (line.empty() || line.front() == ';') continue;
                if (line.front() == '[') {
                    result.blocks.push_back(RegBlock{KeyLine(line), {}});
                    blockNames_.clear();
                } else if (line.front() == '@' || line.front() == '"') {
                    if (result.blocks.empty()) throw ParseFailure{"value before any key"};
                    AddValue(result.blocks.back(), ValueLine(line));
                } else {
                    throw ParseFailure{"line the importer would skip"};
                }
            }
            result.ok = true;
        } catch (const ParseFailure& failure) {
            result.blocks.clear();
            result.errorLine = lineNumber_;
            result.error = failure.message;
        }
        return result;
    }

private:
    // The next line without its CR LF. Only CR LF ends a line in a backup; a
    // lone CR or LF (which the importer also takes as a line end) and a last
    // line without its end are errors.
    bool NextLine(std::string_view& line) {
        if (pos_ == text_.size()) return false;
        ++lineNumber_;
        const size_t stop = text_.find_first_of("\r\n", pos_);
        if (stop == std::string_view::npos) throw ParseFailure{"text ends inside a line"};
        if (text_[stop] != '\r' || stop + 1 == text_.size() || text_[stop + 1] != '\n')
            throw ParseFailure{"line break other than CR LF"};
        line = text_.substr(pos_, stop - pos_);
        pos_ = stop + 2;
        return true;
    }

    std::string KeyLine(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') throw ParseFailure{"key line without closing bracket"};
        const std::string_view path = line.substr(1, line.size() - 2);
        if (path.empty() || path.front() == '-') throw ParseFailure{"key deletion or empty key"};
        size_t partStart = 0;
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i < path.size() && lead_.IsLead(path[i])) {
                if (++i == path.size()) throw ParseFailure{"key name ends inside a character"};
                continue;
            }
            if (i == path.size() || path[i] == '\\') {
                if (i == partStart) throw ParseFailure{"empty part in key path"};
                if (partStart == 0 && !RootByName(path.substr(0, i))) throw ParseFailure{"unknown root"};
                partStart = i + 1;
            }
        }
        return std::string(path);
    }

    // A quoted text starting at line[at] (the opening quote); returns it
    // unescaped and moves at past the closing quote.
    std::string Quoted(std::string_view line, size_t& at) {
        std::string out;
        for (size_t i = at + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (lead_.IsLead(c)) {
                if (i + 1 == line.size()) break;
                out.push_back(c);
                out.push_back(line[++i]);
            } else if (c == '"') {
                at = i + 1;
                return out;
            } else if (c == '\\') {
                if (++i == line.size()) break;
                switch (line[i]) {
                case '\\': out.push_back('\\'); break;
                case '"': out.push_back('"'); break;
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                default: throw ParseFailure{"escape the importer rejects or guesses at"};
                }
            } else {
                out.push_back(c);
            }
        }
        throw ParseFailure{"unterminated quoted text"};
    }

    RegValue ValueLine(std::string_view line) {
        RegValue value;
        size_t at = 0;
        if (line.front() == '@') at = 1;
        else value.name = Quoted(line, at);
        if (at >= line.size() || line[at] != '=') throw ParseFailure{"value name without ="};
        const std::string_view data = line.substr(at + 1);
        if (!data.empty() && data.front() == '"') {
            size_t end = 0;
            value.type = RegType::String;
            value.data = Quoted(data, end);
            if (end != data.size()) throw ParseFailure{"text after quoted data"};
            value.data.push_back('\0');
        } else if (data.starts_with("dword:")) {
            value.type = RegType::Dword;
            value.data = Dword(data.substr(6));
        } else if (data.starts_with("hex:")) {
            value.type = RegType::Binary;
            value.data = HexBytes(data.substr(4));
        } else if (data.starts_with("hex(")) {
            const size_t close = data.find("):");
            if (close == std::string_view::npos || close == 4 || close > 12) throw ParseFailure{"bad typed hex"};
            std::uint32_t type = 0;
            for (char c : data.substr(4, close - 4)) {
                const int d = HexDigit(c);
                if (d < 0) throw ParseFailure{"bad value type"};
                type = (type << 4) | static_cast<std::uint32_t>(d);
            }
            value.type = type;
            value.data = HexBytes(data.substr(close + 2));
            // String types given as bytes are stored as text, and the importer
            // ends a text that does not end with a NUL.
            const bool textType =
                type == RegType::String || type == RegType::ExpandString || type == RegType::MultiString;
            if (textType && !value.data.empty() && value.data.back() != '\0') value.data.push_back('\0');
        } else {
            throw ParseFailure{"unknown data form"};
        }
        return value;
    }

    static std::string Dword(std::string_view digits) {
        if (digits.empty() || digits.size() > 8) throw ParseFailure{"bad dword"};
        std::uint32_t n = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) throw ParseFailure{"bad dword"};
            n = (n << 4) | static_cast<std::uint32_t>(d);
        }
        std::string bytes(4, '\0');
        for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        return bytes;
    }

    // "0A,1B,…" with ",\" continuing on the next line.
    std::string HexBytes(std::string_view list) {
        std::string bytes;
        if (list.empty()) return bytes;
        for (;;) {
            if (list.size() < 2 || HexDigit(list[0]) < 0 || HexDigit(list[1]) < 0)
                throw ParseFailure{"bad byte in hex list"};
            bytes.push_back(static_cast<char>(HexDigit(list[0]) * 16 + HexDigit(list[1])));
            list.remove_prefix(2);
            if (list.empty()) return bytes;
            if (list.front() != ',') throw ParseFailure{"bad separator in hex list"};
            list.remove_prefix(1);
            if (list == "\\") {
                std::string_view next;
                if (!NextLine(next)) throw ParseFailure{"continuation at end of text"};
                while (!next.empty() && (next.front() == ' ' || next.front() == '\t')) next.remove_prefix(1);
                list = next;
            } else if (list.empty()) {
                throw ParseFailure{"hex list ends with a comma"};
            }
        }
    }

    // A set of the block's upper-cased names keeps a key with many thousands
    // of values from costing a comparison with every earlier one.
    void AddValue(RegBlock& block, RegValue value) {
        if (!blockNames_.insert(UpperAnsi(value.name)).second) throw ParseFailure{"value named twice in one key"};
        block.values.push_back(std::move(value));
    }

    std::string_view text_;
    const LeadBytes& lead_;
    size_t pos_ = 0;
    size_t lineNumber_ = 0;
    std::unordered_set<std::string> blockNames_;
};

}  // namespace

RegParseResult ParseRegText(std::string_view text, bool requireHeader, const LeadBytes& leadBytes) {
    return Reader(text, leadBytes).Run(requireHeader);
}

}  // namespace ks
