#pragma once
// Integers in pinpad payloads are little-endian whatever the host's byte order.

#include <cstdint>

inline std::int32_t ReadInt32Le(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                     static_cast<std::uint32_t>(bytes[1]) << 8 |
                                     static_cast<std::uint32_t>(bytes[2]) << 16 |
                                     static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline void WriteInt32Le(std::int32_t value, std::uint8_t* bytes) {
    const auto bits = static_cast<std::uint32_t>(value);
    bytes[0] = static_cast<std::uint8_t>(bits);
    bytes[1] = static_cast<std::uint8_t>(bits >> 8);
    bytes[2] = static_cast<std::uint8_t>(bits >> 16);
    bytes[3] = static_cast<std::uint8_t>(bits >> 24);
}
