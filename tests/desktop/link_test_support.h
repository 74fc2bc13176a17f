#pragma once
// Waiting while the window's event loop runs, and a loopback port nobody listens on.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <functional>

#include "support/test_env.h"

// Bound once by us and let go again.
inline std::uint16_t FreeTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// WaitFor with the window served in between: queued calls from the workers land meanwhile.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(15)) {
    return WaitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return condition();
        },
        deadline);
}
