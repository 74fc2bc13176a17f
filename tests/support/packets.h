#pragma once
// Packets and frames built with the core's own encoder, for tests that play the pinpad.

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Type letter, payload and CRC.
Bytes PacketOf(std::uint8_t type, const Bytes& payload = {});
// The packet framed for the wire.
Bytes FrameOf(const Bytes& packet);
