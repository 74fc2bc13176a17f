#pragma once
// Loopback TCP peers for tests that run a whole sale: a payment host that answers every
// connection's message, and an SMS gateway that records the request line of every GET.
// Each serves on a thread of its own until it is destroyed.

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackPeer {
public:
    LoopbackPeer();
    virtual ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    std::uint16_t port() const { return port_; }

protected:
    // Starts serving; derived classes call it last in their constructor.
    void Start();
    // Stops the thread; derived destructors call it first.
    void Stop();
    // Serves one accepted connection; the fd is closed afterwards.
    virtual void Serve(int fd) = 0;
    // Bytes from fd until the text holds marker (empty: until anything came), the peer closed,
    // or the wait ended.
    std::string ReadSome(int fd, const std::string& marker);

private:
    void Run();

    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

class FakePaymentHost : public LoopbackPeer {
public:
    explicit FakePaymentHost(std::string answer);
    ~FakePaymentHost() override { Stop(); }
    // What each connection sent before it was answered.
    std::vector<std::string> Received() const;

private:
    void Serve(int fd) override;

    std::string answer_;
    mutable std::mutex lock_;
    std::vector<std::string> received_;
};

class FakeSmsGateway : public LoopbackPeer {
public:
    FakeSmsGateway();
    ~FakeSmsGateway() override { Stop(); }
    // "host:port" for TERMBRIDGE_SMS_GATEWAY.
    std::string Address() const { return "127.0.0.1:" + std::to_string(port()); }
    std::vector<std::string> RequestLines() const;

private:
    void Serve(int fd) override;

    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};
