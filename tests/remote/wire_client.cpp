#include "wire_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "remote/rc_protocol.h"

WireClient::WireClient(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

WireClient::~WireClient() {
    if (fd_ >= 0) ::close(fd_);
}

void WireClient::Send(const Bytes& bytes) {
    if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("send failed");
    }
}

bool WireClient::ReadExactly(std::uint8_t* out, std::size_t count, std::chrono::steady_clock::time_point end) {
    std::size_t got = 0;
    while (got < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) return false;
        const ssize_t n = ::recv(fd_, out + got, count - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

Bytes WireClient::ReadReply(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    Bytes reply(kRcLengthFieldSize);
    if (!ReadExactly(reply.data(), kRcLengthFieldSize, end)) return {};
    const std::uint32_t length = ReadRcLength(reply.data());
    reply.resize(kRcLengthFieldSize + length);
    if (!ReadExactly(reply.data() + kRcLengthFieldSize, length, end)) return {};
    return reply;
}

bool WireClient::WaitClosed(std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    std::uint8_t byte;
    while (std::chrono::steady_clock::now() < end) {
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        if (::recv(fd_, &byte, 1, 0) <= 0) return true;
    }
    return false;
}

Bytes WireClient::Ask(std::uint8_t code, const Bytes& payload) {
    Send(RcRequest(code, payload));
    const Bytes reply = ReadReply();
    if (reply.size() < kRcHeaderSize || reply[kRcLengthFieldSize] != code) return {};
    return Bytes(reply.begin() + kRcHeaderSize, reply.end());
}

Bytes RcRequest(std::uint8_t code, const Bytes& payload) {
    Bytes request(kRcHeaderSize + payload.size());
    WriteRcLength(request.data(), static_cast<std::uint32_t>(payload.size() + 1));
    request[kRcLengthFieldSize] = code;
    std::copy(payload.begin(), payload.end(), request.begin() + kRcHeaderSize);
    return request;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string AsText(const Bytes& bytes, std::size_t from) {
    return from >= bytes.size() ? std::string() : std::string(bytes.begin() + static_cast<long>(from), bytes.end());
}

std::int32_t Int32At(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::int32_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8) | (bytes.at(offset + 2) << 16) |
                                     (static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24));
}

