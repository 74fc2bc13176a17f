// The pinpad link on a pty through the COM port path: how long a request frame takes from the
// pinpad's first byte to our ACK beyond the mandated 150 ms pause, and how much CPU an engine
// spends waiting for a frame that never comes.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "devices/devices.h"
#include "link/app_exit.h"
#include "link/frame.h"
#include "link/pinpad_device.h"
#include "link/stop_request.h"
#include "link/transfer_engine.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 1;
constexpr auto kAnswerPause = std::chrono::milliseconds(150);

// A pty whose slave is COM1 of a private ports directory, opened as the pinpad's port.
class PtyPinpadPort {
public:
    PtyPinpadPort() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) Fail("posix_openpt");
        char slave[128];
        if (ptsname_r(master_, slave, sizeof slave) != 0) Fail("ptsname_r");
        std::string dir = (std::filesystem::temp_directory_path() / "termbridge-bench-XXXXXX").string();
        if (mkdtemp(dir.data()) == nullptr) Fail("mkdtemp");
        dir_ = dir;
        std::filesystem::create_symlink(slave, dir_ + "/COM1");
        setenv("TERMBRIDGE_PORTS_DIR", dir_.c_str(), 1);
        D2xxMode = 0;
        SetStopRequest(0);
        PinpadSerialPort().Open(kPort, 115200, kNoParity, 8, kOneStopBit);
        PinpadSerialPort().SetTimeouts({0, 0, 40000, 0, 1000});
    }
    ~PtyPinpadPort() {
        PinpadSerialPort().Close();
        close(master_);
        std::filesystem::remove_all(dir_);
    }

    void Write(const std::vector<std::uint8_t>& bytes) const {
        if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) Fail("write");
    }
    std::uint8_t ReadByte() const {
        pollfd entry{master_, POLLIN, 0};
        std::uint8_t byte = 0;
        if (poll(&entry, 1, 5000) != 1 || read(master_, &byte, 1) != 1) Fail("read");
        return byte;
    }

private:
    [[noreturn]] static void Fail(const char* what) { throw std::runtime_error(what); }

    int master_ = -1;
    std::string dir_;
};

std::vector<std::uint8_t> RequestFrame() {
    std::uint8_t packet[3];
    std::size_t length = 0;
    BuildPacket('A', nullptr, 0, packet, length);
    std::vector<std::uint8_t> frame(EncodedFrameLength(packet, length));
    EncodeFrame(packet, length, frame.data());
    return frame;
}

double Percentile(std::vector<double> samples, double fraction) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[index];
}

void BM_RequestFrameToAck(benchmark::State& state) {
    PtyPinpadPort pinpad;
    const std::vector<std::uint8_t> frame = RequestFrame();
    std::vector<std::uint8_t> buffer(kPacketBufferSize);
    std::vector<double> beyondPauseUs;
    for (auto _ : state) {
        const auto start = Clock::now();
        pinpad.Write(frame);
        int received = 0;
        RunSerialThreadBody([&] {
            received = TransferPacket(kReceivePacket, buffer.data(), static_cast<int>(buffer.size()));
            return 0;
        });
        const std::uint8_t answer = pinpad.ReadByte();
        const auto elapsed = Clock::now() - start;
        if (received != 3 || answer != ACK) state.SkipWithError("frame not acknowledged");
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        beyondPauseUs.push_back(std::chrono::duration<double, std::micro>(elapsed - kAnswerPause).count());
    }
    state.counters["beyond_pause_median_us"] = Percentile(beyondPauseUs, 0.5);
    state.counters["beyond_pause_p99_us"] = Percentile(beyondPauseUs, 0.99);
}
BENCHMARK(BM_RequestFrameToAck)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Ten seconds of a receive with a silent pinpad, then a stop request.
void BM_IdleReceiveCpu(benchmark::State& state) {
    for (auto _ : state) {
        PtyPinpadPort pinpad;
        double cpuSeconds = 0;
        double wallSeconds = 0;
        std::thread serial([&] {
            const double cpuStart = ThreadCpuSeconds();
            const auto start = Clock::now();
            std::vector<std::uint8_t> buffer(kPacketBufferSize);
            RunSerialThreadBody([&] {
                return TransferPacket(kReceivePacket, buffer.data(), static_cast<int>(buffer.size()));
            });
            cpuSeconds = ThreadCpuSeconds() - cpuStart;
            wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        });
        std::this_thread::sleep_for(std::chrono::seconds(10));
        SetStopRequest(1);
        serial.join();
        state.counters["engine_cpu_ms"] = cpuSeconds * 1000;
        state.counters["engine_wall_s"] = wallSeconds;
        state.counters["cpu_percent_of_one_core"] = 100 * cpuSeconds / wallSeconds;
    }
}
BENCHMARK(BM_IdleReceiveCpu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
