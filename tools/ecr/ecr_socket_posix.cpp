#include "ecr_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace ecr {

namespace {

int MillisecondsLeft(Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// 1 ready, 0 deadline passed, -1 failed.
int WaitFor(int socket, short events, Deadline deadline) {
    for (;;) {
        pollfd waiting{socket, events, 0};
        const int result = ::poll(&waiting, 1, MillisecondsLeft(deadline));
        if (result < 0 && errno == EINTR) continue;
        return result < 0 ? -1 : (result == 0 ? 0 : 1);
    }
}

// A non-blocking connect bounded by the deadline.
int ConnectOne(const addrinfo& address, Deadline deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0) return -1;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        int error = errno;
        if (error == EINPROGRESS && WaitFor(fd, POLLOUT, deadline) == 1) {
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        } else if (error == EINPROGRESS) {
            error = ETIMEDOUT;
        }
        if (error != 0) {
            ::close(fd);
            return -1;
        }
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

int ConnectTcp(const std::string& host, unsigned short port, Deadline deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) return -1;
    int fd = -1;
    for (const addrinfo* address = addresses; address != nullptr && fd < 0; address = address->ai_next) {
        fd = ConnectOne(*address, deadline);
    }
    ::freeaddrinfo(addresses);
    return fd;
}

void CloseTcp(int socket) { ::close(socket); }

IoResult SendAll(int socket, const void* data, std::size_t size, Deadline deadline) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int ready = WaitFor(socket, POLLOUT, deadline);
            if (ready == 0) return IoResult::Timeout;
            if (ready < 0) return IoResult::Failed;
            continue;
        }
        return errno == EPIPE || errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
    return IoResult::Done;
}

IoResult ReceiveExactly(int socket, void* buffer, std::size_t size, Deadline deadline) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::recv(socket, bytes, size, 0);
        if (got > 0) {
            bytes += got;
            size -= static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) return IoResult::Closed;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const int ready = WaitFor(socket, POLLIN, deadline);
            if (ready == 0) return IoResult::Timeout;
            if (ready < 0) return IoResult::Failed;
            continue;
        }
        return errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
    return IoResult::Done;
}

}  // namespace ecr
