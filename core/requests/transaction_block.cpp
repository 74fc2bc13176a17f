#include <algorithm>
#include <cstring>

#include "transaction.h"

namespace {

constexpr char kSignature[] = "13993";  // stored with its NUL
constexpr std::uint16_t kBlockMarker = 0x8800;
constexpr std::size_t kMarkerOffset = 6;
constexpr std::size_t kAmountOffset = 12;
constexpr std::size_t kTypeOffset = 16;
constexpr std::size_t kReferenceOffset = 114;

void PutLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::uint8_t* at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace

TransactionBlock MakeTransactionBlock(std::uint16_t typeCode, std::int32_t amount, const std::string& reference) {
    TransactionBlock block{};
    std::memcpy(block.data(), kSignature, sizeof kSignature);
    PutLe16(block.data() + kMarkerOffset, kBlockMarker);
    PutLe32(block.data() + kAmountOffset, amount);
    PutLe16(block.data() + kTypeOffset, typeCode);
    // The reference field keeps room for its NUL.
    const std::size_t length = std::min(reference.size(), kTransactionBlockSize - kReferenceOffset - 1);
    std::memcpy(block.data() + kReferenceOffset, reference.data(), length);
    return block;
}

bool IsFilledTransactionBlock(const std::uint8_t* block) {
    return std::memcmp(block, kSignature, sizeof kSignature - 1) == 0;
}
