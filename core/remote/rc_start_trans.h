#pragma once
// The MESSAGE_START_TRANS request: type code, amount, GSM number, reference.

#include <cstdint>
#include <span>
#include <string>

struct StartTransRequest {
    std::uint16_t typeCode;
    std::int32_t amount;
    std::string gsmNumber;
    std::string reference;
};

// A payload shorter than 144 bytes reads as if NUL-padded.
StartTransRequest ParseStartTrans(std::span<const std::uint8_t> payload);

// Four characters as hex digits into two bytes, high nibble first; other characters are
// skipped, a byte without a digit stays 0xFF and a lone last digit keeps the low nibble F.
std::uint16_t ParseHexTypeCode(const char* text);

// Leading white space, an optional sign, then digits up to the first other character, all
// within the field: the amount has no NUL of its own and the GSM number follows right behind.
// Saturates at the int32 limits; 0 without digits.
std::int32_t ParseAmountField(const char* field, std::size_t size);
