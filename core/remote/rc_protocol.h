#pragma once
// The remote-control wire format shared by the server and the cash-register client:
// a 4-byte big-endian length N, then N bytes: the message code and its payload.
// Integers inside payloads are little-endian.

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kRcDefaultPort = 20268;

inline constexpr std::size_t kRcLengthFieldSize = 4;
inline constexpr std::size_t kRcHeaderSize = 5;  // length field and code
// Receive and reply buffer of one connection; a request, length field included, must fit.
inline constexpr std::size_t kRcBufferSize = 16324;

enum RcCode : std::uint8_t {
    MESSAGE_HELLO = 1,
    MESSAGE_START_TRANS = 2,
    MESSAGE_POLL_TRANS_RESULT = 3,
    MESSAGE_QUERY_COMM_THREAD = 4,
    MESSAGE_STOP_COMM_THREAD = 5,
    MESSAGE_START_COMM_THREAD = 6,
    MESSAGE_GET_LAST_TICKET = 8,
    MESSAGE_SEND_CONFIGURATION = 9,
    MESSAGE_GET_SCREEN_LAYOUT = 10,
    MESSAGE_GET_ALLOWED_TRANS_TAB = 11,
};

// MESSAGE_START_TRANS request payload.
inline constexpr std::size_t kRcTypeFieldSize = 4;
inline constexpr std::size_t kRcAmountFieldSize = 12;
inline constexpr std::size_t kRcGsmFieldSize = 64;
inline constexpr std::size_t kRcReferenceFieldSize = 64;
inline constexpr std::size_t kRcAmountOffset = kRcTypeFieldSize;
inline constexpr std::size_t kRcGsmOffset = kRcAmountOffset + kRcAmountFieldSize;
inline constexpr std::size_t kRcReferenceOffset = kRcGsmOffset + kRcGsmFieldSize;
inline constexpr std::size_t kRcStartTransSize = kRcReferenceOffset + kRcReferenceFieldSize;  // 144

// MESSAGE_SEND_CONFIGURATION sub-codes and block.
inline constexpr std::uint8_t kRcConfigGet = 0;
inline constexpr std::uint8_t kRcConfigSet = 1;
inline constexpr std::size_t kRcConfigBlockSize = 476;
inline constexpr std::uint8_t kRcConfigReadFailed = 0xFF;
inline constexpr std::uint8_t kRcConfigWriteFailed = 0xFE;

inline constexpr std::size_t kRcResultBlockSize = 360;
inline constexpr std::size_t kRcScreenLayoutSize = 147;
inline constexpr std::size_t kRcAllowedTableSize = 576;
inline constexpr std::size_t kRcMaxTicketSize = 16000;

// MESSAGE_STOP_COMM_THREAD / MESSAGE_START_COMM_THREAD status bytes.
inline constexpr std::uint8_t kRcLinkOk = 0;
inline constexpr std::uint8_t kRcLinkStopping = 1;
inline constexpr std::uint8_t kRcLinkRunning = 2;

inline std::uint32_t ReadRcLength(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

inline void WriteRcLength(std::uint8_t* bytes, std::uint32_t length) {
    bytes[0] = static_cast<std::uint8_t>(length >> 24);
    bytes[1] = static_cast<std::uint8_t>(length >> 16);
    bytes[2] = static_cast<std::uint8_t>(length >> 8);
    bytes[3] = static_cast<std::uint8_t>(length);
}
