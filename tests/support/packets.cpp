#include "packets.h"

#include "link/frame.h"

Bytes PacketOf(std::uint8_t type, const Bytes& payload) {
    Bytes packet(payload.size() + 3);
    std::size_t length = 0;
    BuildPacket(type, payload.data(), payload.size(), packet.data(), length);
    return packet;
}

Bytes FrameOf(const Bytes& packet) {
    Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
    EncodeFrame(packet.data(), packet.size(), frame.data());
    return frame;
}
