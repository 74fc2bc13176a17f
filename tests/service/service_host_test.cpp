// The built TermbridgeService as systemd runs it, serving a simulated pinpad on a pty and a
// cash register on its remote-control port, with a payment host on loopback.

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/program.h"
#include "ecr_client.h"
#include "support/free_port.h"
#include "notify_receiver.h"
#include "pinpad_sim/pinpad_port.h"
#include "pinpad_sim/pinpad_session.h"
#include "pinpad_sim/sale_records.h"
#include "service_process.h"
#include "support/loopback_peers.h"
#include "support/pty_pair.h"  // PortsDir
#include "support/test_env.h"

namespace {

constexpr int kComPort = 7;
// One watchdog period and a margin for a loaded machine.
constexpr auto kWatchdogWait = std::chrono::seconds(12);

// The scripted pinpad on its own thread, serving sales until the test ends.
class Pinpad {
public:
    Pinpad(const std::string& linkPath, std::uint16_t paymentPort) {
        std::string error;
        port_ = PinpadPort::CreatePty(linkPath, error);
        if (!port_) throw std::runtime_error(error);
        link_ = std::make_unique<PinpadLink>(*port_, LinkFaults{}, LinkTimings{}, &stop_);
        SessionOptions options;
        options.paymentPort = paymentPort;
        options.sales = 0;
        thread_ = std::thread([this, options] { result_ = RunPinpadSession(*link_, options, [](const std::string&) {}, &stop_); });
    }
    ~Pinpad() {
        stop_.store(true);
        thread_.join();
    }
    Pinpad(const Pinpad&) = delete;
    Pinpad& operator=(const Pinpad&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<PinpadPort> port_;
    std::unique_ptr<PinpadLink> link_;
    SessionResult result_;
    std::thread thread_;
};

class ServiceHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWholeFile(dir_.File(Program().configFileName),
                       "COM_PORT = \"7\"\r\nPRINTER_TYPE = \"4\"\r\nLOGGING_LEVEL = \"2\"\r\n");
    }

    std::unique_ptr<ServiceProcess> StartService(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> environment{"NOTIFY_SOCKET=" + systemd_.path(),
                                             "TERMBRIDGE_RC_PORT=" + std::to_string(rcPort_)};
        environment.insert(environment.end(), extra.begin(), extra.end());
        auto service = std::make_unique<ServiceProcess>(std::vector<std::string>{}, environment);
        EXPECT_EQ(systemd_.Next(), "STATUS=Start pending, check point 1");
        EXPECT_EQ(systemd_.Next(), "READY=1\nSTATUS=Running");
        return service;
    }

    void StopService(ServiceProcess& service) {
        service.Signal(SIGTERM);
        EXPECT_EQ(systemd_.Next(), "STOPPING=1\nSTATUS=Stop pending, check point 2");
        EXPECT_EQ(systemd_.Next(), "STATUS=Stopped");
        EXPECT_EQ(service.WaitForExit(), 0);
    }

    std::string PinpadLinkPath() const { return ports_.Path() + "/COM" + std::to_string(kComPort); }

    // SerialPortInitialized as the cash register sees it; -2 when the service does not answer.
    int LinkState() {
        ecr::LinkStatus status{};
        if (!linkClient_.IsConnected() && linkClient_.Connect("127.0.0.1", rcPort_) != ecr::EcrStatus::Ok) return -2;
        if (linkClient_.QueryLink(status) != ecr::EcrStatus::Ok) return -2;
        return status.serialPortInitialized;
    }

    // Asks about ten times a second, on one connection, so the log stays readable.
    bool WaitForLinkRunning(std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        return WaitFor(
            [&] {
                if (LinkState() == 1) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return false;
            },
            deadline);
    }

    std::string Log() const { return dir_.LogText(); }
    ecr::EcrClient linkClient_;
    bool LogHas(const std::string& text) const { return Log().find(text) != std::string::npos; }

    TempDataDir dir_{ProgramKind::Service};
    PortsDir ports_;
    NotifyReceiver systemd_;
    std::uint16_t rcPort_ = FreeTcpPort();
};

bool PortFree(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

}  // namespace

TEST_F(ServiceHostTest, SellsThroughTheRemoteControlPortThenStopsInOrder) {
    FakePaymentHost paymentHost("APPROVED 00\r\n");
    Pinpad pinpad(PinpadLinkPath(), paymentHost.port());
    auto service = StartService();
    ASSERT_TRUE(WaitForLinkRunning());

    ecr::EcrClient client(std::chrono::seconds(10));
    ASSERT_EQ(client.Connect("127.0.0.1", rcPort_), ecr::EcrStatus::Ok);
    ecr::StartAnswer started;
    ASSERT_EQ(client.StartTransaction({0x8810, 1250, "SVC-1", ""}, started), ecr::EcrStatus::Ok);
    EXPECT_TRUE(started.accepted) << started.text;
    ecr::PollAnswer result;
    ASSERT_TRUE(WaitFor([&] { return client.PollResult(result) == ecr::EcrStatus::Ok && result.finished; },
                        std::chrono::seconds(30)));
    const OfferedTransaction sale{0x8810, 1250, "SVC-1"};
    const Bytes block = ResultBlock(sale, true);
    EXPECT_EQ(Bytes(result.result.begin(), result.result.end()), block);
    // The ticket follows the result.
    std::vector<std::uint8_t> ticket;
    EXPECT_TRUE(WaitFor([&] { return client.GetLastTicket(ticket) == ecr::EcrStatus::Ok && !ticket.empty(); }));
    EXPECT_EQ(ticket, TicketRecords(sale, true));
    client.Close();

    StopService(*service);
    const std::string log = Log();
    const auto closing = log.find("Closing the Timer Thread");
    ASSERT_NE(closing, std::string::npos);
    EXPECT_LT(closing, log.find("StopMonitoring")) << "the watchdog ends before the link is stopped";
    EXPECT_TRUE(LogHas("Printer type = external ECR printer")) << "the cash register prints the ticket";
    EXPECT_TRUE(PortFree(rcPort_)) << "the remote-control port is free once the service has stopped";
}

TEST_F(ServiceHostTest, StartLogsEachStepOfTheStartSequence) {
    auto service = StartService();
    ASSERT_TRUE(WaitFor([&] { return LogHas("Timer thread started, id = "); }));
    const std::string log = Log();
    const char* steps[] = {"Ftd2xx.dll", "Printer thread ID = ", "StartMonitoring", "Remote control proces RUNNING OK",
                           "Serial thread started, id = ", "Timer thread started, id = "};
    std::size_t at = 0;
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        const auto found = log.find(step, at);
        ASSERT_NE(found, std::string::npos);
        at = found;
    }
    StopService(*service);
}

// Nobody on COM7 at first: the watchdog restarts the link every 5 seconds until the pinpad is
// there, and again after its line went away.
TEST_F(ServiceHostTest, WatchdogRestartsTheLinkWhenThePinpadComesBack) {
    FakePaymentHost paymentHost("APPROVED 00\r\n");
    auto service = StartService();
    ASSERT_TRUE(WaitFor([&] { return LogHas("Trying to restart the device"); }, kWatchdogWait));
    {
        Pinpad pinpad(PinpadLinkPath(), paymentHost.port());
        ASSERT_TRUE(WaitForLinkRunning(kWatchdogWait));
    }
    // The pinpad's line is gone: the serial thread ends, the watchdog tries again.
    const int before = CountOf(Log(), "Trying to restart the device");
    ASSERT_TRUE(WaitFor([&] { return CountOf(Log(), "Trying to restart the device") > before; }, kWatchdogWait));
    Pinpad again(PinpadLinkPath(), paymentHost.port());
    EXPECT_TRUE(WaitForLinkRunning(kWatchdogWait));
    EXPECT_TRUE(WaitFor([&] { return LogHas("Serial port working, no need to restart process"); }, kWatchdogWait));
    StopService(*service);
}

TEST_F(ServiceHostTest, NoRestartWhileACashRegisterHoldsTheLinkStopped) {
    FakePaymentHost paymentHost("APPROVED 00\r\n");
    Pinpad pinpad(PinpadLinkPath(), paymentHost.port());
    auto service = StartService();
    ASSERT_TRUE(WaitForLinkRunning());

    ecr::EcrClient client(std::chrono::seconds(15));
    ASSERT_EQ(client.Connect("127.0.0.1", rcPort_), ecr::EcrStatus::Ok);
    std::uint8_t status = 0xFF;
    ASSERT_EQ(client.StopLink(status), ecr::EcrStatus::Ok);
    ASSERT_TRUE(WaitFor([&] { return LogHas("Serial port k.o., but inside the config dialog, so no restarting"); },
                        kWatchdogWait));
    EXPECT_EQ(LinkState(), 0);
    EXPECT_FALSE(LogHas("Trying to restart the device"));

    ASSERT_EQ(client.StartLink(status), ecr::EcrStatus::Ok);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(WaitForLinkRunning());
    EXPECT_FALSE(LogHas("Trying to restart the device"));
    StopService(*service);
}

// The first instance owns the remote-control port and the pinpad; the second serves neither,
// and its watchdog leaves the link alone.
TEST_F(ServiceHostTest, ASecondInstanceStartsNoLink) {
    FakePaymentHost paymentHost("APPROVED 00\r\n");
    Pinpad pinpad(PinpadLinkPath(), paymentHost.port());
    auto first = StartService();
    ASSERT_TRUE(WaitForLinkRunning());

    const std::string other = dir_.File("other");
    std::filesystem::create_directory(other);
    WriteWholeFile(other + "/registry", "USERDIR=" + other + "\n");
    WriteWholeFile(other + "/" + Program().configFileName, ReadWholeFile(dir_.File(Program().configFileName)));
    NotifyReceiver secondSystemd;
    ServiceProcess second({}, {"NOTIFY_SOCKET=" + secondSystemd.path(), "TERMBRIDGE_RC_PORT=" + std::to_string(rcPort_),
                               "TERMBRIDGE_REGISTRY=" + other + "/registry"});
    EXPECT_EQ(secondSystemd.Next(), "STATUS=Start pending, check point 1");
    EXPECT_EQ(secondSystemd.Next(), "READY=1\nSTATUS=Running");
    const std::string secondLog = other + "/" + Program().logFileName;
    ASSERT_TRUE(WaitFor([&] { return ReadWholeFile(secondLog).find("Info: remote control port taken") != std::string::npos; },
                        kWatchdogWait));
    const std::string log = ReadWholeFile(secondLog);
    EXPECT_NE(log.find("Error: Bind failed!"), std::string::npos);
    EXPECT_EQ(CountOf(log, "Serial thread started"), 0);
    EXPECT_EQ(CountOf(log, "Trying to restart the device"), 0);
    EXPECT_EQ(LinkState(), 1) << "the first instance still serves the pinpad";

    second.Signal(SIGTERM);
    EXPECT_EQ(second.WaitForExit(), 0);
    StopService(*first);
}
