// Request-to-reply time through the real serial thread on a pty, beyond the pauses the link
// protocol makes the host take (150 ms before acknowledging each request, 10 ms after writing
// a reply): an 'A' poll, and an 'E' send followed at once by an 'F' receive relayed to a
// loopback echo host. Each repetition times one round; read the median.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "common/program.h"
#include "config/config_file.h"
#include "config/log.h"
#include "link/serial_thread.h"
#include "link/stop_request.h"
#include "pinpad_sim/pinpad_link.h"
#include "pinpad_sim/sale_records.h"

namespace {

constexpr auto kAckPause = std::chrono::milliseconds(150);
// After writing a reply the host pauses before it reads our ACK; a request that follows at once
// waits that long for its turn.
constexpr auto kReplyPause = std::chrono::milliseconds(10);
// Lets the host finish its wait for our ACK and get back to receiving before the next request.
constexpr auto kSettle = std::chrono::milliseconds(20);

// Echoes every byte on every connection it accepts.
class EchoHost {
public:
    EchoHost() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("echo host");
        }
        port_ = ntohs(address.sin_port);
        std::thread([fd = listener_] {
            for (;;) {
                const int connection = accept(fd, nullptr, nullptr);
                if (connection < 0) return;
                std::thread([connection] {
                    char buffer[4096];
                    ssize_t got = 0;
                    while ((got = read(connection, buffer, sizeof buffer)) > 0) {
                        if (write(connection, buffer, static_cast<std::size_t>(got)) != got) break;
                    }
                    close(connection);
                }).detach();
            }
        }).detach();
    }
    std::uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
};

// One serial thread serving one simulated pinpad for the whole run.
class Bench {
public:
    Bench() {
        std::string dir = (std::filesystem::temp_directory_path() / "termbridge-bench-XXXXXX").string();
        if (mkdtemp(dir.data()) == nullptr) throw std::runtime_error("mkdtemp");
        std::ofstream(dir + "/registry") << "USERDIR=" << dir << "\n";
        std::filesystem::create_directories(dir + "/ports");
        setenv("TERMBRIDGE_REGISTRY", (dir + "/registry").c_str(), 1);
        setenv("TERMBRIDGE_PORTS_DIR", (dir + "/ports").c_str(), 1);
        SetProgramKind(ProgramKind::Service);
        HostConfig config{};
        config.loggingLevel = 1;
        config.comPort = 1;
        SetHostConfig(config);
        WriteConfiguration();
        OpenLog();

        std::string error;
        port_ = PinpadPort::CreatePty(dir + "/ports/COM1", error);
        if (!port_) throw std::runtime_error(error);
        link_ = std::make_unique<PinpadLink>(*port_);
        SetStopRequest(0);
        thread_ = std::thread([] { SerialThread(); });
        socket_ = ReadInt32(Exchange('C', ConnectPayload("127.0.0.1", echo_.port(), 0x05)), 0);
        if (socket_ < 0) throw std::runtime_error("relay connect");
    }

    ~Bench() {
        SetStopRequest(1);
        thread_.join();
    }

    Bytes Exchange(std::uint8_t type, const Bytes& payload) {
        ExchangeResult result = link_->Exchange(type, payload);
        if (result.status != ExchangeStatus::Ok) throw std::runtime_error(ExchangeStatusText(result.status));
        return result.reply;
    }

    std::int32_t socket() const { return socket_; }

private:
    EchoHost echo_;
    std::unique_ptr<PinpadPort> port_;
    std::unique_ptr<PinpadLink> link_;
    std::thread thread_;
    std::int32_t socket_ = -1;
};

Bench& SharedBench() {
    static Bench bench;
    return bench;
}

// Times the exchanges made by body, less the protocol's pauses they include.
template <typename Body>
void TimeExchanges(benchmark::State& state, std::chrono::milliseconds pauses, Body body) {
    Bench& bench = SharedBench();
    for (auto _ : state) {
        std::this_thread::sleep_for(kSettle);
        const auto start = std::chrono::steady_clock::now();
        body(bench);
        const auto elapsed = std::chrono::steady_clock::now() - start - pauses;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
}

void BM_QueryTransactionStart(benchmark::State& state) {
    TimeExchanges(state, kAckPause, [](Bench& bench) { benchmark::DoNotOptimize(bench.Exchange('A', {})); });
}

const Bytes kRelayData(64, 0x5A);

void BM_RelaySend(benchmark::State& state) {
    Bench& bench = SharedBench();
    TimeExchanges(state, kAckPause, [](Bench& b) { b.Exchange('E', SendPayload(b.socket(), kRelayData)); });
    // Take the echo back, so the next round starts with an empty connection.
    bench.Exchange('F', ReceivePayload(bench.socket(), 4096));
}

void BM_RelayReceive(benchmark::State& state) {
    Bench& bench = SharedBench();
    for (auto _ : state) {
        bench.Exchange('E', SendPayload(bench.socket(), kRelayData));
        std::this_thread::sleep_for(kSettle);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(bench.Exchange('F', ReceivePayload(bench.socket(), 64)));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start - kAckPause).count());
    }
}

// The pinpad's usual rhythm: the receive follows the send's reply at once.
void BM_RelaySendThenReceive(benchmark::State& state) {
    TimeExchanges(state, 2 * kAckPause + kReplyPause, [](Bench& bench) {
        bench.Exchange('E', SendPayload(bench.socket(), kRelayData));
        benchmark::DoNotOptimize(bench.Exchange('F', ReceivePayload(bench.socket(), 64)));
    });
}

}  // namespace

BENCHMARK(BM_QueryTransactionStart)->UseManualTime()->Iterations(1)->Repetitions(40)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelaySend)->UseManualTime()->Iterations(1)->Repetitions(40)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelayReceive)->UseManualTime()->Iterations(1)->Repetitions(40)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelaySendThenReceive)->UseManualTime()->Iterations(1)->Repetitions(40)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);


