// The real serial thread serving the pinpad simulator over a pty, through the COM port or the
// fake FTDI library, with a loopback payment host and SMS gateway.

#include "link/serial_thread.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/ui_hook.h"
#include "config/config_file.h"
#include "config/log.h"
#include "devices/devices.h"
#include "link/link_state.h"
#include "link/stop_request.h"
#include "output/last_ticket.h"
#include "output/recording_print_device.h"
#include "output/remote_host.h"
#include "output/windows_print.h"
#include "pinpad_sim/pinpad_session.h"
#include "requests/transaction.h"
#include "support/loopback_peers.h"
#include "support/test_env.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr int kComPort = 5;
constexpr const char* kFtdiName = "Pinpad Sim";

enum class Line { Com, Ftdi };

std::string LineName(const ::testing::TestParamInfo<Line>& info) {
    return info.param == Line::Com ? "ComPort" : "FtdiDevice";
}

LinkTimings QuickTimings() {
    LinkTimings timings;
    timings.peerTimeout = std::chrono::seconds(10);
    timings.replyTimeout = std::chrono::seconds(20);
    return timings;
}

class SerialThreadTest : public ::testing::Test {
protected:
    void Configure(ProgramKind kind, Line line, int comPort = kComPort) {
        dir_ = std::make_unique<TempDataDir>(kind);
        const std::string ports = dir_->File("ports");
        const std::string ftdi = dir_->File("ftdi");
        std::filesystem::create_directories(ports);
        std::filesystem::create_directories(ftdi);
        setenv("TERMBRIDGE_PORTS_DIR", ports.c_str(), 1);
        setenv("FAKE_D2XX_DEVICES", ftdi.c_str(), 1);
        setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
        linkPath_ = line == Line::Com ? ports + "/COM" + std::to_string(kComPort) : ftdi + "/" + kFtdiName;

        HostConfig config{};
        config.loggingLevel = 2;
        config.comPort = comPort;  // also set for the FTDI line: the device name wins
        if (line == Line::Ftdi) std::strcpy(config.d2xxName, kFtdiName);
        std::strcpy(config.gsmUserName, "user");
        std::strcpy(config.gsmPassword, "secret");
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
        ASSERT_EQ(OpenLog(), 0);
        if (line == Line::Ftdi) {
            ASSERT_EQ(PinpadD2xx().LoadD2xx(), 0);
        }

        ResetTransactionState();
        ResetLastTicketForTests();
        SetPrintDeviceForTests(&printer_);
        SetStopRequest(0);
        SerialPortInitialized = 0;
    }

    std::unique_ptr<PinpadPort> MakePinpadLine() {
        std::string error;
        auto port = PinpadPort::CreatePty(linkPath_, error);
        EXPECT_NE(port, nullptr) << error;
        return port;
    }

    void StartSerialThread() {
        threads_.emplace_back([this] {
            SerialThread();
            ++threadsEnded_;
        });
    }

    // Joins every serial thread, asking them to stop first.
    void StopSerialThreads() {
        SetStopRequest(1);
        for (auto& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

    void TearDown() override {
        StopSerialThreads();
        SetPrintDeviceForTests(nullptr);
        ResetRelayForTests();
        SetUiHook(nullptr);
    }

    std::string Log() const { return dir_->LogText(); }

    std::unique_ptr<TempDataDir> dir_;
    std::string linkPath_;
    RecordingPrintDevice printer_;
    std::vector<std::thread> threads_;
    std::atomic<int> threadsEnded_{0};
};

class SerialSaleTest : public SerialThreadTest, public ::testing::WithParamInterface<Line> {};

}  // namespace

TEST_P(SerialSaleTest, SimulatorServesAWholeSale) {
    Configure(ProgramKind::Service, GetParam());
    FakePaymentHost paymentHost("APPROVED-0042");
    FakeSmsGateway gateway;
    setenv("TERMBRIDGE_SMS_GATEWAY", gateway.Address().c_str(), 1);
    auto line = MakePinpadLine();
    StartSerialThread();
    ASSERT_EQ(SetPendingTransaction(0x8810, 1250, "0611223344", "INV-7", false), 0);

    PinpadLink link(*line, {}, QuickTimings());
    SessionOptions options;
    options.paymentPort = paymentHost.port();
    options.transactionWait = std::chrono::seconds(20);
    std::vector<std::string> progress;
    const SessionResult result =
        RunPinpadSession(link, options, [&](const std::string& text) { progress.push_back(text); });
    ASSERT_EQ(result.exitCode, kExitDone) << result.error;
    ASSERT_EQ(result.sales.size(), 1u);
    const SaleOutcome& sale = result.sales[0];

    // The transaction block reached the pinpad.
    EXPECT_EQ(sale.transaction.type, 0x8810);
    EXPECT_EQ(sale.transaction.amount, 1250);
    EXPECT_EQ(sale.transaction.reference, "INV-7");
    // The relay carried the bytes both ways unchanged.
    const Bytes& request = AuthorisationRequest();
    EXPECT_THAT(paymentHost.Received(), ::testing::ElementsAre(std::string(request.begin(), request.end())));
    EXPECT_EQ(std::string(sale.hostReply.begin(), sale.hostReply.end()), "APPROVED-0042");
    EXPECT_TRUE(sale.approved);
    // The result and the ticket are stored for the cash register.
    TransactionBlock stored{};
    ASSERT_TRUE(TakeTransactionResult(stored));
    const Bytes block = ResultBlock(sale.transaction, true);
    EXPECT_EQ(Bytes(stored.begin(), stored.end()), block);
    EXPECT_EQ(GetLastTicket(), TicketRecords(sale.transaction, true));
    EXPECT_EQ(printer_.documentNames.size(), 1u);
    // The SMS request went out once, with the spaces encoded.
    EXPECT_THAT(gateway.RequestLines(),
                ::testing::ElementsAre("GET /sendsms.php?USER=user&PASS=secret&TO=0611223344&"
                                       "MSG=Sale+12.50+approved+ref+INV-7 HTTP/1.1"));
    EXPECT_EQ(link.Counters().transmissions, link.Counters().requests) << "no frame was sent twice";

    // Every request was one pass of the loop; the next pass waits for the next request.
    EXPECT_TRUE(WaitFor([&] { return CommLoops.load() == link.Counters().requests + 1; }));
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr(GetParam() == Line::Com ? "Real / Virtual COM Mode Selected" : "D2XXMode Selected"));
    EXPECT_THAT(log, Not(HasSubstr("Processing packet failed")));
    EXPECT_EQ(SerialPortInitialized.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Lines, SerialSaleTest, ::testing::Values(Line::Com, Line::Ftdi), LineName);

TEST_P(SerialSaleTest, StopRequestWhileWaitingEndsTheThreadWithinASecond) {
    Configure(ProgramKind::Service, GetParam());
    auto line = MakePinpadLine();
    StartSerialThread();
    ASSERT_TRUE(WaitFor([&] { return SerialPortInitialized.load() == 1 && Log().find("Looping 1") != std::string::npos; }));

    const auto asked = std::chrono::steady_clock::now();
    SetStopRequest(1);
    ASSERT_TRUE(WaitFor([&] { return threadsEnded_.load() == 1; }, std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(2500));

    const std::string log = Log();
    const std::size_t stop = log.find("STOP RUNNING REQUESTED");
    ASSERT_NE(stop, std::string::npos);
    const bool exit3 = log.find("EXIT THREAD 3", stop) != std::string::npos;
    const bool exit4 = log.find("EXIT THREAD 4", stop) != std::string::npos;
    EXPECT_TRUE(exit3 || exit4) << log;
    EXPECT_LT(log.find("App_ExitThread 0 \r\n"), log.find("Exiting the SERIAL THREAD 1 \r\n"));
    EXPECT_THAT(log, Not(HasSubstr("Exiting the SERIAL THREAD 2")));
    EXPECT_EQ(SerialPortInitialized.load(), 0);
}

TEST_F(SerialThreadTest, SimulatorFaultsAreRecoveredByBothSides) {
    Configure(ProgramKind::Service, Line::Com);
    auto line = MakePinpadLine();
    StartSerialThread();
    LinkFaults faults;
    faults.badLrc = {1};
    faults.badCrc = {2};
    faults.nakReply = {3};
    PinpadLink link(*line, faults, QuickTimings());
    for (std::uint8_t type : {'T', 'R', 'N'}) {
        const Bytes payload = type == 'N' ? TextPayload("after faults") : Bytes{};
        EXPECT_EQ(link.Exchange(type, payload).status, ExchangeStatus::Ok) << type;
    }
    EXPECT_EQ(link.Counters().naksReceived, 2);
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("WARNING: LRC doesn't match - error"));
    EXPECT_THAT(log, HasSubstr("WARNING: VerifyPacket CRC failed, sending NAK"));
    EXPECT_THAT(log, HasSubstr("WARNING: Received NAK"));
    EXPECT_THAT(log, HasSubstr("WARNING: SENDING ON RETRY"));
    EXPECT_THAT(log, HasSubstr("Pinpad:after faults"));
}

TEST_F(SerialThreadTest, RejectedPacketGetsNoReplyAndTheLoopGoesOn) {
    Configure(ProgramKind::Service, Line::Com);
    auto line = MakePinpadLine();
    StartSerialThread();
    LinkTimings timings = QuickTimings();
    timings.replyTimeout = std::chrono::milliseconds(800);
    PinpadLink link(*line, {}, timings);
    EXPECT_EQ(link.Exchange('H', {}).status, ExchangeStatus::NoReply) << "acknowledged, then not answered";
    EXPECT_EQ(link.Exchange('T', {}).status, ExchangeStatus::Ok);
    const std::string log = Log();
    const std::size_t failed = log.find("Processing packet failed, no reply sending");
    ASSERT_NE(failed, std::string::npos);
    EXPECT_NE(log.find("Looping 2", failed), std::string::npos);
}

TEST_F(SerialThreadTest, MissingComPortEndsWithTheSerialException) {
    Configure(ProgramKind::Service, Line::Com, 7);
    SerialThread();
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("Real / Virtual COM Mode Selected"));
    EXPECT_THAT(log, HasSubstr("Error: Serial exception "));
    EXPECT_LT(log.find("Error: Serial exception "), log.find("Exiting the SERIAL THREAD 2 \r\n"));
    EXPECT_THAT(log, Not(HasSubstr("SerialThread before opening port")));
    EXPECT_EQ(SerialPortInitialized.load(), 0);
}

TEST_F(SerialThreadTest, AbsentFtdiDeviceEndsSilently) {
    Configure(ProgramKind::Service, Line::Ftdi);
    SerialThread();  // no simulator behind the name
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("D2XXMode Selected"));
    EXPECT_THAT(log, HasSubstr("Serial thread: Error: opening port Pinpad Sim failed \r\n"));
    EXPECT_THAT(log, Not(HasSubstr("Exiting the SERIAL THREAD")));
    EXPECT_EQ(SerialPortInitialized.load(), -1);
}

TEST_F(SerialThreadTest, ComOpenLogsTheLineSettingsAndTheTimeouts) {
    Configure(ProgramKind::Service, Line::Com);
    auto line = MakePinpadLine();
    StartSerialThread();
    ASSERT_TRUE(WaitFor([&] { return SerialPortInitialized.load() == 1 && Log().find("Looping 1") != std::string::npos; }));
    const std::string log = Log();
    EXPECT_EQ(CountOf(log, "Serial thread: portC=5, uiBaudC=115200, cParity=N, databitsC=8, stopbits=1 \r\n"), 2);
    EXPECT_THAT(log, HasSubstr("Port number = 5 \r\n"));
    EXPECT_LT(log.find("SerialThread before opening port"), log.find("SerialThread after opening port"));
    EXPECT_THAT(log, HasSubstr("Read interval = 0\r\nRead Total Timeout constant = 40000\r\n"
                               "ReadTotalTimeoutMultiplier = 0\r\nWriteTotalTimeoutConstant=1000\r\n"
                               "WriteTotalTimeoutMultiplier=0 \r\n"));
}

namespace {

// Records the Configuration button from the serial thread.
class ButtonRecorder : public UiHook {
public:
    void EnableConfigurationButton(bool enable) override {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(enable);
    }
    std::vector<bool> Calls() {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }

private:
    std::mutex lock;
    std::vector<bool> calls;
};

}  // namespace

TEST_F(SerialThreadTest, DesktopConfigurationButtonIsOffWhileARequestIsHandled) {
    Configure(ProgramKind::Desktop, Line::Com);
    ButtonRecorder buttons;
    SetUiHook(&buttons);
    auto line = MakePinpadLine();
    StartSerialThread();
    PinpadLink link(*line, {}, QuickTimings());
    ASSERT_EQ(link.Exchange('T', {}).status, ExchangeStatus::Ok);
    EXPECT_TRUE(WaitFor([&] { return buttons.Calls().size() == 2; }));
    EXPECT_EQ(buttons.Calls(), (std::vector<bool>{false, true}));
    StopSerialThreads();
    EXPECT_EQ(buttons.Calls().back(), true) << "closing the port enables it again";
}

namespace {

// A TCP port that completes connects (the kernel's backlog) but never answers.
class SilentHost {
public:
    SilentHost() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentHost() { close(fd_); }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace

TEST_F(SerialThreadTest, AbandonedThreadLeavesPortStateAndReplyToItsSuccessor) {
    Configure(ProgramKind::Service, Line::Com);
    SilentHost silentHost;
    auto line = MakePinpadLine();
    StartSerialThread();
    LinkTimings timings = QuickTimings();
    PinpadLink link(*line, {}, timings);
    const std::int32_t socket =
        ReadInt32(link.Exchange('C', ConnectPayload("127.0.0.1", silentHost.port(), 0x04)).reply, 0);
    ASSERT_GE(socket, 0);

    // The first thread blocks for four seconds in the relay receive...
    timings.replyTimeout = std::chrono::milliseconds(300);
    PinpadLink impatient(*line, {}, timings);
    ASSERT_EQ(impatient.Exchange('F', ReceivePayload(socket, 64)).status, ExchangeStatus::NoReply);
    // ...and is given up on, the way a forced stop does, while a new thread takes the line.
    SetStopRequest(1);
    AbandonSerialThread();
    SerialPortInitialized = 0;
    SetStopRequest(0);
    StartSerialThread();
    EXPECT_EQ(link.Exchange('T', {}).status, ExchangeStatus::Ok);

    ASSERT_TRUE(WaitFor([&] { return threadsEnded_.load() == 1; }, std::chrono::seconds(10)));
    const std::string log = Log();
    EXPECT_THAT(log, HasSubstr("EXIT main THREAD 4"));
    EXPECT_THAT(log, HasSubstr("Exiting the SERIAL THREAD 2"));
    EXPECT_EQ(SerialPortInitialized.load(), 1) << "the successor's state stands";
    EXPECT_EQ(line->ReadByte(std::chrono::milliseconds(300)), -1) << "no late F reply on the line";
    EXPECT_EQ(link.Exchange('T', {}).status, ExchangeStatus::Ok) << "the port is still open";
    EXPECT_EQ(link.Counters().strayReplies, 0);
}
