// A serial thread that does not react to the stop request: it is ended by force after the
// sixth wait, and the next StartMonitoring serves the pinpad again.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "config/config_file.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "requests/transaction.h"
#include "support/loopback_peers.h"
#include "support/test_env.h"

namespace {

struct SimulatorRun {
    int exitCode;
    std::string output;
};

SimulatorRun RunSimulator(const std::string& arguments) {
    const std::string command = std::string(PINPAD_SIM_PROGRAM) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A payment host that takes the connection and the message, and never answers.
class SilentPaymentHost {
public:
    SilentPaymentHost() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            client_ = ::accept(listener_, nullptr, nullptr);
            char byte;
            while (client_ >= 0 && ::recv(client_, &byte, 1, 0) > 0) received_.fetch_add(1);
        });
    }
    ~SilentPaymentHost() {
        ::shutdown(listener_, SHUT_RDWR);
        if (client_ >= 0) ::shutdown(client_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
        if (client_ >= 0) ::close(client_);
    }
    std::uint16_t port() const { return port_; }
    int received() const { return received_.load(); }

private:
    int listener_ = -1;
    std::atomic<int> client_{-1};
    std::uint16_t port_ = 0;
    std::atomic<int> received_{0};
    std::thread thread_;
};

}  // namespace

TEST(MonitoringStuck, SerialThreadBlockedInARequestIsEndedByForceAndTheLinkComesBack) {
    TempDataDir dir(ProgramKind::Service);
    const std::string ports = dir.File("ports");
    std::filesystem::create_directories(ports);
    setenv("TERMBRIDGE_PORTS_DIR", ports.c_str(), 1);
    HostConfig config{};
    config.loggingLevel = 2;
    config.comPort = 4;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    ASSERT_EQ(OpenLog(), 0);

    // First pinpad: its payment host swallows the message, so the serial thread waits 20 s
    // for the answer. The simulator gives up on the host after 3 s and leaves the line.
    SilentPaymentHost silentHost;
    auto stuckPinpad = std::async(std::launch::async, [&] {
        return RunSimulator("--com 4 --sales 1 --host-timeout 20 --reply-timeout-ms 3000 --host-wait-ms 20000 "
                            "--wait-ms 20000 --port " + std::to_string(silentHost.port()));
    });
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(ports + "/COM4"); }));
    ASSERT_EQ(StartMonitoring(false), 1);
    ASSERT_EQ(SetPendingTransaction(0x8810, 1250, "", "STUCK", false), 0);
    // The thread is in the request that waits for the payment host's answer.
    ASSERT_TRUE(WaitFor([&] { return CountOf(dir.LogText(), "Process Packet F") > 0; }, std::chrono::seconds(20)));
    EXPECT_GT(silentHost.received(), 0);

    EXPECT_EQ(StopMonitoring(), 1);
    EXPECT_EQ(SerialPortInitialized.load(), 0);
    EXPECT_FALSE(IsSerialThreadAlive());
    const std::string log = dir.LogText();
    EXPECT_EQ(CountOf(log, "Waiting for closing the serial thread(1)"), 6) << log;
    const auto stuck = log.find("Error: Serial thread is stuck!");
    ASSERT_NE(stuck, std::string::npos);
    EXPECT_LT(log.find("Setting SerialPortInitialized to 0", stuck), log.find("SerialPortInitialized after = 0", stuck));
    EXPECT_NE(log.find("Serial thread terminated(0)", stuck), std::string::npos);
    EXPECT_NE(stuckPinpad.get().exitCode, 0);

    // Second pinpad on the same port: a new StartMonitoring serves its sale.
    FakePaymentHost paymentHost("OK");
    auto pinpad = std::async(std::launch::async, [&] {
        return RunSimulator("--com 4 --sales 1 --host-wait-ms 20000 --wait-ms 20000 --port " +
                            std::to_string(paymentHost.port()));
    });
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(ports + "/COM4"); }));
    ASSERT_EQ(StartMonitoring(false), 1);
    ASSERT_EQ(SetPendingTransaction(0x8810, 990, "", "AFTER", false), 0);
    const SimulatorRun served = pinpad.get();
    EXPECT_EQ(served.exitCode, 0) << served.output;
    EXPECT_NE(served.output.find("reference AFTER"), std::string::npos) << served.output;
    StopMonitoring();
}
