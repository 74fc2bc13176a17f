#include "rc_start_trans.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <limits>

#include "remote/rc_protocol.h"

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Up to the first NUL, never past the field.
std::string FieldText(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

}  // namespace

std::uint16_t ParseHexTypeCode(const char* text) {
    std::uint8_t bytes[2] = {0xFF, 0xFF};
    std::size_t digits = 0;
    for (std::size_t i = 0; i < kRcTypeFieldSize && digits < 4; ++i) {
        const int value = HexDigitValue(text[i]);
        if (value < 0) continue;
        std::uint8_t& target = bytes[digits / 2];
        if (digits % 2 == 0) {
            target = static_cast<std::uint8_t>((value << 4) | 0x0F);
        } else {
            target = static_cast<std::uint8_t>((target & 0xF0) | value);
        }
        ++digits;
    }
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::int32_t ParseAmountField(const char* field, std::size_t size) {
    std::size_t i = 0;
    while (i < size && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
    bool negative = false;
    if (i < size && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';

    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; i < size && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = std::min(value * 10 + (field[i] - '0'), kLimit);
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

StartTransRequest ParseStartTrans(std::span<const std::uint8_t> payload) {
    std::array<char, kRcStartTransSize> fields{};
    std::memcpy(fields.data(), payload.data(), std::min(payload.size(), fields.size()));

    StartTransRequest request;
    request.typeCode = ParseHexTypeCode(fields.data());
    request.amount = ParseAmountField(fields.data() + kRcAmountOffset, kRcAmountFieldSize);
    request.gsmNumber = FieldText(fields.data() + kRcGsmOffset, kRcGsmFieldSize);
    request.reference = FieldText(fields.data() + kRcReferenceOffset, kRcReferenceFieldSize);
    return request;
}
