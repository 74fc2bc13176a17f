#include "devices/serial_port.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

#include "devices/serial_port_path.h"
#include "support/pty_pair.h"
#include "support/test_env.h"

using namespace std::chrono_literals;

namespace {

constexpr int kPort = 7;

// The error code of the CSerialException that action throws; 0 when it throws none.
std::uint32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CSerialException& e) {
        return e.Error();
    }
    return 0;
}

std::string TextOf(std::uint32_t error) {
    char text[4096];
    CSerialException(error).GetErrorText(text, sizeof text);
    return text;
}

std::chrono::milliseconds Elapsed(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ports_.LinkPort(kPort, pty_.SlavePath()); }

    void OpenDefault() { port_.Open(kPort, 115200, kNoParity, 8, kOneStopBit); }

    termios LineSettings() const {
        termios settings{};
        EXPECT_EQ(tcgetattr(pty_.Slave(), &settings), 0);
        return settings;
    }

    PtyPair pty_;
    PortsDir ports_;
    CSerialPort port_;
};

}  // namespace

TEST(SerialPortPath, PortsDirEntryElseTheNumberedTty) {
    PortsDir ports;
    ports.LinkPort(3, "/dev/null");
    ports.LinkPort(4, "/nonexistent/device");
    EXPECT_EQ(SerialPortPath(3), ports.Path() + "/COM3");
    EXPECT_EQ(SerialPortPath(4), ports.Path() + "/COM4") << "a dangling entry still names the port";
    EXPECT_EQ(SerialPortPath(5), "/dev/ttyS4");
    EXPECT_EQ(SerialPortPath(0), "/dev/ttyS-1");
}

TEST_F(SerialPortTest, MissingPortThrowsNoSuchFile) {
    ports_.LinkPort(9, "/nonexistent/device");
    EXPECT_EQ(ErrorOf([&] { port_.Open(9, 115200, kNoParity, 8, kOneStopBit); }),
              static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(TextOf(ENOENT), "No such file or directory");
    CommConfig config;
    EXPECT_EQ(ErrorOf([&] { CSerialPort::GetDefaultConfig(9, config); }),
              static_cast<std::uint32_t>(ENOENT));
}

TEST_F(SerialPortTest, DefaultConfigNeedsAnExistingCharacterDevice) {
    CommConfig config;
    config.dcb.BaudRate = 1;
    EXPECT_EQ(ErrorOf([&] { CSerialPort::GetDefaultConfig(kPort, config); }), 0u);
    EXPECT_EQ(config.dcb.BaudRate, 9600u);
    EXPECT_EQ(config.dcb.ByteSize, 8);

    TempDataDir dir;
    WriteWholeFile(dir.File("plain"), "not a port");
    ports_.LinkPort(8, dir.File("plain"));
    EXPECT_EQ(ErrorOf([&] { CSerialPort::GetDefaultConfig(8, config); }),
              static_cast<std::uint32_t>(ENODEV));
    ports_.LinkPort(10, dir.File("plain"));
    EXPECT_EQ(ErrorOf([&] { port_.Open(10, 115200, kNoParity, 8, kOneStopBit); }),
              static_cast<std::uint32_t>(ENOTTY));
    EXPECT_FALSE(port_.IsOpen());
}

TEST_F(SerialPortTest, OpenIsExclusive) {
    OpenDefault();
    CSerialPort second;
    EXPECT_EQ(ErrorOf([&] { second.Open(kPort, 115200, kNoParity, 8, kOneStopBit); }),
              static_cast<std::uint32_t>(EBUSY));
    EXPECT_FALSE(second.IsOpen());

    // Opening again on the same wrapper closes its own port first.
    EXPECT_EQ(ErrorOf([&] { OpenDefault(); }), 0u);
    port_.Close();
    port_.Close();
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(ErrorOf([&] { second.Open(kPort, 115200, kNoParity, 8, kOneStopBit); }), 0u);
}

// A pseudo-terminal keeps the speed and the stop bits but forces 8 data bits without parity
// (the mapping of those is tested on its own); our open must still take the line raw.
TEST_F(SerialPortTest, OpenAppliesLineSettingsInRawMode) {
    struct Row {
        const char* name;
        std::uint32_t baud;
        std::uint8_t stopBits;
        speed_t speed;
        bool twoStopFlag;
    };
    const Row rows[] = {
        {"pinpad 115200, one stop bit", 115200, kOneStopBit, B115200, false},
        {"printer 19200, two stop bits", 19200, kTwoStopBits, B19200, true},
        {"9600, one stop bit", 9600, kOneStopBit, B9600, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        port_.Open(kPort, row.baud, kNoParity, 8, row.stopBits);
        const termios line = LineSettings();
        EXPECT_EQ(cfgetospeed(&line), row.speed);
        EXPECT_EQ(cfgetispeed(&line), row.speed);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, row.twoStopFlag);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(line.c_oflag & OPOST, 0u);
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(line.c_cflag & CLOCAL, 0u);

        Dcb dcb;
        port_.GetState(dcb);
        EXPECT_EQ(dcb.BaudRate, row.baud);
        EXPECT_EQ(dcb.StopBits, row.stopBits);
        EXPECT_FALSE(dcb.fOutX || dcb.fInX || dcb.fOutxCtsFlow);
    }
}

TEST_F(SerialPortTest, OutOfRangeStopBitsKeepTheCurrentValue) {
    port_.Open(kPort, 9600, kNoParity, 8, kTwoStopBits);
    port_.Open(kPort, 115200, 9, 8, 3);
    Dcb dcb;
    port_.GetState(dcb);
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.StopBits, kTwoStopBits);
}

TEST_F(SerialPortTest, InvalidSettingsThrowAndLeaveThePortHeld) {
    OpenDefault();
    EXPECT_EQ(ErrorOf([&] { port_.Open(kPort, 12345, kNoParity, 8, kOneStopBit); }),
              static_cast<std::uint32_t>(EINVAL));
    EXPECT_TRUE(port_.IsOpen());
    Dcb dcb;
    port_.GetState(dcb);
    EXPECT_EQ(dcb.BaudRate, 115200u) << "the line keeps its settings";
}

TEST_F(SerialPortTest, ReadWaitsAsTheTimeoutsSay) {
    OpenDefault();
    struct Row {
        const char* name;
        CommTimeouts timeouts;
        Bytes early;                         // on the line before the read
        Bytes late;                          // written 150 ms into the read
        std::size_t asked;
        std::size_t expected;
        std::chrono::milliseconds atLeast;
        std::chrono::milliseconds below;     // a read that ignored its time-out would take longer
    };
    const Row rows[] = {
        {"total constant, nothing arrives", {0, 0, 300, 0, 0}, {}, {}, 1, 0, 300ms, 3000ms},
        {"interval max alone returns at once", {kMaxTimeout, 0, 0, 0, 0}, {}, {0x41}, 4, 0, 0ms, 140ms},
        {"interval ends the read after a pause", {60, 0, 8000, 0, 0}, {1, 2, 3}, {}, 10, 3, 60ms, 4000ms},
        {"first arrival ends the read", {kMaxTimeout, kMaxTimeout, 8000, 0, 0}, {}, {7, 8}, 10, 2, 150ms, 4000ms},
        {"all zero waits for every byte", {0, 0, 0, 0, 0}, {1, 2}, {3, 4}, 4, 4, 150ms, 60000ms},
        {"multiplier counts per byte", {0, 100, 50, 0, 0}, {}, {}, 3, 0, 350ms, 4000ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        port_.Purge(kPurgeRxClear);
        port_.SetTimeouts(row.timeouts);
        pty_.Write(row.early);
        std::jthread writer([&] {
            if (row.late.empty()) return;
            std::this_thread::sleep_for(150ms);
            pty_.Write(row.late);
        });
        std::uint8_t buffer[16] = {};
        const auto start = std::chrono::steady_clock::now();
        std::size_t got = 0;
        EXPECT_EQ(ErrorOf([&] { got = port_.Read(buffer, row.asked); }), 0u);
        const auto elapsed = Elapsed(start);
        writer.join();
        EXPECT_EQ(got, row.expected);
        EXPECT_GE(elapsed, row.atLeast);
        EXPECT_LT(elapsed, row.below);
    }
}

TEST_F(SerialPortTest, WriteReachesTheFarEnd) {
    OpenDefault();
    const Bytes hello{'h', 'e', 'l', 'l', 'o', 0x00, 0x10, 0x0D, 0x0A, 0xFF};
    EXPECT_EQ(port_.Write(hello.data(), hello.size()), hello.size());
    EXPECT_EQ(pty_.ReadUntilQuiet(200ms), hello) << "raw: no byte translated";
}

TEST_F(SerialPortTest, XoffHoldsOutputUntilTheWriteTimeoutAndXonReleasesIt) {
    OpenDefault();
    CommTimeouts timeouts;
    timeouts.WriteTotalTimeoutConstant = 200;
    port_.SetTimeouts(timeouts);
    port_.SetXoff();
    const Bytes bytes{1, 2, 3};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port_.Write(bytes.data(), bytes.size()), 0u);
    EXPECT_GE(Elapsed(start), 200ms);
    EXPECT_FALSE(pty_.ReadByte(50ms).has_value());
    port_.SetXon();
    EXPECT_EQ(port_.Write(bytes.data(), bytes.size()), 3u);
    EXPECT_EQ(pty_.ReadUntilQuiet(200ms), bytes);
}

TEST_F(SerialPortTest, BytesWaitingAndPurge) {
    OpenDefault();
    pty_.Write({1, 2, 3, 4, 5});
    EXPECT_TRUE(WaitFor([&] { return port_.BytesWaiting() == 5; }));
    std::uint32_t errors = 99;
    ComStat status;
    port_.ClearError(errors, status);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(status.cbInQue, 5u);
    port_.Purge(kPurgeRxAbort);
    EXPECT_EQ(port_.BytesWaiting(), 5u) << "an abort discards nothing";
    port_.Purge(kPurgeRxClear | kPurgeTxClear);
    EXPECT_EQ(port_.BytesWaiting(), 0u);
    EXPECT_EQ(ErrorOf([&] { port_.Purge(0x100); }), static_cast<std::uint32_t>(EINVAL));
}

// The serial thread's set-up and close sequences on a line without modem lines.
TEST_F(SerialPortTest, ModemControlOnALineWithoutModemLinesIsANoOp) {
    OpenDefault();
    const std::uint32_t error = ErrorOf([&] {
        std::uint32_t flags = 99;
        port_.GetModemStatus(flags);
        EXPECT_EQ(flags, 0u);
        std::uint32_t errors = 99;
        port_.ClearError(errors);
        EXPECT_EQ(errors, 0u);
        port_.SetBreak();
        port_.ClearBreak();
        port_.Setup(10000, 10000);
        port_.Purge(kPurgeRxAbort);
        port_.ClearDTR();
        port_.ClearRTS();
        port_.SetDTR();
        port_.SetRTS();
        port_.SetXoff();
        port_.SetXon();
        CommProp properties;
        port_.GetProperties(properties);
        EXPECT_EQ(properties.dwCurrentRxQueue, 10000u);
        EXPECT_EQ(properties.dwCurrentTxQueue, 10000u);
        EXPECT_GE(properties.dwMaxBaud, 115200u);
        port_.Purge(kPurgeTxClear);
        port_.Purge(kPurgeRxClear);
        port_.Flush();
        port_.Close();
    });
    EXPECT_EQ(error, 0u) << TextOf(error);
}

TEST_F(SerialPortTest, TimeoutsAndConfigRoundTrip) {
    OpenDefault();
    const CommTimeouts set{0, 0, 40000, 0, 1000};
    port_.SetTimeouts(set);
    CommTimeouts got;
    port_.GetTimeouts(got);
    EXPECT_EQ(got.ReadTotalTimeoutConstant, 40000u);
    EXPECT_EQ(got.WriteTotalTimeoutConstant, 1000u);

    CommConfig config;
    port_.GetConfig(config);
    config.dcb.BaudRate = 57600;
    port_.SetConfig(config);
    EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(LineSettings())), B57600);
}

TEST_F(SerialPortTest, EveryOperationOnAClosedWrapperThrowsBadHandle) {
    Dcb dcb;
    CommConfig config;
    CommTimeouts timeouts;
    CommProp properties;
    ComStat status;
    std::uint32_t value = 0;
    std::uint8_t byte = 0;
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"Read", [&] { port_.Read(&byte, 1); }},
        {"Write", [&] { port_.Write(&byte, 1); }},
        {"GetState", [&] { port_.GetState(dcb); }},
        {"SetState", [&] { port_.SetState(dcb); }},
        {"GetConfig", [&] { port_.GetConfig(config); }},
        {"SetConfig", [&] { port_.SetConfig(config); }},
        {"GetTimeouts", [&] { port_.GetTimeouts(timeouts); }},
        {"SetTimeouts", [&] { port_.SetTimeouts(timeouts); }},
        {"Setup", [&] { port_.Setup(1, 1); }},
        {"ClearError", [&] { port_.ClearError(value); }},
        {"ClearError with ComStat", [&] { port_.ClearError(value, status); }},
        {"BytesWaiting", [&] { port_.BytesWaiting(); }},
        {"GetModemStatus", [&] { port_.GetModemStatus(value); }},
        {"SetBreak", [&] { port_.SetBreak(); }},
        {"ClearBreak", [&] { port_.ClearBreak(); }},
        {"GetProperties", [&] { port_.GetProperties(properties); }},
        {"Flush", [&] { port_.Flush(); }},
        {"Purge", [&] { port_.Purge(kPurgeRxClear); }},
        {"ClearDTR", [&] { port_.ClearDTR(); }},
        {"ClearRTS", [&] { port_.ClearRTS(); }},
        {"SetDTR", [&] { port_.SetDTR(); }},
        {"SetRTS", [&] { port_.SetRTS(); }},
        {"SetXoff", [&] { port_.SetXoff(); }},
        {"SetXon", [&] { port_.SetXon(); }},
    };
    for (const auto& [name, operation] : operations) {
        EXPECT_EQ(ErrorOf(operation), static_cast<std::uint32_t>(EBADF)) << name;
    }
}

TEST_F(SerialPortTest, DetachAndAttachKeepThePortUsable) {
    OpenDefault();
    const SerialHandle handle = port_.Detach();
    EXPECT_FALSE(port_.IsOpen());
    port_.Close();  // holds nothing: must not close the detached port
    {
        CSerialPort other;
        other.Attach(handle);
        EXPECT_TRUE(other.IsOpen());
        const std::uint8_t byte = 0x5A;
        EXPECT_EQ(other.Write(&byte, 1), 1u);
        EXPECT_EQ(pty_.ReadByte(1000ms), std::optional<std::uint8_t>(0x5A));
        port_.Attach(other.Detach());
    }
    const std::uint8_t byte = 0x5B;
    EXPECT_EQ(port_.Write(&byte, 1), 1u);
    EXPECT_EQ(pty_.ReadByte(1000ms), std::optional<std::uint8_t>(0x5B));
}

TEST_F(SerialPortTest, ReadOnAHungUpLineThrows) {
    OpenDefault();
    CommTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = 5000;
    port_.SetTimeouts(timeouts);
    pty_.CloseMaster();
    std::uint8_t byte = 0;
    EXPECT_EQ(ErrorOf([&] { port_.Read(&byte, 1); }), static_cast<std::uint32_t>(EIO));
}
