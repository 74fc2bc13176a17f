#pragma once
// The payloads the simulated pinpad sends during a sale, and the transaction block it reads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// What the host handed over in its reply to 'A'.
struct OfferedTransaction {
    std::uint16_t type = 0;
    std::int32_t amount = 0;
    std::string reference;
};
// A 360-byte block with the signature, or nothing (the two zero bytes of "nothing pending").
std::optional<OfferedTransaction> ParseTransactionOffer(const Bytes& reply);

// The fixed message the pinpad sends its payment host. It holds DLE, STX and ETX bytes, so
// it also shows that the link's escaping and the relay keep bytes as they are.
const Bytes& AuthorisationRequest();

// Amount in cents as "12.50".
std::string FormatAmount(std::int32_t amount);

// 'S' payload: an int32 the host keeps, the count, the codes.
Bytes AllowedTypesPayload(const std::vector<std::uint16_t>& codes);
// 'G' payload: one unused byte, line, int32 flags, text with its NUL.
Bytes ShowTextPayload(std::uint8_t line, std::int32_t flags, const std::string& text);
// 'C' payload: the 104-byte connect request (host name, port big-endian, BCD time-out).
Bytes ConnectPayload(const std::string& host, std::uint16_t port, std::uint8_t timeoutBcd);
// 'D', 'E', 'F' payloads.
Bytes SocketPayload(std::int32_t socket);
Bytes SendPayload(std::int32_t socket, const Bytes& data);
Bytes ReceivePayload(std::int32_t socket, std::int32_t maximum);
// A text with its NUL ('N', 'M').
Bytes TextPayload(const std::string& text);

// 'U' payload: the 360-byte result block.
Bytes ResultBlock(const OfferedTransaction& sale, bool approved);
// The ticket's record stream (tag, length, content records).
Bytes TicketRecords(const OfferedTransaction& sale, bool approved);
// 'I' payload: int32 length, then the records.
Bytes TicketPayload(const Bytes& records);
std::string SmsText(const OfferedTransaction& sale, bool approved);

// Little-endian int32 at offset; 0 when the bytes are not there.
std::int32_t ReadInt32(const Bytes& bytes, std::size_t offset);
