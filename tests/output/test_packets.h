#pragma once
// Building request packets and taking replies apart in tests.

#include <cstdint>
#include <string>
#include <vector>

#include "link/frame.h"
#include "output/little_endian.h"

using Bytes = std::vector<std::uint8_t>;

// Type letter, payload and CRC, exactly as long as that: a read past it is caught.
inline Bytes MakePacket(char type, const Bytes& payload) {
    Bytes packet(payload.size() + 3);
    std::size_t length = 0;
    BuildPacket(static_cast<std::uint8_t>(type), payload.data(), payload.size(), packet.data(), length);
    return packet;
}

inline Bytes Int32Bytes(std::int32_t value) {
    Bytes bytes(4);
    WriteInt32Le(value, bytes.data());
    return bytes;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A reply as the handlers build it.
struct Reply {
    int status = -1;
    Bytes packet;  // letter, payload, CRC

    Bytes payload() const {
        return packet.size() < 3 ? Bytes() : Bytes(packet.begin() + 1, packet.end() - 2);
    }
    std::int32_t result() const { return ReadInt32Le(packet.data() + 1); }
    bool crcGood() const { return VerifyPacket(packet.data(), packet.size()) == 0; }
};

template <typename Handler>
Reply CallHandler(Handler handler, const Bytes& packet, std::size_t capacity = kPacketBufferSize) {
    Reply reply;
    Bytes buffer(capacity);
    std::size_t length = 0;
    reply.status = handler(packet.data(), packet.size(), buffer.data(), buffer.size(), length);
    buffer.resize(length);
    reply.packet = std::move(buffer);
    return reply;
}
