#include "loopback_tcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ScopedFd::~ScopedFd() { reset(); }

ScopedFd& ScopedFd::operator=(ScopedFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int ScopedFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void ScopedFd::reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
}

namespace {

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool WaitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, static_cast<int>(left.count())) > 0;
}

}  // namespace

LoopbackListener::LoopbackListener(std::uint16_t port) {
    ScopedFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int yes = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = LoopbackAddress(port);
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    if (listen(fd.get(), 8) != 0) return;
    socklen_t size = sizeof address;
    getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    socket_ = std::move(fd);
}

ScopedFd LoopbackListener::Accept(std::chrono::milliseconds wait) {
    if (!WaitReadable(socket_.get(), std::chrono::steady_clock::now() + wait)) return ScopedFd();
    return ScopedFd(accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC));
}

std::uint16_t UnusedLoopbackPort() {
    LoopbackListener probe;
    return probe.port();
}

std::string ReadUntil(int fd, const std::string& marker, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string text;
    while (marker.empty() || text.find(marker) == std::string::npos) {
        if (!WaitReadable(fd, deadline)) break;
        char chunk[4096];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

std::string ReadUntilClosed(int fd, std::chrono::milliseconds wait) { return ReadUntil(fd, "", wait); }

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

std::future<std::string> ServeHttpOnce(LoopbackListener& listener, const std::string& status,
                                       const std::string& body) {
    return std::async(std::launch::async, [&listener, status, body] {
        ScopedFd client = listener.Accept();
        if (!client.valid()) return std::string("(no request)");
        const std::string request = ReadUntil(client.get(), "\r\n\r\n");
        WriteAll(client.get(), "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                   "\r\nConnection: close\r\n\r\n" + body);
        return request.substr(0, request.find("\r\n"));
    });
}
