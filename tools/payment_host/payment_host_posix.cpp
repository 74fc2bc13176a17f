#include "payment_host.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr int kPollMs = 200;
// A pinpad that neither sends nor closes is given up on after this long.
constexpr auto kConnectionLimit = std::chrono::seconds(60);

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// True when fd became readable; false when stopped or nothing came before the limit.
bool WaitReadable(int fd, std::chrono::steady_clock::time_point limit, const std::atomic<bool>& stop) {
    while (!stop.load() && std::chrono::steady_clock::now() < limit) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, kPollMs);
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
    return false;
}

void Serve(int fd, const PaymentHostOptions& options, const std::function<void(const std::string&)>& progress,
           const std::atomic<bool>& stop) {
    const auto limit = std::chrono::steady_clock::now() + kConnectionLimit;
    char buffer[2048];
    if (!WaitReadable(fd, limit, stop)) return;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) {
        progress("connection closed without a request");
        return;
    }
    const ssize_t sent = send(fd, options.answer.data(), options.answer.size(), MSG_NOSIGNAL);
    progress("request of " + std::to_string(got) + " bytes, answered " + std::to_string(sent < 0 ? 0 : sent) +
             " bytes");
    // Held open until the pinpad closes: closing first would look like a broken host.
    while (WaitReadable(fd, limit, stop) && recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    progress("connection closed");
}

}  // namespace

int RunPaymentHost(const PaymentHostOptions& options, const std::function<void(const std::string&)>& progress,
                   const std::atomic<bool>& stop) {
    Fd listener(socket(AF_INET, SOCK_STREAM, 0));
    const int reuse = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(options.port);
    if (listener.get() < 0 || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), 4) != 0) {
        progress(std::string("cannot listen on port ") + std::to_string(options.port) + ": " + std::strerror(errno));
        return 2;
    }
    socklen_t length = sizeof address;
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    progress("listening on 127.0.0.1:" + std::to_string(ntohs(address.sin_port)));

    for (int served = 0; options.connections == 0 || served < options.connections;) {
        if (!WaitReadable(listener.get(), std::chrono::steady_clock::time_point::max(), stop)) break;
        Fd client(accept(listener.get(), nullptr, nullptr));
        if (client.get() < 0) continue;
        ++served;
        progress("connection " + std::to_string(served));
        Serve(client.get(), options, progress, stop);
    }
    return 0;
}
