#include "rc_reply.h"

#include <algorithm>
#include <cstring>

void RcReply::Int32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                   static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    Bytes(bytes, sizeof bytes);
}

void RcReply::Bytes(const void* data, std::size_t length) {
    const std::size_t room = out_.size() - size_;
    const std::size_t count = std::min(length, room);
    if (count > 0) std::memcpy(out_.data() + size_, data, count);
    size_ += count;
}
