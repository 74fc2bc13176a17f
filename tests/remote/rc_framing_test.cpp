// The remote-control framing: replies built byte for byte, requests gathered from
// segments, and bad lengths that cost the sender its request or its connection only.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "config/host_config.h"
#include "config/log.h"
#include "rc_server_fixture.h"
#include "remote/rc_clients.h"
#include "remote/rc_message.h"
#include "remote/rc_server.h"

namespace {

const std::string kServiceHello = "OK SERVER Termbridge RC+ ver v1.21 RUNNING";
const std::string kDesktopHello = "OK SERVER Termbridge RC+ ver v1.17 RUNNING";

Bytes HelloReply(const std::string& text) {
    Bytes reply = RcRequest(MESSAGE_HELLO, TextBytes(text));
    return reply;
}

}  // namespace

TEST(RcFraming, BuildRcReplyWritesBigEndianLengthCodeAndPayload) {
    struct Case {
        const char* name;
        Bytes payload;
        int payloadLength;
        Bytes expected;
    };
    const Case cases[] = {
        {"two bytes", {'O', 'K'}, 2, {0, 0, 0, 3, 9, 'O', 'K'}},
        {"none", {}, 0, {0, 0, 0, 1, 9}},
        {"negative counts as none", {}, -4, {0, 0, 0, 1, 9}},
    };
    for (const auto& c : cases) {
        Bytes message(16, 0xAA);
        const std::size_t length = BuildRcReply(message.data(), 9, c.payload.data(), c.payloadLength);
        message.resize(length);
        EXPECT_EQ(message, c.expected) << c.name;
    }
    Bytes large(kRcBufferSize);
    const Bytes ticket(16004, 0x11);
    EXPECT_EQ(BuildRcReply(large.data(), 8, ticket.data(), static_cast<int>(ticket.size())), 16009u);
    EXPECT_EQ(ReadRcLength(large.data()), 16005u);
}

TEST(RcFraming, HandleRcMessageDropsARequestWhoseLengthDoesNotMatch) {
    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);
    struct Case {
        const char* name;
        Bytes request;
    };
    const Case cases[] = {
        {"two bytes more than announced", {0, 0, 0, 10, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"one byte less than announced", {0, 0, 0, 5, 1, 1, 2, 3}},
        {"two requests together", {0, 0, 0, 1, 1, 0, 0, 0, 1, 1}},
        {"shorter than the length field", {0, 0}},
        {"length near 4 GiB", {0xFF, 0xFF, 0xFF, 0xFE, 1}},
    };
    Bytes reply(kRcBufferSize);
    for (const auto& c : cases) {
        std::size_t replyLength = 99;
        const std::size_t before = CountOf(dir.LogText(), "Error: Packet length corrupted");
        EXPECT_EQ(HandleRcMessage(c.request.data(), c.request.size(), reply.data(), replyLength), -1) << c.name;
        EXPECT_EQ(replyLength, 0u) << c.name;
        EXPECT_EQ(CountOf(dir.LogText(), "Error: Packet length corrupted"), static_cast<int>(before) + 1) << c.name;
    }
}

class RcFramingOverTcp : public RcServerTest {};

TEST_F(RcFramingOverTcp, HelloIsAnsweredWithTheServerText) {
    auto client = Connect();
    client->Send({0, 0, 0, 1, 1});
    const Bytes reply = client->ReadReply();
    EXPECT_EQ(reply, HelloReply(kServiceHello));
    EXPECT_EQ(ReadRcLength(reply.data()), reply.size() - 4);
}

TEST_F(RcFramingOverTcp, LengthFieldSplitOverTwoSegmentsIsJoined) {
    auto client = Connect();
    client->Send({0, 0});
    ASSERT_TRUE(WaitForLog("- Received Len: 2 "));
    client->Send({0, 1, 1});
    EXPECT_EQ(client->ReadReply(), HelloReply(kServiceHello));
}

TEST_F(RcFramingOverTcp, MissingPayloadByteIsAwaitedThenTheRequestIsHandled) {
    auto client = Connect();
    client->Send({0, 0, 0, 5, 1, 0xA, 0xB, 0xC});
    ASSERT_TRUE(WaitForLog("- Received Len: 8 "));
    EXPECT_EQ(CountOf(Log(), "HELLO MESSAGE RECEIVED"), 0);
    client->Send({0xD});
    EXPECT_EQ(client->ReadReply(), HelloReply(kServiceHello));
    EXPECT_EQ(CountOf(Log(), "Message received completely. Length = 9, expected len = 9"), 1);
}

TEST_F(RcFramingOverTcp, MoreBytesThanAnnouncedAreDroppedWithoutReplyAndTheConnectionGoesOn) {
    auto client = Connect();
    Bytes request = {0, 0, 0, 10, 1};
    request.resize(16, 0x33);  // 12 bytes after the length field
    client->Send(request);
    ASSERT_TRUE(WaitForLog("Error: Packet length corrupted"));
    // Replies come in order: the next one answers the HELLO, so the bad request got none.
    client->Send({0, 0, 0, 1, 1});
    EXPECT_EQ(client->ReadReply(), HelloReply(kServiceHello));
}

TEST_F(RcFramingOverTcp, UnknownCodesGetTheCodeWithoutPayload) {
    auto client = Connect();
    for (std::uint8_t code : {0, 7, 12, 13, 200, 255}) {
        client->Send(RcRequest(code, {1, 2, 3}));
        EXPECT_EQ(client->ReadReply(), Bytes({0, 0, 0, 1, code})) << int(code);
    }
}

TEST_F(RcFramingOverTcp, BadLengthFieldsEndOnlyTheirOwnConnection) {
    struct Case {
        const char* name;
        Bytes request;
        const char* logLine;
    };
    const Case cases[] = {
        {"no code", {0, 0, 0, 0}, "Message without code, connection closed"},
        {"longer than the buffer", {0, 0, 0x3F, 0xC1, 1}, "Message length 16321 does not fit the receive buffer"},
        {"near 4 GiB", {0xFF, 0xFF, 0xFF, 0xFF, 1}, "Message length 4294967295 does not fit"},
    };
    auto bystander = Connect();
    for (const auto& c : cases) {
        auto client = Connect();
        client->Send(c.request);
        EXPECT_TRUE(client->WaitClosed()) << c.name;
        EXPECT_EQ(CountOf(Log(), c.logLine), 1) << c.name;
        EXPECT_EQ(bystander->Ask(MESSAGE_HELLO), TextBytes(kServiceHello)) << c.name;
    }
    // The largest request that fits is still served.
    auto client = Connect();
    Bytes largest(kRcBufferSize - 5, 0);
    EXPECT_EQ(client->Ask(MESSAGE_HELLO, largest), TextBytes(kServiceHello));
}

TEST_F(RcFramingOverTcp, ClientLinesOfTheServiceAndOneSession) {
    auto client = Connect();
    ASSERT_EQ(client->Ask(MESSAGE_HELLO), TextBytes(kServiceHello));
    client.reset();
    ASSERT_TRUE(WaitForLog("*** ENDING Client Comm thread on socket"));
    ASSERT_TRUE(WaitForLog("Client thread ID = "));  // the listener writes it after the start
    const std::string log = Log();
    for (const char* line : {"*** Remote Control Thread running ***", "*** Listening at port ",
                             "*** Termbridge Product internal version Termbridge RC+ ver v1.21 ***",
                             "R/C connections loop 1", "Connection from 127.0.0.1", "Client thread ID = ",
                             "Termbridge Product internal version Termbridge RC+ ver v1.21",
                             "*** Starting Client Comm thread on socket ",
                             "Set the client timout for 1800000 mili seconds, after that period, if nothing comes, "
                             "the thread is closed automatically",
                             "Receiving", "Received message from Remote Controll DLL (5 bytes):",
                             "PROCESSING REQUEST FROM RC LIBRARY AT SOCKET ", "HELLO MESSAGE RECEIVED",
                             "Data to send to the RC library is 47 bytes", "Client closed connection",
                             "Read either nothing or timeout, retval = -1", "Overall message length is <= 0"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_NE(log.find("*** Listening at port " + std::to_string(port_) + " ***"), std::string::npos);
}

TEST_F(RcFramingOverTcp, ConnectionsOverTheLimitAreClosedAtOnce) {
    std::vector<std::unique_ptr<WireClient>> clients;
    for (int i = 0; i < kMaxRcClients; ++i) {
        clients.push_back(Connect());
        ASSERT_EQ(clients.back()->Ask(MESSAGE_HELLO), TextBytes(kServiceHello)) << i;
    }
    auto refused = Connect();
    EXPECT_TRUE(refused->WaitClosed());
    EXPECT_EQ(CountOf(Log(), "Error: Too many remote control clients (64)"), 1);

    clients.front().reset();
    ASSERT_TRUE(WaitFor([] { return RcClientCount() < kMaxRcClients; }));
    auto admitted = Connect();
    EXPECT_EQ(admitted->Ask(MESSAGE_HELLO), TextBytes(kServiceHello));
}

TEST_F(RcFramingOverTcp, StopEndsTheListenerFreesThePortAndWakesClients) {
    auto client = Connect();
    ASSERT_EQ(client->Ask(MESSAGE_HELLO), TextBytes(kServiceHello));
    StopRcServer();
    EXPECT_EQ(RcListenerState.load(), 0);
    EXPECT_EQ(RcRunning.load(), 0);
    EXPECT_TRUE(client->WaitClosed());

    const std::string log = Log();
    const auto terminating = log.find("Terminating the controll thread...");
    ASSERT_NE(terminating, std::string::npos);
    EXPECT_EQ(CountOf(log, "Connection from "), 2);
    EXPECT_LT(log.rfind("Connection from "), terminating);

    // The port can be bound again, by us or another program.
    ASSERT_EQ(InitRcServer(), 0);
    StartRcServer();
    auto again = Connect();
    EXPECT_EQ(again->Ask(MESSAGE_HELLO), TextBytes(kServiceHello));
}

TEST_F(RcFramingOverTcp, SecondInitAndStartChangeNothing) {
    EXPECT_EQ(InitRcServer(), 0);
    StartRcServer();
    EXPECT_EQ(CountOf(Log(), "Info:Remote process already intialized"), 1);
    EXPECT_EQ(CountOf(Log(), "Info: Remote process already running"), 1);
    ASSERT_TRUE(WaitForLog("R/C connections loop 1"));
    EXPECT_EQ(CountOf(Log(), "*** Remote Control Thread running ***"), 1);
}

TEST(RcServerPort, ASecondInstanceCannotBind) {
    TempDataDir dir;
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);
    const std::uint16_t port = FreeTcpPort();
    setenv("TERMBRIDGE_RC_PORT", std::to_string(port).c_str(), 1);

    // The other instance: a listener on the same port.
    const int other = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(other, 1), 0);

    EXPECT_EQ(InitRcServer(), -3);
    EXPECT_EQ(RcListenerState.load(), 0);
    EXPECT_EQ(CountOf(dir.LogText(), "Error: Bind failed! Probably already an instance of Termbridge / "
                                     "TermbridgeService is running"),
              1);
    ::close(other);
    EXPECT_EQ(InitRcServer(), 0) << "tries again once the port is free";
    StopRcServer();
}

TEST(RcServerPort, DefaultIs20268AndTheOverrideIsTakenWhenValid) {
    struct Case {
        const char* value;
        std::uint16_t port;
    };
    const Case cases[] = {{nullptr, 20268}, {"30001", 30001}, {"0", 20268}, {"70000", 20268}, {"x", 20268}};
    for (const auto& c : cases) {
        if (c.value == nullptr) {
            unsetenv("TERMBRIDGE_RC_PORT");
        } else {
            setenv("TERMBRIDGE_RC_PORT", c.value, 1);
        }
        EXPECT_EQ(RcServerPort(), c.port) << (c.value ? c.value : "unset");
    }
}

class RcDesktopFraming : public RcDesktopServerTest {};

TEST_F(RcDesktopFraming, DesktopWordsItsLinesAndTreatsElevenAsUnknown) {
    auto client = Connect();
    client->Send({0, 0, 0, 1, 1});
    EXPECT_EQ(client->ReadReply(), HelloReply(kDesktopHello));
    client->Send(RcRequest(MESSAGE_GET_ALLOWED_TRANS_TAB));
    EXPECT_EQ(client->ReadReply(), Bytes({0, 0, 0, 1, 11}));
    const std::string log = Log();
    EXPECT_NE(log.find("Received message from ECR DLL (5 bytes):"), std::string::npos);
    EXPECT_NE(log.find("Data to send to the ECR is 47 bytes"), std::string::npos);
    EXPECT_EQ(CountOf(log, "PROCESSING REQUEST FROM RC LIBRARY"), 0);
    EXPECT_EQ(CountOf(log, "Termbridge Product internal version"), 0);
    EXPECT_EQ(CountOf(log, "MESSAGE_GET_ALLOWED_TRANS_TAB"), 0);
}
