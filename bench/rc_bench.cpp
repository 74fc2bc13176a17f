// HELLO round trips against the remote-control server, side by side with the plainest
// server of the same framing: one blocking thread per connection, nothing else.
// Each iteration: every client sends kRequestsPerClient HELLOs, one at a time, on its own
// connection. Counters: requests per second, p50 and p99 round-trip latency in microseconds.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "remote/rc_protocol.h"
#include "remote/rc_server.h"

namespace {

constexpr int kRequestsPerClient = 200;
const std::string kHelloText = "OK SERVER Termbridge RC+ ver v1.21 RUNNING";

std::uint16_t BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

bool ReadExactly(int fd, std::uint8_t* out, std::size_t count) {
    while (count > 0) {
        const ssize_t n = ::recv(fd, out, count, 0);
        if (n <= 0) return false;
        out += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

void SetNoDelay(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// The reference: accept, then per connection read the length, the rest, answer HELLO.
class PlainServer {
public:
    PlainServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 64);
        port_ = BoundPort(listener_);
        std::thread([this] { Accept(); }).detach();
    }
    std::uint16_t port() const { return port_; }

private:
    void Accept() {
        for (;;) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            SetNoDelay(client);
            std::thread([client] { Serve(client); }).detach();
        }
    }
    static void Serve(int fd) {
        std::vector<std::uint8_t> request(kRcBufferSize);
        std::vector<std::uint8_t> reply(kRcHeaderSize + kHelloText.size());
        WriteRcLength(reply.data(), static_cast<std::uint32_t>(kHelloText.size() + 1));
        reply[kRcLengthFieldSize] = MESSAGE_HELLO;
        std::memcpy(reply.data() + kRcHeaderSize, kHelloText.data(), kHelloText.size());
        while (ReadExactly(fd, request.data(), kRcLengthFieldSize)) {
            const std::uint32_t length = ReadRcLength(request.data());
            if (length == 0 || length + kRcLengthFieldSize > request.size() ||
                !ReadExactly(fd, request.data() + kRcLengthFieldSize, length)) {
                break;
            }
            if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(reply.size())) break;
        }
        ::close(fd);
    }
    int listener_;
    std::uint16_t port_;
};

std::uint16_t TermbridgeServerPort() {
    static const std::uint16_t port = [] {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        const std::uint16_t free = BoundPort(probe);
        ::close(probe);
        setenv("TERMBRIDGE_RC_PORT", std::to_string(free).c_str(), 1);
        if (InitRcServer() != 0) std::abort();
        StartRcServer();
        return free;
    }();
    return port;
}

std::uint16_t PlainServerPort() {
    static PlainServer server;
    return server.port();
}

int Connect(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
    SetNoDelay(fd);
    return fd;
}

// Client threads that wait for a round, run it and report back; they live for one benchmark.
class ClientPool {
public:
    ClientPool(std::uint16_t port, int clients) {
        for (int i = 0; i < clients; ++i) {
            const int fd = Connect(port);
            threads_.emplace_back([this, fd] { Run(fd); });
        }
    }
    ~ClientPool() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& thread : threads_) thread.join();
    }
    void Round() {
        std::unique_lock<std::mutex> guard(lock_);
        ++round_;
        finished_ = 0;
        wake_.notify_all();
        done_.wait(guard, [this] { return finished_ == static_cast<int>(threads_.size()); });
    }
    // Round-trip times in microseconds, all rounds, all clients.
    std::vector<double> Latencies() {
        std::lock_guard<std::mutex> guard(lock_);
        return latencies_;
    }
    bool failed() const { return failed_.load(); }

private:
    void Run(int fd) {
        static const std::uint8_t kHello[] = {0, 0, 0, 1, MESSAGE_HELLO};
        std::vector<std::uint8_t> reply(kRcBufferSize);
        std::vector<double> mine;
        mine.reserve(kRequestsPerClient);
        int seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> guard(lock_);
                wake_.wait(guard, [&] { return stop_ || round_ != seen; });
                if (stop_) break;
                seen = round_;
            }
            mine.clear();
            for (int i = 0; i < kRequestsPerClient; ++i) {
                const auto start = std::chrono::steady_clock::now();
                if (::send(fd, kHello, sizeof kHello, MSG_NOSIGNAL) != sizeof kHello ||
                    !ReadExactly(fd, reply.data(), kRcLengthFieldSize) ||
                    !ReadExactly(fd, reply.data() + kRcLengthFieldSize, ReadRcLength(reply.data()))) {
                    failed_.store(true);
                    break;
                }
                mine.push_back(
                    std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            }
            std::lock_guard<std::mutex> guard(lock_);
            latencies_.insert(latencies_.end(), mine.begin(), mine.end());
            ++finished_;
            done_.notify_all();
        }
        ::close(fd);
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
    std::vector<double> latencies_;
    std::atomic<bool> failed_{false};
    int round_ = 0;
    int finished_ = 0;
    bool stop_ = false;
};

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) return 0;
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
    return values[index];
}

void RunHello(benchmark::State& state, std::uint16_t port) {
    const int clients = static_cast<int>(state.range(0));
    ClientPool pool(port, clients);
    for (auto _ : state) pool.Round();
    if (pool.failed()) state.SkipWithError("a round trip failed");
    std::vector<double> latencies = pool.Latencies();
    state.SetItemsProcessed(state.iterations() * clients * kRequestsPerClient);
    state.counters["p50_us"] = Percentile(latencies, 0.50);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
}

// Arguments: clients, server (0 = ours, 1 = the plain one), so the two run side by side.
void BM_Hello(benchmark::State& state) {
    RunHello(state, state.range(1) == 0 ? TermbridgeServerPort() : PlainServerPort());
}

}  // namespace

// The log stays closed: these measure the server, not the disk.
BENCHMARK(BM_Hello)
    ->ArgNames({"clients", "plain"})
    ->ArgsProduct({{1, 8, 32}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
