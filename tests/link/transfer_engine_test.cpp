#include "link/transfer_engine.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/packets.h"
#include "common/ui_hook.h"
#include "config/host_config.h"
#include "config/log.h"
#include "devices/devices.h"
#include "link/app_exit.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/pinpad_device.h"
#include "link/stop_request.h"
#include "support/pty_pair.h"
#include "support/test_env.h"

using namespace std::chrono_literals;

namespace {

enum class DeviceKind { Com, Ftdi };

constexpr int kPort = 4;
constexpr int kNotReturned = -99;

const Bytes kEmptyA{0x41, 0xC0, 0x30};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The pinpad's side: one whole frame from DLE STX to the LRC, as it came over the line; what
// arrived so far when the line stays quiet.
Bytes ReadFrame(PtyPair& line, std::chrono::milliseconds wait = 5s) {
    Bytes frame;
    bool inData = false;
    bool afterDle = false;
    while (const auto byte = line.ReadByte(wait)) {
        frame.push_back(*byte);
        if (!inData) {
            if (frame.size() >= 2 && frame[frame.size() - 2] == DLE && *byte == STX) {
                frame = {DLE, STX};
                inData = true;
            }
            continue;
        }
        if (afterDle) {
            afterDle = false;
            if (*byte == ETX) {
                if (const auto lrc = line.ReadByte(wait)) frame.push_back(*lrc);
                return frame;
            }
            continue;
        }
        afterDle = *byte == DLE;
    }
    return frame;
}

int BytesUnread(int fd) {
    int count = -1;
    ioctl(fd, FIONREAD, &count);
    return count;
}

class RecordingUi : public UiHook {
public:
    void EnableConfigurationButton(bool enable) override { configurationButton.push_back(enable); }
    std::vector<bool> configurationButton;
};

// The pinpad on a pty, reached through the COM port (ports dir) or the fake FTDI library, with
// the link serving and the log open.
class PinpadLink {
public:
    explicit PinpadLink(DeviceKind kind, ProgramKind program = ProgramKind::Service)
        : kind_(kind), dir_(program) {
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
        EXPECT_EQ(OpenLog(), 0);
        SetStopRequest(0);
        if (kind == DeviceKind::Com) {
            ports_.LinkPort(kPort, line_.SlavePath());
            PinpadSerialPort().Open(kPort, 115200, kNoParity, 8, kOneStopBit);
            PinpadSerialPort().SetTimeouts({0, 0, 40000, 0, 1000});
            D2xxMode = 0;
        } else {
            setenv("TERMBRIDGE_D2XX_LIBRARY", FAKE_D2XX_LIBRARY, 1);
            setenv("FAKE_D2XX_CALL_LOG", dir_.File("d2xx_calls").c_str(), 1);
            d2xxDevices_.Link("Pinpad", line_.SlavePath());
            EXPECT_EQ(PinpadD2xx().LoadD2xx(), 0);
            EXPECT_EQ(PinpadD2xx().OpenEx("Pinpad"), FT_OK);
            D2xxMode = 1;
        }
        SerialPortInitialized = 1;
    }

    ~PinpadLink() {
        PinpadSerialPort().Close();
        if (PinpadD2xx().handle != nullptr) PinpadD2xx().Close();
        D2xxMode = 0;
        SetStopRequest(0);
        unsetenv("TERMBRIDGE_D2XX_LIBRARY");
        unsetenv("FAKE_D2XX_CALL_LOG");
    }

    PtyPair& Line() { return line_; }
    const TempDataDir& Dir() const { return dir_; }
    std::string Log() const { return dir_.LogText(); }
    bool DeviceClosed() const {
        return kind_ == DeviceKind::Com ? !PinpadSerialPort().IsOpen() : PinpadD2xx().handle == nullptr;
    }

    // TransferPacket as the serial thread runs it; kNotReturned when the thread was ended.
    static int Transfer(int direction, std::uint8_t* buffer, int length) {
        int result = kNotReturned;
        RunSerialThreadBody([&] {
            result = TransferPacket(direction, buffer, length);
            return 0;
        });
        return result;
    }

private:
    DeviceKind kind_;
    TempDataDir dir_;
    PtyPair line_;
    PortsDir ports_;
    DeviceLinkDir d2xxDevices_{"FAKE_D2XX_DEVICES"};
};

// Counts of log lines written while one case ran.
class LogWatch {
public:
    explicit LogWatch(const PinpadLink& link) : link_(link), start_(link.Log().size()) {}
    int Count(const std::string& line) const { return CountOf(link_.Log().substr(start_), line); }
    std::string Text() const { return link_.Log().substr(start_); }

private:
    const PinpadLink& link_;
    std::size_t start_;
};

class EngineTest : public ::testing::TestWithParam<DeviceKind> {
protected:
    PinpadLink link_{GetParam()};
};

std::string KindName(const ::testing::TestParamInfo<DeviceKind>& info) {
    return info.param == DeviceKind::Com ? "ComPort" : "Ftdi";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Devices, EngineTest,
                         ::testing::Values(DeviceKind::Com, DeviceKind::Ftdi), KindName);

TEST_P(EngineTest, SendRetransmitsAsThePinpadAnswers) {
    struct Row {
        const char* name;
        std::vector<Bytes> answers;  // one per frame the pinpad reads
        int result;
        std::map<std::string, int> logged;
    };
    const std::string retry = "WARNING: SENDING ON RETRY";
    const std::string nak = "WARNING: Received NAK";
    const std::string gaveUp = "WARNING: No reply from host - didn't receive ACK";
    const Row rows[] = {
        {"ACK at once", {{ACK}}, 8, {{retry, 0}, {gaveUp, 0}}},
        {"NAK four times", {{NAK}, {NAK}, {NAK}, {NAK}}, 0, {{retry, 3}, {nak, 4}, {gaveUp, 1}}},
        {"NAK then ACK", {{NAK}, {ACK}}, 8, {{retry, 1}, {nak, 1}, {gaveUp, 0}}},
        {"EOT", {{EOT}}, 0, {{retry, 0}, {"WARNING: Received EOT", 1}, {gaveUp, 1}}},
        {"junk then ACK",
         {{0x41, ACK}},
         8,
         {{"WARNING: JUNK character, throwing out and waiting again for ACK 41 = [A]", 1},
          {retry, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LogWatch log(link_);
        std::vector<Bytes> frames;
        std::jthread pinpad([&] {
            for (const Bytes& answer : row.answers) {
                frames.push_back(ReadFrame(link_.Line()));
                link_.Line().Write(answer);
            }
        });
        Bytes packet = kEmptyA;
        EXPECT_EQ(PinpadLink::Transfer(kSendPacket, packet.data(), 3), row.result);
        pinpad.join();
        EXPECT_EQ(frames, std::vector<Bytes>(row.answers.size(), FrameOf(kEmptyA)));
        EXPECT_TRUE(link_.Line().ReadUntilQuiet(100ms).empty()) << "no further transmission";
        for (const auto& [line, count] : row.logged) EXPECT_EQ(log.Count(line), count) << line;
    }
}

TEST_P(EngineTest, LongFrameGoesOutWhole) {
    Bytes payload(600);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
    Bytes packet = PacketOf('I', payload);
    Bytes seen;
    std::jthread pinpad([&] {
        seen = ReadFrame(link_.Line());
        link_.Line().Write({ACK});
    });
    const int result = PinpadLink::Transfer(kSendPacket, packet.data(), static_cast<int>(packet.size()));
    pinpad.join();
    EXPECT_EQ(seen, FrameOf(packet));
    EXPECT_EQ(result, static_cast<int>(FrameOf(packet).size()));
}

// A frame of exactly the work area goes out; one byte more is refused before anything is written.
TEST_P(EngineTest, FrameLargerThanTheWorkAreaIsRefused) {
    Bytes fits(kFrameWorkAreaSize - 5, 'a');
    Bytes seen;
    std::jthread pinpad([&] {
        seen = ReadFrame(link_.Line());
        link_.Line().Write({ACK});
    });
    EXPECT_EQ(PinpadLink::Transfer(kSendPacket, fits.data(), static_cast<int>(fits.size())),
              static_cast<int>(kFrameWorkAreaSize));
    pinpad.join();
    EXPECT_EQ(seen.size(), kFrameWorkAreaSize);

    const LogWatch log(link_);
    Bytes tooLong(kPacketBufferSize, 'a');
    for (std::size_t i = 0; i < 30; ++i) tooLong[i] = DLE;  // 16000 + 30 + 5 bytes on the wire
    EXPECT_EQ(PinpadLink::Transfer(kSendPacket, tooLong.data(), static_cast<int>(tooLong.size())), 0);
    EXPECT_TRUE(link_.Line().ReadUntilQuiet(100ms).empty());
    EXPECT_EQ(log.Count("Error: Frame of 16035 bytes does not fit the 16024-byte work area, not sent"), 1);
}

TEST_P(EngineTest, NothingToSendAndAWrongDirection) {
    const LogWatch log(link_);
    Bytes packet = kEmptyA;
    EXPECT_EQ(PinpadLink::Transfer(kSendPacket, packet.data(), 0), 0);
    EXPECT_EQ(log.Text(), "") << "a length of 0 logs nothing";
    EXPECT_EQ(PinpadLink::Transfer(3, packet.data(), 3), 0);
    EXPECT_EQ(log.Count("Error: Wrong parameter input"), 1);
    EXPECT_TRUE(link_.Line().ReadUntilQuiet(100ms).empty());
}

TEST_P(EngineTest, ReceiveAnswersEachFrame) {
    struct Step {
        Bytes write;
        std::optional<std::uint8_t> answer;  // what the engine must answer, if anything
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        int result;
        Bytes packet;
        std::map<std::string, int> logged;
    };
    const Bytes frame = FrameOf(kEmptyA);
    const Bytes badLrc{0x10, 0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA3};
    const Bytes dataWithEot = PacketOf('P', {0x04, 0x10, 0x04});
    const std::string gaveUp = "WARNING: No reply from host - didn't receive anything";
    const Row rows[] = {
        {"noise before the frame", {{Concat({{0x00, 0x41, 0x03, 0xFF}, frame}), ACK}}, 3, kEmptyA, {}},
        {"bad LRC, then a good frame",
         {{badLrc, NAK}, {frame, ACK}},
         3,
         kEmptyA,
         {{"WARNING: LRC doesn't match - error\r\n", 1}}},
        {"bad CRC, then a good frame",
         {{FrameOf({0x41, 0xC0, 0x31}), NAK}, {frame, ACK}},
         3,
         kEmptyA,
         {{"Warning: CRC WRONG", 1}, {"Failed CRC", 1}, {"WARNING: VerifyPacket CRC failed, sending NAK", 1}}},
        {"empty data part", {{{0x10, 0x02, 0x10, 0x03, 0x13}, NAK}, {frame, ACK}}, 3, kEmptyA, {}},
        {"single DLE is dropped without an answer",
         {{{0x10, 0x02, 0x41, 0x10, 0x41}, std::nullopt}, {frame, ACK}},
         3,
         kEmptyA,
         {{"WARNING: Single DLE - error", 1}}},
        {"unknown type letter is acknowledged",
         {{FrameOf(PacketOf('H')), ACK}},
         3,
         PacketOf('H'),
         {{"Unknown packet type - 48", 1}}},
        {"EOT before a frame", {{{0x00, EOT}, std::nullopt}}, 0, {}, {{"WARNING: EOT received, abort", 1}, {gaveUp, 1}}},
        {"EOT inside the data part is data", {{FrameOf(dataWithEot), ACK}}, 6, dataWithEot, {{gaveUp, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LogWatch log(link_);
        std::vector<std::uint8_t> answers;
        std::jthread pinpad([&] {
            for (const Step& step : row.steps) {
                link_.Line().Write(step.write);
                if (!step.answer) continue;
                if (const auto answer = link_.Line().ReadByte(5s)) answers.push_back(*answer);
            }
        });
        Bytes buffer(kPacketBufferSize, 0);
        EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size())),
                  row.result);
        pinpad.join();
        Bytes expectedAnswers;
        for (const Step& step : row.steps) {
            if (step.answer) expectedAnswers.push_back(*step.answer);
        }
        EXPECT_EQ(answers, expectedAnswers);
        EXPECT_TRUE(link_.Line().ReadUntilQuiet(100ms).empty()) << "nothing answered beyond that";
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(row.packet.size())), row.packet);
        for (const auto& [line, count] : row.logged) EXPECT_EQ(log.Count(line), count) << line;
    }
}

TEST_P(EngineTest, AcknowledgementComesAfterThePause) {
    const Bytes frame = FrameOf(kEmptyA);
    std::chrono::steady_clock::duration waited{};
    std::optional<std::uint8_t> answer;
    std::jthread pinpad([&] {
        link_.Line().Write(Bytes(frame.begin(), frame.end() - 1));
        const auto lrcSent = std::chrono::steady_clock::now();
        link_.Line().Write({frame.back()});
        answer = link_.Line().ReadByte(5s);
        waited = std::chrono::steady_clock::now() - lrcSent;
    });
    Bytes buffer(kPacketBufferSize, 0);
    EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size())), 3);
    pinpad.join();
    EXPECT_EQ(answer, std::optional<std::uint8_t>(ACK));
    EXPECT_GE(waited, 150ms);
}

// The closing DLE is stored before it is known to close the frame: the largest packet is one
// byte less than the buffer, and nothing is written past the buffer.
TEST_P(EngineTest, PacketSizeLimitOfTheReceiveBuffer) {
    struct Row {
        const char* name;
        std::size_t packetLength;
        int result;
        std::size_t answers;
        int overflowLines;
    };
    const Row rows[] = {
        {"15999 bytes are accepted", kPacketBufferSize - 1, static_cast<int>(kPacketBufferSize - 1), 1, 0},
        {"16000 bytes are refused", kPacketBufferSize, 0, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LogWatch log(link_);
        Bytes payload(row.packetLength - 3);
        for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i % 251);
        const Bytes packet = PacketOf('S', payload);
        std::jthread pinpad([&] { link_.Line().Write(FrameOf(packet)); });
        Bytes buffer(kPacketBufferSize + 64, 0xEE);
        EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(kPacketBufferSize)),
                  row.result);
        pinpad.join();
        EXPECT_EQ(Bytes(buffer.begin() + static_cast<long>(kPacketBufferSize), buffer.end()), Bytes(64, 0xEE));
        if (row.result > 0) {
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + row.result), packet);
        }
        EXPECT_EQ(link_.Line().ReadUntilQuiet(300ms).size(), row.answers);
        EXPECT_EQ(log.Count("WARNING: Buffer overflow"), row.overflowLines);
    }
}

TEST_P(EngineTest, StopRequestWhileWaitingForAFrameEndsTheThread) {
    std::atomic<bool> done{false};
    std::atomic<bool> loopCodeRan{false};
    int exitCode = -1;
    std::jthread serial([&] {
        exitCode = RunSerialThreadBody([&] {
            Bytes buffer(kPacketBufferSize, 0);
            TransferPacket(kReceivePacket, buffer.data(), static_cast<int>(buffer.size()));
            loopCodeRan = true;
            return 7;
        });
        done = true;
    });
    // Once the engine has taken this noise byte it is waiting for a frame.
    link_.Line().Write({0x00});
    ASSERT_TRUE(WaitFor([&] { return BytesUnread(link_.Line().Slave()) == 0; }));
    SetStopRequest(1);
    ASSERT_TRUE(WaitFor([&] { return done.load(); }, 5s));
    serial.join();

    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(loopCodeRan);
    EXPECT_EQ(SerialPortInitialized.load(), 0);
    EXPECT_TRUE(link_.DeviceClosed());
    const std::string log = link_.Log();
    EXPECT_GE(CountOf(log, "STOP RUNNING REQUESTED"), 1);
    EXPECT_EQ(CountOf(log, "EXIT THREAD 3") + CountOf(log, "EXIT THREAD 4"), 1);
    const auto exitLine = std::min(log.find("EXIT THREAD 3"), log.find("EXIT THREAD 4"));
    ASSERT_NE(exitLine, std::string::npos);
    EXPECT_LT(exitLine, log.find("App_ExitThread 0"));
    EXPECT_LT(log.find("App_ExitThread 0"), log.find("Exiting the SERIAL THREAD 1"));
    EXPECT_EQ(CountOf(log, "Exiting the SERIAL THREAD 1"), 1);
    EXPECT_EQ(CountOf(log, "Exiting the SERIAL THREAD 2"), 0);
}

TEST_P(EngineTest, StopRequestWhileWaitingForAnAcknowledgementEndsTheThread) {
    std::atomic<bool> frameSeen{false};
    std::atomic<bool> done{false};
    std::jthread pinpad([&] {
        ReadFrame(link_.Line());
        frameSeen = true;
    });
    std::jthread serial([&] {
        Bytes packet = kEmptyA;
        EXPECT_EQ(PinpadLink::Transfer(kSendPacket, packet.data(), 3), kNotReturned);
        done = true;
    });
    ASSERT_TRUE(WaitFor([&] { return frameSeen.load(); }));
    SetStopRequest(1);
    ASSERT_TRUE(WaitFor([&] { return done.load(); }, 5s));
    const std::string log = link_.Log();
    // The pinpad may read the frame before the engine's check after the last chunk, so
    // that check can be the one that sees the stop.
    EXPECT_EQ(CountOf(log, "EXIT THREAD 1") + CountOf(log, "EXIT THREAD 2") + CountOf(log, "EXIT THREAD m2"), 1);
    EXPECT_EQ(CountOf(log, "App_ExitThread 0"), 1);
    EXPECT_EQ(CountOf(log, "Exiting the SERIAL THREAD 1"), 1);
    EXPECT_EQ(SerialPortInitialized.load(), 0);
    EXPECT_TRUE(link_.DeviceClosed());
}

// On the COM port the engine sets the read time-out and keeps the write time-out.
TEST(ComPortEngine, ReceiveSetsTheReadTimeoutOnly) {
    PinpadLink link(DeviceKind::Com);
    std::jthread pinpad([&] {
        link.Line().Write(FrameOf(kEmptyA));
        link.Line().ReadByte(5s);
    });
    Bytes buffer(kPacketBufferSize, 0);
    EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size())), 3);
    CommTimeouts timeouts;
    PinpadSerialPort().GetTimeouts(timeouts);
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
}

// The one case with the real time-outs: four silent attempts of ten 1,000 ms reads each.
TEST(ComPortEngine, SendWithoutAnyAnswerGivesUpAfterFourSilentAttempts) {
    PinpadLink link(DeviceKind::Com);
    std::vector<Bytes> frames;
    std::jthread pinpad([&] {
        for (int i = 0; i < 4; ++i) frames.push_back(ReadFrame(link.Line(), 15s));
    });
    Bytes packet = kEmptyA;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PinpadLink::Transfer(kSendPacket, packet.data(), 3), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    pinpad.join();
    EXPECT_EQ(frames, std::vector<Bytes>(4, FrameOf(kEmptyA)));
    EXPECT_GE(elapsed, 40s);
    const std::string log = link.Log();
    EXPECT_EQ(CountOf(log, "WARNING: ACK / Nothing arrived in timeout, retransmit"), 4);
    EXPECT_EQ(CountOf(log, "WARNING: SENDING ON RETRY"), 3);
    EXPECT_EQ(CountOf(log, "WARNING: No reply from host - didn't receive ACK"), 1);
}

TEST(ComPortEngine, HungUpLineThrowsOutOfTheEngine) {
    PinpadLink link(DeviceKind::Com);
    link.Line().CloseMaster();
    Bytes buffer(kPacketBufferSize, 0);
    try {
        PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size()));
        FAIL() << "no exception";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.Error(), static_cast<std::uint32_t>(EIO));
    }
    EXPECT_EQ(CountOf(link.Log(), "App_ExitThread"), 0) << "the serial thread's handler takes it";
}

TEST(FtdiEngine, ReadTimeoutGoesWithTheWriteTimeout) {
    PinpadLink link(DeviceKind::Ftdi);
    std::jthread pinpad([&] {
        link.Line().Write(FrameOf(kEmptyA));
        link.Line().ReadByte(5s);
    });
    Bytes buffer(kPacketBufferSize, 0);
    EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size())), 3);
    EXPECT_EQ(CountOf(ReadWholeFile(link.Dir().File("d2xx_calls")), "FT_SetTimeouts 1000 10000\n"), 1);
}

TEST(FtdiEngine, FailedReadEndsTheThread) {
    struct Row {
        const char* name;
        int direction;
        const char* exitLine;
    };
    const Row rows[] = {
        {"while receiving", kReceivePacket, "EXIT THREAD DUE TO ERROR X3"},
        {"while waiting for an acknowledgement", kSendPacket, "EXIT THREAD DUE TO ERROR X2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PinpadLink link(DeviceKind::Ftdi);
        std::jthread pinpad([&] {
            if (row.direction == kSendPacket) ReadFrame(link.Line());
            link.Line().CloseMaster();
        });
        Bytes buffer = kEmptyA;
        buffer.resize(kPacketBufferSize);
        const int length = row.direction == kSendPacket ? 3 : static_cast<int>(buffer.size());
        EXPECT_EQ(PinpadLink::Transfer(row.direction, buffer.data(), length), kNotReturned);
        const std::string log = link.Log();
        EXPECT_EQ(CountOf(log, row.exitLine), 1);
        EXPECT_LT(log.find(row.exitLine), log.find("App_ExitThread 0"));
        EXPECT_EQ(CountOf(log, "Exiting the SERIAL THREAD 1"), 1);
        EXPECT_EQ(SerialPortInitialized.load(), 0);
        EXPECT_TRUE(link.DeviceClosed());
    }
}

// Without the library every FTDI read fails, so the engine ends the thread at once.
TEST(FtdiEngine, NoLibraryEndsTheThreadOnTheFirstRead) {
    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);
    D2xxMode = 1;
    SerialPortInitialized = 1;
    Bytes buffer(kPacketBufferSize, 0);
    EXPECT_EQ(PinpadLink::Transfer(kReceivePacket, buffer.data(), static_cast<int>(buffer.size())),
              kNotReturned);
    const std::string log = dir.LogText();
    EXPECT_EQ(CountOf(log, "EXIT THREAD DUE TO ERROR X3"), 1);
    EXPECT_EQ(CountOf(log, "Exiting the SERIAL THREAD 1"), 1);
    EXPECT_EQ(SerialPortInitialized.load(), 0);
    D2xxMode = 0;
}

TEST(ClosePinpadPort, DesktopEnablesTheConfigurationButtonAgain) {
    struct Row {
        const char* name;
        DeviceKind device;
        ProgramKind program;
        std::vector<bool> expected;
    };
    const Row rows[] = {
        {"desktop, COM port", DeviceKind::Com, ProgramKind::Desktop, {true}},
        {"desktop, FTDI", DeviceKind::Ftdi, ProgramKind::Desktop, {true}},
        {"service", DeviceKind::Com, ProgramKind::Service, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PinpadLink link(row.device, row.program);
        RecordingUi ui;
        SetUiHook(&ui);
        ClosePinpadPort();
        SetUiHook(nullptr);
        EXPECT_EQ(ui.configurationButton, row.expected);
        EXPECT_TRUE(link.DeviceClosed());
    }
}
