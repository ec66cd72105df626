// Strict readers for what keyscrub-cli writes, for the tests: CSV as RFC 4180
// has it and JSON as RFC 8259 has it (raw control characters in a string are
// an error, escapes are decoded to UTF-8). A reader that fails answers
// nothing, so a test sees a malformed document as a failure.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::test {

// Rows of fields. Quoted fields may hold commas, doubled quotes and line
// breaks; records end in CR LF.
inline std::optional<std::vector<std::vector<std::string>>> ReadCsv(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) return std::nullopt;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                if (text[i] == '"') return std::nullopt;
                field += text[i++];
            }
        }
        if (i < text.size() && text[i] == ',') {
            row.push_back(std::move(field));
            field.clear();
            ++i;
            continue;
        }
        if (text.substr(i, 2) != "\r\n") return std::nullopt;
        row.push_back(std::move(field));
        field.clear();
        rows.push_back(std::move(row));
        row.clear();
        i += 2;
    }
    return rows;
}

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json* Member(const std::string& name) const {
        const auto found = members.find(name);
        return found == members.end() ? nullptr : &found->second;
    }
};

class JsonReader {
public:
    static std::optional<Json> Read(std::string_view text) {
        JsonReader reader(text);
        Json value;
        if (!reader.Value(value, 0)) return std::nullopt;
        reader.Blanks();
        if (reader.at_ != text.size()) return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }
    bool Take(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }
    static void PutUtf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    bool Hex4(std::uint32_t& code) {
        code = 0;
        for (int n = 0; n < 4; ++n, ++at_) {
            if (at_ >= text_.size()) return false;
            const char c = text_[at_];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }
    bool String(std::string& out) {
        if (!Take("\"")) return false;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char e = text_[at_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t code = 0;
                if (!Hex4(code)) return false;
                if (code >= 0xD800 && code < 0xDC00) {
                    std::uint32_t low = 0;
                    if (!Take("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return false;
                }
                PutUtf8(out, code);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool Value(Json& value, int depth) {
        if (depth > 64) return false;
        Blanks();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{') {
            value.kind = Json::Kind::Object;
            ++at_;
            Blanks();
            if (Take("}")) return true;
            for (;;) {
                Blanks();
                std::string name;
                if (!String(name)) return false;
                Blanks();
                if (!Take(":")) return false;
                Json member;
                if (!Value(member, depth + 1)) return false;
                if (!value.members.emplace(name, std::move(member)).second) return false;
                Blanks();
                if (Take("}")) return true;
                if (!Take(",")) return false;
            }
        }
        if (c == '[') {
            value.kind = Json::Kind::Array;
            ++at_;
            Blanks();
            if (Take("]")) return true;
            for (;;) {
                Json item;
                if (!Value(item, depth + 1)) return false;
                value.items.push_back(std::move(item));
                Blanks();
                if (Take("]")) return true;
                if (!Take(",")) return false;
            }
        }
        if (c == '"') {
            value.kind = Json::Kind::String;
            return String(value.text);
        }
        if (Take("true") || Take("false")) {
            value.kind = Json::Kind::Bool;
            value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
            return true;
        }
        if (Take("null")) return true;
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
        if (at_ == start) return false;
        value.kind = Json::Kind::Number;
        value.number = std::stod(std::string(text_.substr(start, at_ - start)));
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace ks::test
