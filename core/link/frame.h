#pragma once
// Packets (type letter, payload, CRC-16) and the link frames that carry them.

#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t EOT = 0x04;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t DLE = 0x10;
inline constexpr std::uint8_t NAK = 0x15;

// Request and reply buffers on both sides of the dispatcher.
inline constexpr std::size_t kPacketBufferSize = 16000;
// Work area in which an outgoing frame is built.
inline constexpr std::size_t kFrameWorkAreaSize = 16024;

// CRC-16/ARC (reflected 0x8005, initial 0, no final XOR).
std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t length);

// Writes type, payload and CRC (low byte first) to out, which must hold payloadLength + 3 bytes.
void BuildPacket(std::uint8_t type, const std::uint8_t* payload, std::size_t payloadLength,
                 std::uint8_t* out, std::size_t& outLength);

bool IsKnownPacketType(std::uint8_t type);

// 0 = good; -1 = CRC wrong (or no room for one); -2 = CRC good, type letter not accepted.
int VerifyPacket(const std::uint8_t* packet, std::size_t length);

// Number of bytes EncodeFrame writes for this packet.
std::size_t EncodedFrameLength(const std::uint8_t* packet, std::size_t length);

// DLE STX, the packet with every DLE doubled, DLE ETX, LRC. Returns the frame length.
std::size_t EncodeFrame(const std::uint8_t* packet, std::size_t length, std::uint8_t* out);
