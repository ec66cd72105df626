// Taking a fuzzer's bytes apart into the pieces a target needs: small
// numbers, choices, and texts of bounded length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ks::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::size_t Left() const { return size_ - at_; }

    // 0 once the bytes run out.
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool Flag() { return (Byte() & 1) != 0; }
    std::uint32_t Number() {
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i) n = (n << 8) | Byte();
        return n;
    }
    // A length byte, then that many bytes (fewer when the input ends).
    std::string Text(std::size_t longest = 255) {
        std::size_t length = Byte();
        if (length > longest) length = longest;
        return Take(length);
    }
    // Bytes up to the next zero byte or the end; the zero is consumed.
    std::string Line() {
        std::string out;
        while (at_ < size_ && data_[at_] != 0) out += static_cast<char>(data_[at_++]);
        if (at_ < size_) ++at_;
        return out;
    }
    std::string Take(std::size_t length) {
        if (length > Left()) length = Left();
        std::string out(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return out;
    }
    std::string Rest() { return Take(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace ks::fuzz
