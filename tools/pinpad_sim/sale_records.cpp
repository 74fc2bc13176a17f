#include "sale_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kBlockSize = 360;
constexpr char kSignature[] = "13993";
constexpr std::size_t kReferenceOffset = 114;
constexpr std::size_t kHostNameField = 101;

void PutInt32(Bytes& out, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void PutUint16(Bytes& out, std::size_t offset, std::uint16_t value) {
    out[offset] = static_cast<std::uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void AppendInt32(Bytes& out, std::int32_t value) {
    out.resize(out.size() + 4);
    PutInt32(out, out.size() - 4, value);
}

void AppendRecord(Bytes& out, std::uint8_t tag, const Bytes& content) {
    out.push_back(tag);
    out.push_back(static_cast<std::uint8_t>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
}

void AppendLine(Bytes& out, std::uint8_t tag, const std::string& text) {
    AppendRecord(out, tag, Bytes(text.begin(), text.end()));
}

}  // namespace

std::int32_t ReadInt32(const Bytes& bytes, std::size_t offset) {
    if (bytes.size() < offset + 4) return 0;
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

std::optional<OfferedTransaction> ParseTransactionOffer(const Bytes& reply) {
    if (reply.size() != kBlockSize || std::memcmp(reply.data(), kSignature, 5) != 0) return std::nullopt;
    OfferedTransaction offer;
    offer.amount = ReadInt32(reply, 12);
    offer.type = static_cast<std::uint16_t>(reply[16] | (reply[17] << 8));
    const auto* reference = reinterpret_cast<const char*>(reply.data() + kReferenceOffset);
    offer.reference.assign(reference, strnlen(reference, kBlockSize - kReferenceOffset));
    return offer;
}

const Bytes& AuthorisationRequest() {
    static const Bytes request{'A', 'U', 'T', 'H', ' ', 0x10, 0x02, 0x10, 0x03, 0x00, 0xFF, '\r', '\n'};
    return request;
}

std::string FormatAmount(std::int32_t amount) {
    const long long value = amount;
    const long long magnitude = value < 0 ? -value : value;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", value < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    return text;
}

Bytes AllowedTypesPayload(const std::vector<std::uint16_t>& codes) {
    Bytes out;
    AppendInt32(out, 0);
    out.push_back(static_cast<std::uint8_t>(codes.size()));
    for (std::uint16_t code : codes) {
        out.push_back(static_cast<std::uint8_t>(code & 0xFF));
        out.push_back(static_cast<std::uint8_t>(code >> 8));
    }
    return out;
}

Bytes ShowTextPayload(std::uint8_t line, std::int32_t flags, const std::string& text) {
    Bytes out{0, line};
    AppendInt32(out, flags);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

Bytes ConnectPayload(const std::string& host, std::uint16_t port, std::uint8_t timeoutBcd) {
    Bytes out(104, 0);
    std::memcpy(out.data(), host.data(), std::min(host.size(), kHostNameField - 1));
    out[101] = static_cast<std::uint8_t>(port >> 8);
    out[102] = static_cast<std::uint8_t>(port & 0xFF);
    out[103] = timeoutBcd;
    return out;
}

Bytes SocketPayload(std::int32_t socket) {
    Bytes out;
    AppendInt32(out, socket);
    return out;
}

Bytes SendPayload(std::int32_t socket, const Bytes& data) {
    Bytes out = SocketPayload(socket);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes ReceivePayload(std::int32_t socket, std::int32_t maximum) {
    Bytes out = SocketPayload(socket);
    AppendInt32(out, maximum);
    return out;
}

Bytes TextPayload(const std::string& text) {
    Bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

Bytes ResultBlock(const OfferedTransaction& sale, bool approved) {
    Bytes block(kBlockSize, 0);
    std::memcpy(block.data(), kSignature, sizeof kSignature);
    PutUint16(block, 6, 0x8800);
    PutInt32(block, 12, sale.amount);
    PutUint16(block, 16, sale.type);
    // Response code as two digits, the way card hosts answer.
    std::memcpy(block.data() + 18, approved ? "00" : "05", 3);
    std::memcpy(block.data() + kReferenceOffset, sale.reference.data(),
                std::min(sale.reference.size(), kBlockSize - kReferenceOffset - 1));
    return block;
}

Bytes TicketRecords(const OfferedTransaction& sale, bool approved) {
    Bytes records;
    AppendRecord(records, 3, {2, 2});
    AppendLine(records, 1, "SALE");
    AppendRecord(records, 3, {1, 1});
    AppendLine(records, 1, "AMOUNT " + FormatAmount(sale.amount));
    AppendLine(records, 1, "REF " + sale.reference);
    AppendLine(records, 2, approved ? "APPROVED" : "DECLINED");
    AppendRecord(records, 4, {});
    AppendLine(records, 1, "THANK YOU");
    return records;
}

Bytes TicketPayload(const Bytes& records) {
    Bytes out;
    AppendInt32(out, static_cast<std::int32_t>(records.size()));
    out.insert(out.end(), records.begin(), records.end());
    return out;
}

std::string SmsText(const OfferedTransaction& sale, bool approved) {
    return "Sale " + FormatAmount(sale.amount) + (approved ? " approved" : " declined") + " ref " + sale.reference;
}
