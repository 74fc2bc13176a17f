#include "frame.h"

#include <array>
#include <cstring>

#include "config/log.h"

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0xC0C1 && kCrcTable[2] == 0xC181 && kCrcTable[3] == 0x0140);

}  // namespace

std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t length) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
    }
    return crc;
}

void BuildPacket(std::uint8_t type, const std::uint8_t* payload, std::size_t payloadLength,
                 std::uint8_t* out, std::size_t& outLength) {
    out[0] = type;
    if (payload != nullptr && payloadLength != 0) std::memmove(out + 1, payload, payloadLength);
    const std::uint16_t crc = ComputeCrc16(out, payloadLength + 1);
    out[payloadLength + 1] = static_cast<std::uint8_t>(crc & 0xFF);
    out[payloadLength + 2] = static_cast<std::uint8_t>(crc >> 8);
    outLength = payloadLength + 3;
}

bool IsKnownPacketType(std::uint8_t type) {
    switch (type) {
        case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G': case 'I':
        case 'M': case 'N': case 'P': case 'R': case 'S': case 'T': case 'U':
            return true;
        default:
            return false;
    }
}

int VerifyPacket(const std::uint8_t* packet, std::size_t length) {
    const bool crcGood =
        length >= 2 &&
        ComputeCrc16(packet, length - 2) ==
            static_cast<std::uint16_t>(packet[length - 2] | (packet[length - 1] << 8));
    if (!crcGood) {
        LogMessage("Warning: CRC WRONG");
        LogMessage("Failed CRC");
        return -1;
    }
    if (!IsKnownPacketType(packet[0])) {
        LogMessage("Unknown packet type - %02X", static_cast<unsigned>(packet[0]));
        return -2;
    }
    return 0;
}

std::size_t EncodedFrameLength(const std::uint8_t* packet, std::size_t length) {
    std::size_t doubled = 0;
    for (std::size_t i = 0; i < length; ++i) doubled += packet[i] == DLE ? 1 : 0;
    return length + doubled + 5;
}

std::size_t EncodeFrame(const std::uint8_t* packet, std::size_t length, std::uint8_t* out) {
    std::size_t pos = 0;
    out[pos++] = DLE;
    out[pos++] = STX;
    std::uint8_t lrc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        // A doubled DLE goes into the LRC twice and so cancels out.
        out[pos++] = packet[i];
        if (packet[i] == DLE) out[pos++] = DLE;
        else lrc ^= packet[i];
    }
    out[pos++] = DLE;
    out[pos++] = ETX;
    lrc ^= DLE ^ ETX;
    out[pos++] = lrc;
    return pos;
}
