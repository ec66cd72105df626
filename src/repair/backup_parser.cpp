// A strict reader of registry-editor text, for checking backups before
// anything is deleted and before anything is restored.
#include "repair/backup_parser.h"

#include <optional>
#include <unordered_set>

#include "base/text.h"
#include "repair/reg_file_text.h"

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
    Reader(std::string_view text, const LeadBytes& leadBytes, RegTextForm form)
        : text_(text), lead_(leadBytes), form_(form) {}

    RegParseResult Run(bool requireHeader) {
        RegParseResult result;
        try {
            if (requireHeader) {
                std::string_view first;
                if (!NextLine(first) || (first != kRegHeaderLine && first != kRegVersion5HeaderLine)) {
                    lineNumber_ = 1;  // an empty file lacks its first line
                    throw ParseFailure{"missing header line"};
                }
            }
            std::string_view line;
            bool keyOpen = false;
            while (NextLine(line)) {
                if (line.empty() || line.front() == ';') continue;
                if (line.front() == '[') {
                    keyLineStart_ = lineStart_;
                    result.blocks.push_back(KeyLine(line));
                    keyOpen = !result.blocks.back().deleted;
                    blockNames_.clear();
                } else if (line.front() == '@' || line.front() == '"') {
                    // After a deletion line the importer has no key to put a value in.
                    if (!keyOpen) throw ParseFailure{"value outside a key"};
                    ValueLine(line, result.blocks.back());
                } else {
                    throw ParseFailure{"line the importer would skip"};
                }
            }
            result.ok = true;
        } catch (const ParseFailure& failure) {
            result.blocks.clear();
            result.errorLine = lineNumber_;
            result.error = failure.message;
            result.end = end_;
            result.blockStart = keyLineStart_;
            // A key line cut off is the start of the block it would open.
            if (end_ == RegParseResult::End::CutOff && text_[lineStart_] == '[') result.blockStart = lineStart_;
        }
        return result;
    }

private:
    // The next line without its line end: CR LF, or a lone CR or LF, as the
    // importer takes them. A last line without its end is an error.
    bool NextLine(std::string_view& line) {
        if (pos_ == text_.size()) return false;
        ++lineNumber_;
        lineStart_ = pos_;
        const size_t stop = text_.find_first_of("\r\n", pos_);
        if (stop == std::string_view::npos) {
            end_ = RegParseResult::End::CutOff;
            throw ParseFailure{"text ends inside a line"};
        }
        line = text_.substr(pos_, stop - pos_);
        const bool crLf = text_[stop] == '\r' && stop + 1 < text_.size() && text_[stop + 1] == '\n';
        pos_ = stop + (crLf ? 2 : 1);
        return true;
    }

    RegBlock KeyLine(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') throw ParseFailure{"key line without closing bracket"};
        std::string_view path = line.substr(1, line.size() - 2);
        RegBlock block;
        if (!path.empty() && path.front() == '-') {
            block.deleted = true;
            path.remove_prefix(1);
        }
        if (path.empty()) throw ParseFailure{"empty key"};
        size_t partStart = 0;
        size_t parts = 0;
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i < path.size() && lead_.IsLead(path[i])) {
                if (++i == path.size()) throw ParseFailure{"key name ends inside a character"};
                continue;
            }
            if (i == path.size() || path[i] == '\\') {
                if (i == partStart) throw ParseFailure{"empty part in key path"};
                if (parts++ == 0 && !RootByName(path.substr(0, i))) throw ParseFailure{"unknown root"};
                partStart = i + 1;
            }
        }
        // The editor stops reading the file at a deletion of a whole root.
        if (block.deleted && parts == 1) throw ParseFailure{"deletion of a whole root"};
        block.keyPath = std::string(path);
        return block;
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

    void ValueLine(std::string_view line, RegBlock& block) {
        RegValue value;
        size_t at = 0;
        if (line.front() == '@') at = 1;
        else value.name = Quoted(line, at);
        if (at >= line.size() || line[at] != '=') throw ParseFailure{"value name without ="};
        const std::string_view data = line.substr(at + 1);
        if (data == "-") {
            Forget(block, value.name);
            block.deletedValues.push_back(std::move(value.name));
            return;
        }
        if (!data.empty() && data.front() == '"') {
            size_t end = 0;
            value.type = RegType::String;
            value.data = Quoted(data, end);
            if (end != data.size()) throw ParseFailure{"text after quoted data"};
            if (form_ == RegTextForm::Unicode) value.data = Utf8ToUtf16Le(value.data) + std::string(2, '\0');
            else value.data.push_back('\0');
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
            const bool textType =
                type == RegType::String || type == RegType::ExpandString || type == RegType::MultiString;
            if (textType) EndText(value.data);
        } else {
            throw ParseFailure{"unknown data form"};
        }
        Forget(block, value.name);
        block.values.push_back(std::move(value));
    }

    // String types given as bytes are stored as text, and the importer ends a
    // text whose last character is not NUL. In a Unicode file the bytes are
    // UTF-16, and an odd count would leave it writing past them.
    void EndText(std::string& data) const {
        if (data.empty()) return;
        if (form_ == RegTextForm::Ansi) {
            if (data.back() != '\0') data.push_back('\0');
            return;
        }
        if (data.size() % 2 != 0) throw ParseFailure{"text of an odd number of bytes"};
        if (data[data.size() - 2] != '\0' || data.back() != '\0') data.append(2, '\0');
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
                if (!NextLine(next)) {
                    end_ = RegParseResult::End::Continued;
                    throw ParseFailure{"continuation at end of text"};
                }
                while (!next.empty() && (next.front() == ' ' || next.front() == '\t')) next.remove_prefix(1);
                list = next;
            } else if (list.empty()) {
                throw ParseFailure{"hex list ends with a comma"};
            }
        }
    }

    // A name given again in the same key replaces what its earlier line said.
    // A set of the block's names keeps a key with many thousands of values
    // from costing a look at every earlier one.
    void Forget(RegBlock& block, const std::string& name) {
        if (blockNames_.insert(RegNameKey(name, form_)).second) return;
        const auto same = [&](const std::string& other) { return RegNameKey(other, form_) == RegNameKey(name, form_); };
        std::erase_if(block.values, [&](const RegValue& v) { return same(v.name); });
        std::erase_if(block.deletedValues, same);
    }

    std::string_view text_;
    const LeadBytes& lead_;
    RegTextForm form_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    size_t keyLineStart_ = std::string_view::npos;
    size_t lineNumber_ = 0;
    RegParseResult::End end_ = RegParseResult::End::Damaged;
    std::unordered_set<std::string> blockNames_;
};

}  // namespace

std::string RegNameKey(std::string_view name, RegTextForm form) {
    if (form == RegTextForm::Ansi) return UpperAnsi(name);
    std::string key(name);
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

RegParseResult ParseRegText(std::string_view text, bool requireHeader, const LeadBytes& leadBytes, RegTextForm form) {
    // UTF-8 has no two-byte characters of a code page.
    static const LeadBytes kNone;
    return Reader(text, form == RegTextForm::Unicode ? kNone : leadBytes, form).Run(requireHeader);
}

}  // namespace ks
