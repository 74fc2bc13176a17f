#include "loopback_peers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {
constexpr int kReadWaitMs = 5000;
}  // namespace

LoopbackPeer::LoopbackPeer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("loopback listener failed");
    }
    port_ = ntohs(address.sin_port);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
}

LoopbackPeer::~LoopbackPeer() {
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

void LoopbackPeer::Start() { thread_ = std::thread([this] { Run(); }); }

void LoopbackPeer::Stop() {
    if (!thread_.joinable()) return;
    const char wake = 1;
    (void)!write(wakeWrite_, &wake, 1);
    thread_.join();
}

void LoopbackPeer::Run() {
    for (;;) {
        pollfd entries[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(entries, 2, -1) < 0) continue;
        if (entries[1].revents != 0) return;
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        Serve(fd);
        close(fd);
    }
}

std::string LoopbackPeer::ReadSome(int fd, const std::string& marker) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
    while (marker.empty() ? text.empty() : text.find(marker) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        pollfd entries[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (left <= 0 || poll(entries, 2, static_cast<int>(left)) <= 0 || entries[1].revents != 0) break;
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

FakePaymentHost::FakePaymentHost(std::string answer) : answer_(std::move(answer)) { Start(); }

std::vector<std::string> FakePaymentHost::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

void FakePaymentHost::Serve(int fd) {
    const std::string request = ReadSome(fd, "");
    {
        std::lock_guard<std::mutex> guard(lock_);
        received_.push_back(request);
    }
    (void)!write(fd, answer_.data(), answer_.size());
    ReadSome(fd, "\x01never");  // until the relay closes the connection
}

FakeSmsGateway::FakeSmsGateway() { Start(); }

std::vector<std::string> FakeSmsGateway::RequestLines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
}

void FakeSmsGateway::Serve(int fd) {
    const std::string request = ReadSome(fd, "\r\n\r\n");
    {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(request.substr(0, request.find("\r\n")));
    }
    static const std::string kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
    (void)!write(fd, kAnswer.data(), kAnswer.size());
}
