#include "rc_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

int RcStartSockets() { return 0; }

void RcStopSockets() {}

RcSocket RcCreateSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kInvalidRcSocket;
    // A restarted program binds again at once although old connections linger in TIME_WAIT;
    // a second program still cannot bind while the first one listens.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    return fd;
}

int RcBind(RcSocket socket, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : -1;
}

int RcListen(RcSocket socket, int backlog) { return ::listen(socket, backlog) == 0 ? 0 : -1; }

RcSocket RcAccept(RcSocket listener, std::string& peerAddress) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    int fd;
    do {
        fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kInvalidRcSocket;
    char text[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    peerAddress = text;
    return fd;
}

void RcWake(RcSocket socket) { ::shutdown(socket, SHUT_RDWR); }

void RcClose(RcSocket socket) { ::close(socket); }

int RcSetReceiveTimeout(RcSocket socket, int milliseconds) {
    timeval timeout{};
    timeout.tv_sec = milliseconds / 1000;
    timeout.tv_usec = (milliseconds % 1000) * 1000;
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 ? 0 : -1;
}

void RcSetNoDelay(RcSocket socket) {
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

long RcReceive(RcSocket socket, void* buffer, std::size_t size) {
    ssize_t count;
    do {
        count = ::recv(socket, buffer, size, 0);
    } while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
}

long RcSend(RcSocket socket, const void* data, std::size_t size) {
    ssize_t count;
    do {
        count = ::send(socket, data, size, MSG_NOSIGNAL);
    } while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
}
