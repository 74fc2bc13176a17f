// The cash-register client library against the real server over loopback.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "config/config_file.h"
#include "ecr_client.h"
#include "output/last_ticket.h"
#include "rc_server_fixture.h"
#include "remote/rc_start_trans.h"
#include "requests/screen_layout.h"
#include "requests/transaction.h"

using namespace ecr;

namespace {

class EcrClientTest : public RcServerTest {
protected:
    void SetUp() override {
        RcServerTest::SetUp();
        ASSERT_EQ(client_.Connect("127.0.0.1", port_), EcrStatus::Ok);
    }
    EcrClient client_{std::chrono::seconds(5)};
};

// A listener that accepts and then does what the test asks with the connection.
class FakeHost {
public:
    FakeHost() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 1);
        socklen_t size = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~FakeHost() {
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    // Reads one request, then sends the bytes and keeps the connection until the client closes.
    void AnswerWith(Bytes bytes) {
        thread_ = std::thread([this, bytes] {
            const int client = ::accept(fd_, nullptr, nullptr);
            std::uint8_t request[64];
            ::recv(client, request, sizeof request, 0);
            if (!bytes.empty()) ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            while (::recv(client, request, sizeof request, 0) > 0) {
            }
            ::close(client);
        });
    }
    std::uint16_t port() const { return port_; }

private:
    int fd_;
    std::uint16_t port_;
    std::thread thread_;
};

}  // namespace

TEST(EcrEncoding, SaleRequestReadsBackAsSent) {
    const SaleRequest cases[] = {
        {0x8810, 1250, "REF-1", ""},
        {0x8860, -42, "", "+3725551234"},
        {0x0001, 999999999, std::string(70, 'R'), std::string(70, 'G')},
    };
    for (const auto& sale : cases) {
        const StartTransRequest read = ParseStartTrans(EncodeSaleRequest(sale));
        EXPECT_EQ(read.typeCode, sale.typeCode);
        EXPECT_EQ(read.amount, sale.amount);
        EXPECT_EQ(read.reference, sale.reference.substr(0, 63));
        EXPECT_EQ(read.gsmNumber, sale.gsmNumber.substr(0, 63));
    }
    const auto payload = EncodeSaleRequest({0x8810, 1250, "", ""});
    EXPECT_EQ(std::string(payload.begin(), payload.begin() + 16), "8810000000001250");
}

TEST_F(EcrClientTest, SaleFromStartToTicket) {
    std::string hello;
    ASSERT_EQ(client_.Hello(hello), EcrStatus::Ok);
    EXPECT_EQ(hello, "OK SERVER Termbridge RC+ ver v1.21 RUNNING");

    StartAnswer started;
    ASSERT_EQ(client_.StartTransaction({0x8810, 1250, "R-77", "5550100"}, started), EcrStatus::Ok);
    EXPECT_TRUE(started.accepted);
    PollAnswer poll;
    ASSERT_EQ(client_.PollResult(poll), EcrStatus::Ok);
    EXPECT_FALSE(poll.finished);
    EXPECT_EQ(poll.waitText, "UNFINISHED OR NEVER STARTED TRANSACTION, PLEASE WAIT");

    // The pinpad's side, as the serial thread does it.
    std::uint16_t type = 0;
    std::int32_t amount = 0;
    std::string reference;
    ASSERT_EQ(TakePendingTransaction(type, amount, reference), 0);
    EXPECT_EQ(reference, "R-77");
    TransactionBlock result = MakeTransactionBlock(type, amount, reference);
    StoreTransactionResult(result.data());
    const Bytes ticket = {1, 4, 'S', 'A', 'L', 'E', 4, 0};
    StoreLastTicket(ticket.data(), ticket.size());

    ASSERT_EQ(client_.PollResult(poll), EcrStatus::Ok);
    EXPECT_TRUE(poll.finished);
    EXPECT_TRUE(std::equal(result.begin(), result.end(), poll.result.begin()));
    std::vector<std::uint8_t> records;
    ASSERT_EQ(client_.GetLastTicket(records), EcrStatus::Ok);
    EXPECT_EQ(records, ticket);
}

TEST_F(EcrClientTest, LinkScreenAndAllowedTypes) {
    LinkStatus link;
    ASSERT_EQ(client_.QueryLink(link), EcrStatus::Ok);
    EXPECT_EQ(link.serialPortInitialized, 0);
    EXPECT_EQ(link.printerOnEthernetAlive, -1);

    SetScreenLayoutLine(1, "PIN?");
    ScreenLayout layout{};
    ASSERT_EQ(client_.GetScreenLayout(layout), EcrStatus::Ok);
    EXPECT_STREQ(reinterpret_cast<const char*>(layout.data() + 21), "PIN?");

    const std::uint16_t codes[] = {0x8810, 0x8890};
    SetAllowedTransactions(codes, 2);
    std::vector<AllowedType> types;
    ASSERT_EQ(client_.GetAllowedTransactions(types), EcrStatus::Ok);
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[1].code, 0x8890);
    EXPECT_EQ(types[1].name, "Cancellation");
}

TEST_F(EcrClientTest, ConfigurationRoundTrip) {
    std::uint8_t result = 0;
    ConfigBlock block{};
    ASSERT_EQ(client_.GetConfiguration(result, block), EcrStatus::Ok);
    EXPECT_EQ(result, 0xFF);

    HostConfig config{};
    config.comPort = 4;
    config.loggingLevel = 2;
    std::memcpy(block.data(), &config, sizeof config);
    ASSERT_EQ(client_.SetConfiguration(block, result), EcrStatus::Ok);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(client_.GetConfiguration(result, block), EcrStatus::Ok);
    ASSERT_EQ(result, 0);
    HostConfig read;
    std::memcpy(&read, block.data(), sizeof read);
    EXPECT_EQ(read.comPort, 4);
}

TEST(EcrFailures, EachFailureHasItsStatusAndClosesTheConnection) {
    {
        EcrClient client(std::chrono::seconds(2));
        EXPECT_EQ(client.Connect("127.0.0.1", FreeTcpPort()), EcrStatus::ConnectFailed);
        std::string text;
        EXPECT_EQ(client.Hello(text), EcrStatus::NotConnected);
    }
    struct Case {
        const char* name;
        Bytes answer;
        EcrStatus expected;
    };
    const Case cases[] = {
        {"silent host", {}, EcrStatus::Timeout},
        {"reply to another code", {0, 0, 0, 1, 7}, EcrStatus::BadReply},
        {"length of zero", {0, 0, 0, 0, 1}, EcrStatus::BadReply},
        {"length past any reply", {0, 1, 0, 0, 1}, EcrStatus::BadReply},
        {"half a reply", {0, 0, 0, 9, 1, 'O'}, EcrStatus::Timeout},
    };
    for (const auto& c : cases) {
        FakeHost host;
        host.AnswerWith(c.answer);
        EcrClient client(std::chrono::milliseconds(300));
        ASSERT_EQ(client.Connect("127.0.0.1", host.port()), EcrStatus::Ok) << c.name;
        std::string text;
        EXPECT_EQ(client.Hello(text), c.expected) << c.name;
        EXPECT_FALSE(client.IsConnected()) << c.name;
    }
}
