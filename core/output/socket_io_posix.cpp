#include "socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

timeval ToTimeval(std::chrono::milliseconds wait) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(wait.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((wait.count() % 1000) * 1000);
    return tv;
}

bool SetBlocking(int handle, bool blocking) {
    const int flags = fcntl(handle, F_GETFL, 0);
    if (flags < 0) return false;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(handle, F_SETFL, wanted) == 0;
}

// Waits for a non-blocking connect to finish, restarting the wait after signals.
bool WaitConnected(int handle, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd entry{handle, POLLOUT, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        int error = 0;
        socklen_t size = sizeof error;
        return getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
}

int ClampToInt(ssize_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

}  // namespace

// Nothing to start on POSIX.
int StartSocketLayer() { return 0; }

bool ResolveIpv4(const char* name, std::uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

int OpenTcpSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP); }

bool ConnectTcpSocket(int handle, std::uint32_t address, std::uint16_t port,
                      std::chrono::milliseconds wait) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (!SetBlocking(handle, false)) return false;
    bool connected = connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    if (!connected && errno == EINPROGRESS) connected = WaitConnected(handle, wait);
    return SetBlocking(handle, true) && connected;
}

void SetReceiveWait(int handle, std::chrono::milliseconds wait) {
    const timeval tv = ToTimeval(wait);
    setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

void SetSendWait(int handle, std::chrono::milliseconds wait) {
    const timeval tv = ToTimeval(wait);
    setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

void CloseTcpSocket(int handle) { close(handle); }

int SendOnSocket(int handle, const std::uint8_t* bytes, std::size_t count) {
    // A peer that went away must cost us an error result, not the process (SIGPIPE).
    return ClampToInt(send(handle, bytes, count, MSG_NOSIGNAL));
}

int ReceiveOnSocket(int handle, std::uint8_t* buffer, std::size_t maximum) {
    return ClampToInt(recv(handle, buffer, maximum, 0));
}
