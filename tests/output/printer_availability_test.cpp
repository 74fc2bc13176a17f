#include "output/printer_test.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/ui_hook.h"
#include "config/config_file.h"
#include "config/log.h"
#include "output/printer_channel.h"
#include "output/printer_status.h"
#include "output/remote_host.h"
#include "support/test_env.h"
#include "devices/devices.h"
#include "support/pty_pair.h"
#include "loopback_tcp.h"

namespace {

struct Status {
    std::string text;
    bool green;
};

bool operator==(const Status& a, const Status& b) { return a.text == b.text && a.green == b.green; }
void PrintTo(const Status& s, std::ostream* out) { *out << "\"" << s.text << "\"" << (s.green ? " green" : " red"); }

bool operator==(const StatusColour& a, const StatusColour& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.isDefault == b.isDefault;
}

// The desktop's printer status line, as the test thread sets it.
class StatusLine : public UiHook {
public:
    void SetPrinterStatus(const std::string& text, StatusColour colour) override {
        std::lock_guard<std::mutex> guard(lock_);
        EXPECT_TRUE(colour == kDarkGreen || colour == kDarkRed) << text;
        shown_.push_back({text, colour == kDarkGreen});
    }
    std::vector<Status> shown() const {
        std::lock_guard<std::mutex> guard(lock_);
        return shown_;
    }

protected:
    mutable std::mutex lock_;
    std::vector<Status> shown_;
};

enum class Printer {
    Listening,        // network printer that accepts the connection
    NobodyListening,  // network printer that does not answer
    NoAddress,        // network printer without an address
    NoSettings,
    ComPortLine,      // COM port 7, a serial line that exists
    ComPortMissing,   // COM port 200, which does not exist
    FtdiDevice,       // FTDI device "TICKET PRINTER", attached
    FtdiMissing,      // FTDI device "GHOST", not attached
};

constexpr int kLinePort = 7;
constexpr int kMissingPort = 200;

struct AvailabilityCase {
    const char* name;
    ProgramKind kind;
    PrinterKind printerType;
    Printer printer;
    std::uint8_t statusByte;
    int alive;
    std::vector<Status> statusLine;  // desktop only
    bool tested;                     // "Printer test thread starting" is logged
};

void PrintTo(const AvailabilityCase& c, std::ostream* out) { *out << c.name; }

const Status kNoPrinter{"No printer configured", false};
const Status kTesting{"Testing printer...", false};
const Status kAvailable{"Printer available", true};
const Status kNotAvailable{"Printer NOT available", false};
const Status kDefault{"Default Windows printer", true};

class PrinterFixture {
protected:
    explicit PrinterFixture(ProgramKind kind) : dir_(kind) {
        ResetPrinterStatusForTests();
        SetUiHook(&statusLine_);
        setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
    }
    ~PrinterFixture() {
        SetUiHook(nullptr);
        ResetRelayForTests();
        unsetenv("TERMBRIDGE_D2XX_LIBRARY");
    }

    void Configure(PrinterKind type, Printer printer) {
        HostConfig config{};
        config.loggingLevel = 1;
        config.printerType = static_cast<std::int32_t>(type);
        switch (printer) {
            case Printer::Listening:
                std::strcpy(config.printerIp, "127.0.0.1");
                config.printerPort = printer_.port();
                break;
            case Printer::NobodyListening:
                std::strcpy(config.printerIp, "127.0.0.1");
                config.printerPort = UnusedLoopbackPort();
                break;
            case Printer::NoAddress:
                config.printerPort = 9100;
                break;
            case Printer::NoSettings:
                break;
            case Printer::ComPortLine:
                config.printerComPrnPort = kLinePort;
                ports_.LinkPort(kLinePort, line_.SlavePath());
                break;
            case Printer::ComPortMissing:
                config.printerComPrnPort = kMissingPort;
                break;
            case Printer::FtdiDevice:
                std::strcpy(config.printerD2xxDeviceName, "TICKET PRINTER");
                ftdiDevices_.Link("TICKET PRINTER", line_.SlavePath());
                break;
            case Printer::FtdiMissing:
                std::strcpy(config.printerD2xxDeviceName, "GHOST");
                break;
        }
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
        ASSERT_EQ(OpenLog(), 0);
        // Start-up loads the printer's FTDI library once.
        if (PrinterD2xx().library == nullptr) {
            ASSERT_EQ(PrinterD2xx().LoadD2xx(), 0);
        }
    }

    TempDataDir dir_;
    StatusLine statusLine_;
    LoopbackListener printer_;
    PtyPair line_;
    PortsDir ports_;
    DeviceLinkDir ftdiDevices_{"FAKE_D2XX_DEVICES"};
};

class PrinterAvailabilityTest : public PrinterFixture, public ::testing::TestWithParam<AvailabilityCase> {
protected:
    PrinterAvailabilityTest() : PrinterFixture(GetParam().kind) {}
};

}  // namespace

TEST_P(PrinterAvailabilityTest, TestPublishesTheAnswer) {
    const AvailabilityCase& c = GetParam();
    Configure(c.printerType, c.printer);
    EXPECT_EQ(PrinterTestThread(), 0);

    EXPECT_EQ(HostStatusByte(), c.statusByte);
    EXPECT_EQ(PrinterOnEthernetAlive.load(), c.alive);
    EXPECT_EQ(statusLine_.shown(), c.kind == ProgramKind::Desktop ? c.statusLine : std::vector<Status>{});

    const std::string log = dir_.LogText();
    EXPECT_EQ(log.find("Printer test thread starting") != std::string::npos, c.tested);
    // The service reports its verdict only when it actually tested.
    if (c.tested || c.kind == ProgramKind::Desktop) {
        EXPECT_NE(log.find(c.alive == 1 ? "Printer AVAILABLE \r\n" : "Printer NOT AVAILABLE \r\n"),
                  std::string::npos);
    } else {
        EXPECT_EQ(log.find("AVAILABLE"), std::string::npos);
    }
    EXPECT_NE(log.find("Printer test thread ending \r\n"), std::string::npos);
    if (c.printer != Printer::NobodyListening && c.printer != Printer::Listening) {
        EXPECT_EQ(log.find("ConnectRemoteHost"), std::string::npos) << "no network connect attempt";
    }
    EXPECT_FALSE(PrinterSerialPort().IsOpen()) << "a test leaves no port open";
    EXPECT_EQ(PrinterD2xx().handle, nullptr) << "a test leaves no device open";
    if (c.printer == Printer::Listening && c.alive == 1 && c.tested) {
        ScopedFd connection = printer_.Accept();
        ASSERT_TRUE(connection.valid());
        EXPECT_EQ(ReadUntilClosed(connection.get()), "") << "nothing is ever sent to the printer";
        EXPECT_NE(log.find("Printer connected OK"), std::string::npos);
        EXPECT_NE(log.find("PrinterDisconnect returns 0"), std::string::npos);
    }
    if (c.printer == Printer::NobodyListening) {
        EXPECT_NE(log.find("Error connecting the printer"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PrinterAvailabilityTest,
    ::testing::Values(
        AvailabilityCase{"DesktopNone", ProgramKind::Desktop, PrinterKind::None, Printer::NoSettings, 0x70, 0,
                         {kNoPrinter, kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopDefaultPrinter", ProgramKind::Desktop, PrinterKind::WindowsDefault,
                         Printer::NoSettings, 0xF0, 1, {kDefault}, false},
        AvailabilityCase{"DesktopComPortWithoutPortOrDevice", ProgramKind::Desktop, PrinterKind::ComPort,
                         Printer::NoSettings, 0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopEthernetAnswering", ProgramKind::Desktop, PrinterKind::Ethernet,
                         Printer::Listening, 0xF0, 1, {kTesting, kAvailable}, true},
        AvailabilityCase{"DesktopEthernetSilent", ProgramKind::Desktop, PrinterKind::Ethernet,
                         Printer::NobodyListening, 0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopEthernetWithoutAddress", ProgramKind::Desktop, PrinterKind::Ethernet,
                         Printer::NoAddress, 0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopExternalEcrIsUnknown", ProgramKind::Desktop, PrinterKind::ExternalEcr,
                         Printer::Listening, 0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopComPortLine", ProgramKind::Desktop, PrinterKind::ComPort, Printer::ComPortLine,
                         0xF0, 1, {kTesting, kAvailable}, true},
        AvailabilityCase{"DesktopComPortMissing", ProgramKind::Desktop, PrinterKind::ComPort,
                         Printer::ComPortMissing, 0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"DesktopFtdiDevice", ProgramKind::Desktop, PrinterKind::ComPort, Printer::FtdiDevice, 0xF0,
                         1, {kTesting, kAvailable}, true},
        AvailabilityCase{"DesktopFtdiMissing", ProgramKind::Desktop, PrinterKind::ComPort, Printer::FtdiMissing,
                         0x70, 0, {kTesting, kNotAvailable}, true},
        AvailabilityCase{"ServiceComPortLine", ProgramKind::Service, PrinterKind::ComPort, Printer::ComPortLine,
                         0xD0, 1, {}, true},
        AvailabilityCase{"ServiceComPortMissing", ProgramKind::Service, PrinterKind::ComPort,
                         Printer::ComPortMissing, 0x50, 0, {}, true},
        AvailabilityCase{"ServiceFtdiDevice", ProgramKind::Service, PrinterKind::ComPort, Printer::FtdiDevice, 0xD0,
                         1, {}, true},
        AvailabilityCase{"ServiceFtdiMissing", ProgramKind::Service, PrinterKind::ComPort, Printer::FtdiMissing,
                         0x50, 0, {}, true},
        AvailabilityCase{"ServiceNone", ProgramKind::Service, PrinterKind::None, Printer::NoSettings, 0x50, 0, {},
                         true},
        AvailabilityCase{"ServiceDefaultPrinter", ProgramKind::Service, PrinterKind::WindowsDefault,
                         Printer::NoSettings, 0xD0, 1, {}, false},
        AvailabilityCase{"ServiceComPortWithoutPortOrDevice", ProgramKind::Service, PrinterKind::ComPort,
                         Printer::NoSettings, 0x50, 0, {}, true},
        AvailabilityCase{"ServiceEthernetAnswering", ProgramKind::Service, PrinterKind::Ethernet,
                         Printer::Listening, 0xD0, 1, {}, true},
        AvailabilityCase{"ServiceEthernetSilent", ProgramKind::Service, PrinterKind::Ethernet,
                         Printer::NobodyListening, 0x50, 0, {}, true},
        AvailabilityCase{"ServiceEthernetWithoutAddress", ProgramKind::Service, PrinterKind::Ethernet,
                         Printer::NoAddress, 0x50, 0, {}, true},
        AvailabilityCase{"ServiceExternalEcr", ProgramKind::Service, PrinterKind::ExternalEcr, Printer::Listening,
                         0xD4, 1, {}, false}),
    [](const ::testing::TestParamInfo<AvailabilityCase>& row) { return std::string(row.param.name); });

namespace {

class ServicePrinterTest : public PrinterFixture, public ::testing::Test {
protected:
    ServicePrinterTest() : PrinterFixture(ProgramKind::Service) {}
};

}  // namespace

TEST_F(ServicePrinterTest, ExternalEcrBitIsClearedOnlyByAKindOfNone) {
    Configure(PrinterKind::ExternalEcr, Printer::NoSettings);
    PrinterTestThread();
    EXPECT_EQ(HostStatusByte(), 0xD4);

    Configure(PrinterKind::Ethernet, Printer::NobodyListening);
    PrinterTestThread();
    EXPECT_EQ(HostStatusByte(), 0x54) << "a failed test clears only the printer bit";

    Configure(PrinterKind::None, Printer::NoSettings);
    PrinterTestThread();
    EXPECT_EQ(HostStatusByte(), 0x50);
}

TEST_F(ServicePrinterTest, ComPortSettingWinsOverTheFtdiDevice) {
    HostConfig config{};
    config.loggingLevel = 1;
    config.printerType = static_cast<std::int32_t>(PrinterKind::ComPort);
    config.printerComPrnPort = 7;
    std::strcpy(config.printerD2xxDeviceName, "TICKET PRINTER");
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    ASSERT_EQ(OpenLog(), 0);
    EXPECT_EQ(GetPrinterChannel(), PrinterChannel::Com);
    EXPECT_NE(dir_.LogText().find("Printer CNF indicating COM PRINTER"), std::string::npos);

    config.printerComPrnPort = 0;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    EXPECT_EQ(GetPrinterChannel(), PrinterChannel::D2xx);
    EXPECT_NE(dir_.LogText().find("Printer CNF indicating D2XX PRINTER"), std::string::npos);
}

TEST_F(ServicePrinterTest, ComPrinterIsOpenedAt19200AndClosedAgain) {
    Configure(PrinterKind::ComPort, Printer::ComPortLine);
    const PrinterChannel channel = GetPrinterChannel();
    ASSERT_EQ(channel, PrinterChannel::Com);
    ASSERT_EQ(PrinterConnect(channel), 0);
    termios settings{};
    ASSERT_EQ(tcgetattr(line_.Slave(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), B19200);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u);

    EXPECT_EQ(PrinterDisconnect(channel), 0);
    EXPECT_FALSE(PrinterSerialPort().IsOpen());
    EXPECT_TRUE(line_.ReadUntilQuiet(std::chrono::milliseconds(50)).empty()) << "nothing is sent to the printer";
    const std::string log = dir_.LogText();
    for (const char* line : {"Trying to open COM port printer at 7 ", "Printer COM port 7 open ", "Port 7 OPEN "}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(ServicePrinterTest, MissingComPortIsReportedAndNotKept) {
    Configure(PrinterKind::ComPort, Printer::ComPortMissing);
    EXPECT_EQ(PrinterConnect(GetPrinterChannel()), -1);
    EXPECT_FALSE(PrinterSerialPort().IsOpen());
    EXPECT_NE(dir_.LogText().find("Error opening printer COM port \r\n"), std::string::npos);
}

TEST_F(ServicePrinterTest, FtdiPrinterIsSetUpInOrder) {
    setenv("FAKE_D2XX_CALL_LOG", dir_.File("d2xx_calls").c_str(), 1);
    Configure(PrinterKind::ComPort, Printer::FtdiDevice);
    PrinterTestThread();
    unsetenv("FAKE_D2XX_CALL_LOG");
    EXPECT_EQ(PrinterOnEthernetAlive.load(), 1);
    const std::string calls = ReadWholeFile(dir_.File("d2xx_calls"));
    EXPECT_NE(calls.find("FT_OpenEx TICKET PRINTER\nFT_SetBaudRate 19200\nFT_SetDataCharacteristics 8 0 0\n"
                         "FT_ResetDevice\nFT_Purge 1\nFT_ResetDevice\nFT_SetTimeouts 10000 10000\nFT_Close\n"),
              std::string::npos)
        << calls;
    const std::string log = dir_.LogText();
    for (const char* line : {"Trying to open D2XX device TICKET PRINTER ", "Device TICKET PRINTER open ok ",
                             "open D2XX device TICKET PRINTER "}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(ServicePrinterTest, MissingFtdiDeviceIsReported) {
    Configure(PrinterKind::ComPort, Printer::FtdiMissing);
    EXPECT_EQ(PrinterConnect(GetPrinterChannel()), -1);
    EXPECT_NE(dir_.LogText().find("Error: open D2XX device GHOST FAILED \r\n"), std::string::npos);
}

TEST_F(ServicePrinterTest, DisconnectWithoutAPrinterSocketFails) {
    Configure(PrinterKind::Ethernet, Printer::NoAddress);
    EXPECT_EQ(PrinterDisconnect(PrinterChannel::Ethernet), -1);
    EXPECT_NE(dir_.LogText().find("PrinterDisconnect returns -1"), std::string::npos);
    EXPECT_EQ(PrinterDisconnect(PrinterChannel::None), 0);
}

TEST_F(ServicePrinterTest, StartedTestLogsItsThreadIdUnlessAskedNotTo) {
    Configure(PrinterKind::WindowsDefault, Printer::NoSettings);
    StartPrinterTest();
    StartPrinterTest(ThreadIdLine::Skip);
    ASSERT_TRUE(WaitFor([] { return PrinterTestsRunning() == 0; }));
    EXPECT_EQ(CountOf(dir_.LogText(), "Printer thread ID = "), 1);
    EXPECT_EQ(CountOf(dir_.LogText(), "Printer test thread ending"), 2);
}

namespace {

// Holds the first test inside its connect phase until the test lets it go, and counts
// how many tests are inside at once.
class HoldingStatusLine : public StatusLine {
public:
    void SetPrinterStatus(const std::string& text, StatusColour colour) override {
        StatusLine::SetPrinterStatus(text, colour);
        std::unique_lock<std::mutex> guard(lock_);
        if (text == kTesting.text) {
            maxInside_ = std::max(maxInside_, ++inside_);
            ++entered_;
            changed_.notify_all();
            changed_.wait(guard, [this] { return released_; });
        } else {
            --inside_;
        }
    }
    int entered() const {
        std::lock_guard<std::mutex> guard(lock_);
        return entered_;
    }
    int maxInside() const {
        std::lock_guard<std::mutex> guard(lock_);
        return maxInside_;
    }
    void Release() {
        std::lock_guard<std::mutex> guard(lock_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::condition_variable changed_;
    int inside_ = 0;
    int maxInside_ = 0;
    int entered_ = 0;
    bool released_ = false;
};

class DesktopPrinterTest : public PrinterFixture, public ::testing::Test {
protected:
    DesktopPrinterTest() : PrinterFixture(ProgramKind::Desktop) { SetUiHook(&holding_); }
    ~DesktopPrinterTest() override {
        holding_.Release();
        WaitFor([] { return PrinterTestsRunning() == 0; });
    }
    HoldingStatusLine holding_;
};

}  // namespace

TEST_F(DesktopPrinterTest, TwoTestsStartedTogetherRunOneAfterTheOther) {
    Configure(PrinterKind::Ethernet, Printer::Listening);
    StartPrinterTest(ThreadIdLine::Skip);
    StartPrinterTest(ThreadIdLine::Skip);
    ASSERT_TRUE(WaitFor([this] { return holding_.entered() == 1; }));
    // While the first one is held, the second one must not get in.
    EXPECT_FALSE(WaitFor([this] { return holding_.entered() == 2; }, std::chrono::milliseconds(300)));
    holding_.Release();
    ASSERT_TRUE(WaitFor([] { return PrinterTestsRunning() == 0; }));

    EXPECT_EQ(holding_.maxInside(), 1);
    EXPECT_EQ(holding_.shown(), (std::vector<Status>{kTesting, kAvailable, kTesting, kAvailable}));
    const std::string log = dir_.LogText();
    const auto firstEnd = log.find("Printer test thread ending");
    const auto secondStart = log.rfind("Printer test thread starting");
    ASSERT_NE(firstEnd, std::string::npos);
    ASSERT_NE(secondStart, std::string::npos);
    EXPECT_LT(firstEnd, secondStart);
    EXPECT_EQ(HostStatusByte(), 0xF0);
}
