#pragma once
// Loopback TCP peers for tests: a payment host, a network printer, an SMS gateway.

#include <chrono>
#include <cstdint>
#include <future>
#include <string>

// An owned file descriptor, closed on destruction.
class ScopedFd {
public:
    explicit ScopedFd(int fd = -1) : fd_(fd) {}
    ~ScopedFd();
    ScopedFd(ScopedFd&& other) noexcept : fd_(other.release()) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept;
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_;
};

// Listens on 127.0.0.1; port 0 picks a free one.
class LoopbackListener {
public:
    explicit LoopbackListener(std::uint16_t port = 0);
    bool listening() const { return socket_.valid(); }
    std::uint16_t port() const { return port_; }
    // The next connection, or an invalid fd when none came within the wait.
    ScopedFd Accept(std::chrono::milliseconds wait = std::chrono::seconds(10));
    void Close() { socket_.reset(); }

private:
    ScopedFd socket_;
    std::uint16_t port_ = 0;
};

// A loopback port on which nobody listens (bound once, then released).
std::uint16_t UnusedLoopbackPort();

// Reads until the text holds the marker, the peer closes or the wait ends.
std::string ReadUntil(int fd, const std::string& marker,
                      std::chrono::milliseconds wait = std::chrono::seconds(10));
// Reads until the peer closes or the wait ends.
std::string ReadUntilClosed(int fd, std::chrono::milliseconds wait = std::chrono::seconds(10));
bool WriteAll(int fd, const std::string& bytes);

// Answers one HTTP request on the listener with the status and body; yields its request line.
std::future<std::string> ServeHttpOnce(LoopbackListener& listener, const std::string& status,
                                       const std::string& body = "OK");
