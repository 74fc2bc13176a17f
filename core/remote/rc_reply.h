#pragma once
// Appends the fields of a reply payload; integers little-endian, texts without their NUL.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class RcReply {
public:
    explicit RcReply(std::span<std::uint8_t> out) : out_(out) {}

    void Byte(std::uint8_t value) { Bytes(&value, 1); }
    void Int32(std::int32_t value);
    void Text(const std::string& text) { Bytes(text.data(), text.size()); }
    // Bytes beyond the room left are dropped: the buffer is sized for the largest reply.
    void Bytes(const void* data, std::size_t length);

    std::size_t Size() const { return size_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t size_ = 0;
};
