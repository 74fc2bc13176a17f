#include "rc_message.h"

#include <cstring>

#include "config/log.h"
#include "remote/rc_catalogue.h"

std::size_t BuildRcReply(std::uint8_t* message, std::uint8_t code, const std::uint8_t* payload,
                         int payloadLength) {
    const std::size_t length = payloadLength > 0 ? static_cast<std::size_t>(payloadLength) : 0;
    WriteRcLength(message, static_cast<std::uint32_t>(length + 1));
    message[kRcLengthFieldSize] = code;
    if (length > 0) std::memmove(message + kRcHeaderSize, payload, length);
    return length + kRcHeaderSize;
}

int HandleRcMessage(const std::uint8_t* request, std::size_t length, std::uint8_t* reply,
                    std::size_t& replyLength) {
    replyLength = 0;
    if (length < kRcLengthFieldSize ||
        std::uint64_t{ReadRcLength(request)} + kRcLengthFieldSize != length) {
        LogMessage("Error: Packet length corrupted\n");
        return -1;
    }
    if (length < kRcHeaderSize) return -1;  // no code to answer; the connection ends it first

    const std::uint8_t code = request[kRcLengthFieldSize];
    // The payload is built in place behind the header that BuildRcReply writes last.
    RcReply payload(std::span<std::uint8_t>(reply + kRcHeaderSize, kRcBufferSize - kRcHeaderSize));
    HandleRcCode(code, RcPayload(request + kRcHeaderSize, length - kRcHeaderSize), payload);
    replyLength = BuildRcReply(reply, code, reply + kRcHeaderSize, static_cast<int>(payload.Size()));
    return 0;
}
