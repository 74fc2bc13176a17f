#pragma once
// Reading a request's fields by their packet offsets (1 = first payload byte) without ever
// reading past the payload, and building the reply packet within the caller's buffer.

#include <cstddef>
#include <cstdint>
#include <string>

class RequestFields {
public:
    // packet holds the type letter, the payload and the two CRC bytes.
    RequestFields(const std::uint8_t* packet, std::size_t length);

    std::uint8_t Type() const { return packet_[0]; }
    // Payload bytes, CRC excluded.
    std::size_t PayloadLength() const { return end_ - 1; }
    // True when count bytes starting at packet offset are inside the payload.
    bool Has(std::size_t offset, std::size_t count) const;
    // Bytes from offset to the end of the payload (0 when offset is past it).
    std::size_t BytesFrom(std::size_t offset) const;

    // Callers check Has first.
    const std::uint8_t* At(std::size_t offset) const { return packet_ + offset; }
    std::uint8_t Byte(std::size_t offset) const { return packet_[offset]; }
    std::int32_t Int32(std::size_t offset) const;
    std::uint16_t Uint16(std::size_t offset) const;

    // The text at offset: up to its NUL, at most maxLength characters, never past the payload.
    // terminated tells whether it ended at a NUL or the limit rather than at the packet's end.
    std::string Text(std::size_t offset, std::size_t maxLength, bool& terminated) const;

private:
    const std::uint8_t* packet_;
    std::size_t end_;  // offset of the first CRC byte
};

class ReplyBuilder {
public:
    ReplyBuilder(std::uint8_t* buffer, std::size_t capacity, std::size_t& length)
        : buffer_(buffer), capacity_(capacity), length_(length) {}

    // Builds the reply packet; a reply that would not fit the buffer is not built (and logged).
    void Build(std::uint8_t type, const std::uint8_t* payload, std::size_t payloadLength);
    void BuildInt32(std::uint8_t type, std::int32_t value);

private:
    std::uint8_t* buffer_;
    std::size_t capacity_;
    std::size_t& length_;
};
