#include "output/ticket_requests.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "config/config_file.h"
#include "config/log.h"
#include "output/last_ticket.h"
#include "output/recording_print_device.h"
#include "output/windows_print.h"
#include "requests/transaction.h"
#include "support/test_env.h"
#include "loopback_tcp.h"
#include "record_builder.h"
#include "test_packets.h"

namespace {

Bytes PrinterEndPacket(std::int32_t declaredLength, const Records& records) {
    return MakePacket('I', Concat(Int32Bytes(declaredLength), records));
}

class TicketRequestsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLastTicketForTests();
        HostConfig config{};
        config.loggingLevel = 1;
        config.printerType = static_cast<std::int32_t>(PrinterKind::Ethernet);
        std::strcpy(config.printerIp, "192.0.2.7");
        std::strcpy(config.gsmUserName, "shop");
        std::strcpy(config.gsmPassword, "secret");
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
        ASSERT_EQ(OpenLog(), 0);
        SetPrintDeviceForTests(&device_);
        ASSERT_TRUE(gateway_.listening());
        setenv("TERMBRIDGE_SMS_GATEWAY", ("127.0.0.1:" + std::to_string(gateway_.port())).c_str(), 1);
    }
    void TearDown() override {
        SetPrintDeviceForTests(nullptr);
        unsetenv("TERMBRIDGE_SMS_GATEWAY");
    }

    // The pinpad takes a transaction that carries this GSM number.
    static void TakeTransactionFor(const std::string& gsmNumber) {
        ASSERT_EQ(SetPendingTransaction(0x8810, 1000, gsmNumber, "REF", false), 0);
        std::uint16_t type = 0;
        std::int32_t amount = 0;
        std::string reference;
        ASSERT_EQ(TakePendingTransaction(type, amount, reference), 0);
    }

    TempDataDir dir_;
    RecordingPrintDevice device_;
    LoopbackListener gateway_;
};

}  // namespace

TEST_F(TicketRequestsTest, PrinterEndStoresPrintsAndRepliesEmpty) {
    const Records records = Join({TextRecord("HELLO"), SizeRecord(2, 1), TextRecord("X")});
    const Reply reply = CallHandler(HandlePrinterEndRequest,
                                    PrinterEndPacket(static_cast<std::int32_t>(records.size()), records));
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.packet.size(), 3u);
    EXPECT_EQ(reply.packet[0], 'I');
    EXPECT_TRUE(reply.crcGood());
    EXPECT_EQ(GetLastTicket(), records);
    ASSERT_EQ(device_.draws.size(), 1u);
    EXPECT_EQ(device_.draws[0].text, "HELLO");

    const std::string log = dir_.LogText();
    const auto banner = log.find("Printer END \r\n");
    const auto channel = log.find("Printer CNF indicating ETHERNET PRINTER");
    ASSERT_NE(banner, std::string::npos);
    ASSERT_NE(channel, std::string::npos);
    EXPECT_LT(banner, channel);
}

TEST_F(TicketRequestsTest, TicketLengthNeverReachesPastTheReceivedBytes) {
    const Records records = Join({TextRecord("first"), TextRecord("second")});
    struct Case {
        const char* name;
        std::int32_t declared;
        Records stored;
    };
    const Case cases[] = {
        {"as long as the records", static_cast<std::int32_t>(records.size()), records},
        {"shorter: only the first record", 7, TextRecord("first")},
        {"longer than the packet: cut to it", 5000, records},
        {"negative is a huge unsigned length: cut", -1, records},
        {"zero: an empty ticket", 0, Records{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = CallHandler(HandlePrinterEndRequest, PrinterEndPacket(c.declared, records));
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.packet.size(), 3u);
        EXPECT_EQ(GetLastTicket(), c.stored);
    }
    EXPECT_EQ(CountOf(dir_.LogText(), "beyond the 15 bytes received, cut"), 2);
}

TEST_F(TicketRequestsTest, PrinterEndWithoutItsLengthFieldGetsNoReply) {
    const Reply reply = CallHandler(HandlePrinterEndRequest, MakePacket('I', {7, 0}));
    EXPECT_NE(reply.status, 0);
    EXPECT_TRUE(reply.packet.empty());
    EXPECT_TRUE(device_.documentNames.empty());
    EXPECT_NE(dir_.LogText().find("Error: Printer END request too short (5 bytes)"), std::string::npos);
}

TEST_F(TicketRequestsTest, SmsGoesToTheTakenNumberOnceAndNeverReplies) {
    TakeTransactionFor("0612345678");
    auto requestLine = ServeHttpOnce(gateway_, "200 OK");
    const Reply first = CallHandler(HandleSmsRequest, MakePacket('M', TextBytes(std::string("TOTAL 10.00 EUR\0junk", 20))));
    EXPECT_NE(first.status, 0);
    EXPECT_TRUE(first.packet.empty());
    EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=shop&PASS=secret&TO=0612345678&MSG=TOTAL+10.00+EUR HTTP/1.1");
    EXPECT_EQ(GetCurrentGsmNumber(), "");

    const Reply second = CallHandler(HandleSmsRequest, MakePacket('M', TextBytes("again")));
    EXPECT_TRUE(second.packet.empty());
    EXPECT_FALSE(gateway_.Accept(std::chrono::milliseconds(0)).valid()) << "the number was used up";
    EXPECT_EQ(CountOf(dir_.LogText(), "Sending SMS ticket"), 1);
}

TEST_F(TicketRequestsTest, SmsTextWithoutNulEndsWithThePayload) {
    TakeTransactionFor("42");
    auto requestLine = ServeHttpOnce(gateway_, "200 OK");
    CallHandler(HandleSmsRequest, MakePacket('M', TextBytes("NO NUL")));
    EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=shop&PASS=secret&TO=42&MSG=NO+NUL HTTP/1.1");
}

TEST_F(TicketRequestsTest, FailedSmsStillUsesUpTheNumber) {
    TakeTransactionFor("42");
    gateway_.Close();
    setenv("TERMBRIDGE_SMS_GATEWAY", ("127.0.0.1:" + std::to_string(UnusedLoopbackPort())).c_str(), 1);
    CallHandler(HandleSmsRequest, MakePacket('M', TextBytes("lost")));
    EXPECT_NE(dir_.LogText().find("Error: OpenURL doesn't work"), std::string::npos);
    EXPECT_EQ(GetCurrentGsmNumber(), "");
}

TEST_F(TicketRequestsTest, SmsWaitsWhileTheConfigurationCannotBeRead) {
    TakeTransactionFor("42");
    std::remove(dir_.File(Program().configFileName).c_str());
    CallHandler(HandleSmsRequest, MakePacket('M', TextBytes("later")));
    EXPECT_FALSE(gateway_.Accept(std::chrono::milliseconds(0)).valid());
    EXPECT_EQ(GetCurrentGsmNumber(), "42") << "the number stays for a later attempt";
}

TEST_F(TicketRequestsTest, SmsWithoutANumberDoesNothing) {
    ClearCurrentGsmNumber();
    const std::size_t logBefore = dir_.LogText().size();
    CallHandler(HandleSmsRequest, MakePacket('M', TextBytes("nobody")));
    EXPECT_FALSE(gateway_.Accept(std::chrono::milliseconds(0)).valid());
    EXPECT_EQ(dir_.LogText().size(), logBefore);
}
