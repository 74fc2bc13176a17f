#pragma once
// A cash register reduced to the wire: raw bytes to the server, raw replies back.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/free_port.h"

#include "remote/rc_protocol.h"

using Bytes = std::vector<std::uint8_t>;

class WireClient {
public:
    explicit WireClient(std::uint16_t port);
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    void Send(const Bytes& bytes);
    // One whole reply (length field and all), or empty when none came in time.
    Bytes ReadReply(std::chrono::milliseconds deadline = std::chrono::seconds(5));
    // True when the server closed the connection within the deadline.
    bool WaitClosed(std::chrono::milliseconds deadline = std::chrono::seconds(5));
    // Sends a request with the code and payload and returns the reply's payload.
    Bytes Ask(std::uint8_t code, const Bytes& payload = {});

private:
    // Reads exactly count bytes unless the deadline passes or the peer closes.
    bool ReadExactly(std::uint8_t* out, std::size_t count, std::chrono::steady_clock::time_point end);
    int fd_ = -1;
};

// A request: the big-endian length, the code and the payload.
Bytes RcRequest(std::uint8_t code, const Bytes& payload = {});
Bytes TextBytes(const std::string& text);
std::string AsText(const Bytes& bytes, std::size_t from = 0);
std::int32_t Int32At(const Bytes& bytes, std::size_t offset);
