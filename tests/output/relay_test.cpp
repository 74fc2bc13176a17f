#include "output/relay_requests.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "config/host_config.h"
#include "config/log.h"
#include "output/remote_host.h"
#include "support/test_env.h"
#include "loopback_tcp.h"
#include "test_packets.h"

namespace {

Bytes ConnectPayload(const std::string& host, std::uint8_t portHigh, std::uint8_t portLow,
                     std::uint8_t timeoutBcd = 0x30) {
    Bytes payload(sizeof(RemoteHostRequest), 0);
    std::memcpy(payload.data(), host.data(), std::min<std::size_t>(host.size(), 100));
    payload[101] = portHigh;
    payload[102] = portLow;
    payload[103] = timeoutBcd;
    return payload;
}

Bytes ConnectPacket(std::uint16_t port, std::uint8_t timeoutBcd = 0x30) {
    return MakePacket('C', ConnectPayload("127.0.0.1", static_cast<std::uint8_t>(port >> 8),
                                          static_cast<std::uint8_t>(port & 0xFF), timeoutBcd));
}

Bytes SendPacket(int handle, const std::string& data) {
    return MakePacket('E', Concat(Int32Bytes(handle), TextBytes(data)));
}

Bytes ReceivePacket(int handle, std::int32_t maximum) {
    return MakePacket('F', Concat(Int32Bytes(handle), Int32Bytes(maximum)));
}

Bytes DisconnectPacket(int handle) { return MakePacket('D', Int32Bytes(handle)); }

std::chrono::milliseconds ReceiveTimeoutOf(int handle) {
    timeval tv{};
    socklen_t size = sizeof tv;
    getsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &tv, &size);
    return std::chrono::seconds(tv.tv_sec) + std::chrono::milliseconds(tv.tv_usec / 1000);
}

int QueuedBytes(int handle) {
    int queued = 0;
    ioctl(handle, FIONREAD, &queued);
    return queued;
}

class RelayTest : public ::testing::Test {
protected:
    explicit RelayTest(ProgramKind kind = ProgramKind::Service) : dir_(kind) {}

    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 2;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
        ASSERT_TRUE(server_.listening());
    }
    void TearDown() override { ResetRelayForTests(); }

    // Connects through a 'C' request and accepts the connection on the server side.
    int Connect(std::uint8_t timeoutBcd = 0x30) {
        const Reply reply = CallHandler(HandleConnectRequest, ConnectPacket(server_.port(), timeoutBcd));
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.packet.size(), 7u);
        EXPECT_TRUE(reply.crcGood());
        peer_ = server_.Accept();
        EXPECT_TRUE(peer_.valid());
        return reply.result();
    }

    TempDataDir dir_;
    LoopbackListener server_;
    ScopedFd peer_;
};

}  // namespace

TEST_F(RelayTest, ConnectSendReceiveDisconnectCarriesBytesUnchanged) {
    const int handle = Connect();
    ASSERT_GE(handle, 0);

    const std::string request("\x00\x10\x02hello\xFF", 9);
    const Reply sent = CallHandler(HandleSendRequest, SendPacket(handle, request));
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(sent.packet[0], 'E');
    EXPECT_EQ(sent.result(), 9);
    EXPECT_EQ(ReadUntil(peer_.get(), "\xFF"), request);

    const std::string answer("\x06\x00pong", 6);
    ASSERT_TRUE(WriteAll(peer_.get(), answer));
    const Reply received = CallHandler(HandleReceiveRequest, ReceivePacket(handle, 100));
    EXPECT_EQ(received.status, 0);
    EXPECT_TRUE(received.crcGood());
    EXPECT_EQ(received.result(), 6);
    EXPECT_EQ(received.payload(), Concat(Int32Bytes(6), TextBytes(answer)));

    const Reply closed = CallHandler(HandleDisconnectRequest, DisconnectPacket(handle));
    EXPECT_EQ(closed.packet[0], 'D');
    EXPECT_EQ(closed.result(), 0);
    EXPECT_EQ(ReadUntilClosed(peer_.get()), "");

    const std::string log = dir_.LogText();
    EXPECT_NE(log.find(" ****** Connect_remote_host ****** "), std::string::npos);
    EXPECT_NE(log.find("Host name: 127.0.0.1 "), std::string::npos);
    EXPECT_NE(log.find("Result: " + std::to_string(handle) + " "), std::string::npos);
    EXPECT_NE(log.find("****** Remote_host_send to socket " + std::to_string(handle) + ", size = 9 ******"),
              std::string::npos);
    EXPECT_NE(log.find("DATA: (expected = 9), (sent = 9)"), std::string::npos);
    EXPECT_NE(log.find("00100268656C6C6FFF "), std::string::npos);
    EXPECT_NE(log.find(" ****** Remote_host_send returns 9 ****** "), std::string::npos);
    EXPECT_NE(log.find("Remote host send 6 bytes of data:"), std::string::npos);
    EXPECT_NE(log.find("DATA: (expected / maximal = 100), (read = 6)"), std::string::npos);
    EXPECT_NE(log.find("0600706F6E67 "), std::string::npos);
    EXPECT_NE(log.find("****** Remote_host_disconnect (" + std::to_string(handle) + ") ******"),
              std::string::npos);
}

TEST_F(RelayTest, PortBytesAreBigEndian) {
    LoopbackListener port8080(8080);
    if (!port8080.listening()) GTEST_SKIP() << "port 8080 is taken on this machine";
    const Reply reply = CallHandler(HandleConnectRequest, MakePacket('C', ConnectPayload("127.0.0.1", 0x1F, 0x90)));
    EXPECT_GE(reply.result(), 0);
    EXPECT_TRUE(port8080.Accept().valid());
    EXPECT_NE(dir_.LogText().find("Host port: 1F90 "), std::string::npos);
}

TEST_F(RelayTest, ReceiveTimeoutIsDecodedFromBcd) {
    struct Case {
        const char* name;
        std::uint8_t bcd;
        std::chrono::milliseconds decoded;
        std::chrono::milliseconds applied;
    };
    const Case cases[] = {
        {"thirty seconds", 0x30, std::chrono::seconds(30), std::chrono::seconds(30)},
        {"none, bounded by the longest wait", 0x00, std::chrono::seconds(0), kLongestReceiveWait},
        {"nibble above nine taken as is", 0x1A, std::chrono::seconds(20), std::chrono::seconds(20)},
        {"largest byte", 0xFF, std::chrono::seconds(165), std::chrono::seconds(165)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeReceiveTimeout(c.bcd), c.decoded);
        const int handle = Connect(c.bcd);
        ASSERT_GE(handle, 0);
        EXPECT_EQ(ReceiveTimeoutOf(handle), c.applied);
    }
}

TEST_F(RelayTest, ReceiveThatTimesOutRepliesMinusOne) {
    const int handle = Connect(0x01);
    ASSERT_GE(handle, 0);
    const Reply reply = CallHandler(HandleReceiveRequest, ReceivePacket(handle, 100));
    EXPECT_EQ(reply.result(), -1);
    EXPECT_EQ(reply.payload().size(), 4u);
    EXPECT_NE(dir_.LogText().find("FAILED with error -1"), std::string::npos);
}

TEST_F(RelayTest, ReceiveAfterPeerClosedRepliesZeroAndNoData) {
    const int handle = Connect();
    ASSERT_GE(handle, 0);
    peer_.reset();
    const Reply reply = CallHandler(HandleReceiveRequest, ReceivePacket(handle, 100));
    EXPECT_EQ(reply.result(), 0);
    EXPECT_EQ(reply.packet.size(), 7u);
    EXPECT_TRUE(reply.crcGood());
}

TEST_F(RelayTest, ReceiveWithMaximumZeroRepliesZeroAndLeavesTheData) {
    const int handle = Connect();
    ASSERT_GE(handle, 0);
    ASSERT_TRUE(WriteAll(peer_.get(), "waiting"));
    ASSERT_TRUE(WaitFor([&] { return QueuedBytes(handle) == 7; }));
    const Reply reply = CallHandler(HandleReceiveRequest, ReceivePacket(handle, 0));
    EXPECT_EQ(reply.result(), 0);
    EXPECT_EQ(reply.packet.size(), 7u);
    EXPECT_EQ(QueuedBytes(handle), 7);
}

TEST_F(RelayTest, DisconnectOfMinusOneIsRefused) {
    const Reply reply = CallHandler(HandleDisconnectRequest, DisconnectPacket(-1));
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.result(), -1);
    EXPECT_NE(dir_.LogText().find("Error: socket to close is < 0 "), std::string::npos);
}

TEST_F(RelayTest, EmptySendMakesOneZeroByteSend) {
    const int handle = Connect();
    ASSERT_GE(handle, 0);
    const Reply reply = CallHandler(HandleSendRequest, SendPacket(handle, ""));
    EXPECT_EQ(reply.result(), 0);
    EXPECT_EQ(reply.packet.size(), 7u);
    const std::string log = dir_.LogText();
    EXPECT_NE(log.find("size = 0 ******"), std::string::npos);
    EXPECT_NE(log.find("Error: Failed to send (0) "), std::string::npos);
    EXPECT_NE(log.find(" ****** Remote_host_send returns 0 ****** "), std::string::npos);
}

TEST_F(RelayTest, ConnectFailuresReplyMinusOne) {
    struct Case {
        const char* name;
        Bytes payload;
        std::string logLine;
    };
    std::string longName(101, 'a');  // no NUL in the name field at all
    const std::uint16_t closedPort = UnusedLoopbackPort();
    const Case cases[] = {
        {"unresolvable name", ConnectPayload("no-such-host.invalid", 0x1F, 0x90),
         "Error: gethostbyname returns NULL "},
        {"name field without NUL", Concat(TextBytes(longName), Bytes{0x1F, 0x90, 0x30}),
         "Host name: " + std::string(100, 'a') + " "},
        {"nobody listening",
         ConnectPayload("127.0.0.1", static_cast<std::uint8_t>(closedPort >> 8),
                        static_cast<std::uint8_t>(closedPort & 0xFF)),
         "connect error "},
        {"payload shorter than the request", TextBytes("127.0.0.1"),
         "Error: Connect_remote_host request too short (12 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = CallHandler(HandleConnectRequest, MakePacket('C', c.payload));
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.result(), -1);
        EXPECT_NE(dir_.LogText().find(c.logLine), std::string::npos);
    }
    EXPECT_NE(dir_.LogText().find("Result: -1 "), std::string::npos);
}

TEST_F(RelayTest, HandleNotOpenedByTheRelayIsNeitherUsedNorClosed) {
    // Any descriptor of the process stands for the log, the pinpad's port or a listener.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ScopedFd readEnd(ends[0]);
    ScopedFd writeEnd(ends[1]);
    ASSERT_EQ(write(writeEnd.get(), "x", 1), 1);

    EXPECT_EQ(CallHandler(HandleSendRequest, SendPacket(writeEnd.get(), "injected")).result(), -1);
    EXPECT_EQ(CallHandler(HandleReceiveRequest, ReceivePacket(readEnd.get(), 10)).result(), -1);
    EXPECT_EQ(CallHandler(HandleDisconnectRequest, DisconnectPacket(readEnd.get())).result(), -1);

    EXPECT_NE(fcntl(readEnd.get(), F_GETFD), -1) << "the foreign handle was closed";
    char byte = 0;
    EXPECT_EQ(read(readEnd.get(), &byte, 1), 1) << "the foreign handle was read";
    EXPECT_EQ(byte, 'x');
    EXPECT_EQ(CountOf(dir_.LogText(), "is not a relay connection"), 3);
}

TEST_F(RelayTest, DisconnectedHandleCannotBeUsedAgain) {
    const int handle = Connect();
    ASSERT_GE(handle, 0);
    EXPECT_EQ(CallHandler(HandleDisconnectRequest, DisconnectPacket(handle)).result(), 0);
    EXPECT_EQ(CallHandler(HandleDisconnectRequest, DisconnectPacket(handle)).result(), -1);
    EXPECT_EQ(CallHandler(HandleSendRequest, SendPacket(handle, "late")).result(), -1);
}

TEST_F(RelayTest, RequestsShorterThanTheirFieldsAreAnsweredMinusOne) {
    struct Case {
        const char* name;
        int (*handler)(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, std::size_t&);
        Bytes packet;
    };
    const Case cases[] = {
        {"disconnect without handle", HandleDisconnectRequest, MakePacket('D', {1, 2})},
        {"send without handle", HandleSendRequest, MakePacket('E', {5, 0})},
        {"receive without maximum", HandleReceiveRequest, MakePacket('F', Int32Bytes(5))},
        {"connect with nothing", HandleConnectRequest, MakePacket('C', {})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = CallHandler(c.handler, c.packet);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.packet.size(), 7u);
        EXPECT_EQ(reply.result(), -1);
    }
}

TEST_F(RelayTest, ReplyBufferWithoutRoomForAResultSendsNothing) {
    const Reply reply = CallHandler(HandleDisconnectRequest, DisconnectPacket(-1), 6);
    EXPECT_NE(reply.status, 0);
    EXPECT_TRUE(reply.packet.empty());
}

TEST_F(RelayTest, FirstConnectStartsSocketsAgainAfterAReset) {
    ResetSocketsStarted();
    EXPECT_FALSE(SocketsStarted());
    ASSERT_GE(Connect(), 0);
    EXPECT_TRUE(SocketsStarted());
}

namespace {

struct ClampCase {
    const char* name;
    ProgramKind kind;
    std::int32_t asked;
    std::size_t capacity;
    int expected;
};

void PrintTo(const ClampCase& c, std::ostream* out) { *out << c.name; }

class ReceiveClampTest : public ::testing::TestWithParam<ClampCase> {
protected:
    ReceiveClampTest() : dir_(GetParam().kind) {}
    void TearDown() override { ResetRelayForTests(); }
    TempDataDir dir_;
    LoopbackListener server_;
};

}  // namespace

TEST_P(ReceiveClampTest, ReplyNeverOutgrowsItsRoom) {
    const ClampCase& c = GetParam();
    const Reply connected = CallHandler(HandleConnectRequest, ConnectPacket(server_.port()));
    const int handle = connected.result();
    ASSERT_GE(handle, 0);
    ScopedFd peer = server_.Accept();
    ASSERT_TRUE(WriteAll(peer.get(), std::string(9000, 'z')));
    ASSERT_TRUE(WaitFor([&] { return QueuedBytes(handle) == 9000; }));

    const Reply reply = CallHandler(HandleReceiveRequest, ReceivePacket(handle, c.asked), c.capacity);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.result(), c.expected);
    EXPECT_EQ(reply.packet.size(), 7u + static_cast<std::size_t>(c.expected));
    EXPECT_LE(reply.packet.size(), c.capacity);
    EXPECT_TRUE(reply.crcGood());
}

INSTANTIATE_TEST_SUITE_P(
    Maxima, ReceiveClampTest,
    ::testing::Values(ClampCase{"DesktopHuge", ProgramKind::Desktop, 0x7FFFFFFF, 16000, 8188},
                      ClampCase{"ServiceHuge", ProgramKind::Service, 0x7FFFFFFF, 16000, 8192},
                      ClampCase{"ServiceExact", ProgramKind::Service, 8192, 16000, 8192},
                      ClampCase{"SmallReplyBuffer", ProgramKind::Service, 5000, 100, 93},
                      ClampCase{"NegativeMaximum", ProgramKind::Service, -5, 16000, 0}),
    [](const ::testing::TestParamInfo<ClampCase>& row) { return std::string(row.param.name); });
