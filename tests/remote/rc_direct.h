#pragma once
// Runs one request through HandleRcMessage, no socket involved.

#include "remote/rc_message.h"
#include "wire_client.h"

// The reply's payload; the reply's code must be the request's.
inline Bytes Answer(std::uint8_t code, const Bytes& payload = {}) {
    const Bytes request = RcRequest(code, payload);
    Bytes reply(kRcBufferSize);
    std::size_t length = 0;
    if (HandleRcMessage(request.data(), request.size(), reply.data(), length) != 0) return {};
    if (length < kRcHeaderSize || reply[kRcLengthFieldSize] != code ||
        ReadRcLength(reply.data()) != length - kRcLengthFieldSize) {
        return {0xEE};  // never a valid reply payload on its own
    }
    return Bytes(reply.begin() + kRcHeaderSize, reply.begin() + static_cast<long>(length));
}
