#include "request_fields.h"

#include <algorithm>

#include "config/log.h"
#include "link/frame.h"
#include "output/little_endian.h"

namespace {
constexpr std::size_t kPacketOverhead = 3;  // letter and CRC
}  // namespace

RequestFields::RequestFields(const std::uint8_t* packet, std::size_t length)
    : packet_(packet), end_(length >= kPacketOverhead ? length - 2 : 1) {}

bool RequestFields::Has(std::size_t offset, std::size_t count) const {
    return offset >= 1 && offset <= end_ && count <= end_ - offset;
}

std::size_t RequestFields::BytesFrom(std::size_t offset) const { return offset < end_ ? end_ - offset : 0; }

std::int32_t RequestFields::Int32(std::size_t offset) const { return ReadInt32Le(packet_ + offset); }

std::uint16_t RequestFields::Uint16(std::size_t offset) const {
    return static_cast<std::uint16_t>(packet_[offset] | packet_[offset + 1] << 8);
}

std::string RequestFields::Text(std::size_t offset, std::size_t maxLength, bool& terminated) const {
    const std::size_t available = BytesFrom(offset);
    const std::size_t limit = std::min(available, maxLength);
    const auto* start = reinterpret_cast<const char*>(packet_ + offset);
    const auto* nul = std::find(start, start + limit, '\0');
    terminated = nul != start + limit || maxLength <= available;
    return std::string(start, nul);
}

void ReplyBuilder::Build(std::uint8_t type, const std::uint8_t* payload, std::size_t payloadLength) {
    if (payloadLength + kPacketOverhead > capacity_) {
        LogMessage("Error: reply %c does not fit (%d bytes)", type, static_cast<int>(payloadLength + kPacketOverhead));
        length_ = 0;
        return;
    }
    BuildPacket(type, payload, payloadLength, buffer_, length_);
}

void ReplyBuilder::BuildInt32(std::uint8_t type, std::int32_t value) {
    std::uint8_t payload[4];
    WriteInt32Le(value, payload);
    Build(type, payload, sizeof payload);
}
