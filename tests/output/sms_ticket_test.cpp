#include "output/sms_ticket.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "config/host_config.h"
#include "config/log.h"
#include "support/test_env.h"
#include "loopback_tcp.h"

namespace {

class SmsTicketTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
        ASSERT_TRUE(gateway_.listening());
        gatewayHost_ = "127.0.0.1:" + std::to_string(gateway_.port());
        setenv("TERMBRIDGE_SMS_GATEWAY", gatewayHost_.c_str(), 1);
    }
    void TearDown() override { unsetenv("TERMBRIDGE_SMS_GATEWAY"); }

    TempDataDir dir_;
    LoopbackListener gateway_;
    std::string gatewayHost_;
};

}  // namespace

TEST_F(SmsTicketTest, SpacesBecomePlusAndTheRequestIsOneGet) {
    auto requestLine = ServeHttpOnce(gateway_, "200 OK");
    std::string text = "TOTAL 10.00 EUR";
    EXPECT_EQ(SendSmsTicket("0612345678", text, "shop", "secret"), 0);
    EXPECT_EQ(text, "TOTAL+10.00+EUR") << "the caller's text is changed in place";
    EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=shop&PASS=secret&TO=0612345678&MSG=TOTAL+10.00+EUR HTTP/1.1");

    const std::string log = dir_.LogText();
    EXPECT_NE(log.find("Sending SMS ticket to number 0612345678 \r\n"), std::string::npos);
    EXPECT_NE(log.find("Full http: http://" + gatewayHost_ +
                       "/sendsms.php?USER=shop&PASS=secret&TO=0612345678&MSG=TOTAL+10.00+EUR \r\n"),
              std::string::npos);
    EXPECT_NE(log.find("SMS ticket should have been sent \r\n"), std::string::npos);
}

TEST_F(SmsTicketTest, AnyAnswerOfTheGatewayCountsAsSent) {
    const struct {
        const char* status;
        const char* body;
    } answers[] = {{"200 OK", "accepted"}, {"204 No Content", ""}, {"404 Not Found", "no such page"},
                   {"500 Internal Server Error", "broken"}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.status);
        auto requestLine = ServeHttpOnce(gateway_, answer.status, answer.body);
        std::string text = "hello";
        EXPECT_EQ(SendSmsTicket("1", text, "u", "p"), 0);
        EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=u&PASS=p&TO=1&MSG=hello HTTP/1.1");
    }
    EXPECT_EQ(CountOf(dir_.LogText(), "SMS ticket should have been sent"), 4);
}

TEST_F(SmsTicketTest, OtherCharactersGoIntoTheUrlUnchanged) {
    auto requestLine = ServeHttpOnce(gateway_, "200 OK");
    std::string text = "A&B 50% #1";
    EXPECT_EQ(SendSmsTicket("+33", text, "u", "p"), 0);
    // The gateway sees the message cut at the fragment mark.
    EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=u&PASS=p&TO=+33&MSG=A&B+50%+ HTTP/1.1");
}

TEST_F(SmsTicketTest, NoGatewayMeansMinusOneAndTheErrorLine) {
    gateway_.Close();
    const std::string nobody = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    setenv("TERMBRIDGE_SMS_GATEWAY", nobody.c_str(), 1);
    std::string text = "hello";
    EXPECT_EQ(SendSmsTicket("1", text, "u", "p"), -1);
    EXPECT_NE(dir_.LogText().find("Error: OpenURL doesn't work \r\n"), std::string::npos);
    EXPECT_EQ(dir_.LogText().find("should have been sent"), std::string::npos);
}

TEST_F(SmsTicketTest, UrlOfMoreThan4095CharactersIsRefusedWithoutARequest) {
    const std::string prefix = "http://" + gatewayHost_ + "/sendsms.php?USER=u&PASS=p&TO=1&MSG=";
    const std::size_t room = kSmsUrlBufferSize - 1 - prefix.size();

    std::string tooLong(room + 1, 'x');
    EXPECT_EQ(SendSmsTicket("1", tooLong, "u", "p"), -1);
    EXPECT_FALSE(gateway_.Accept(std::chrono::milliseconds(0)).valid()) << "nothing may be sent";
    EXPECT_NE(dir_.LogText().find("Error: SMS request of 4096 characters is too long, not sent"), std::string::npos);
    EXPECT_EQ(dir_.LogText().find("Full http:"), std::string::npos);

    auto requestLine = ServeHttpOnce(gateway_, "200 OK");
    std::string justFits(room, 'y');
    EXPECT_EQ(SendSmsTicket("1", justFits, "u", "p"), 0);
    EXPECT_EQ(requestLine.get(), "GET /sendsms.php?USER=u&PASS=p&TO=1&MSG=" + justFits + " HTTP/1.1");
}

TEST(SmsGatewayTest, BuildDefaultUnlessTheEnvironmentNamesAnother) {
    unsetenv("TERMBRIDGE_SMS_GATEWAY");
    EXPECT_EQ(SmsGatewayHost(), kDefaultSmsGateway);
    setenv("TERMBRIDGE_SMS_GATEWAY", "gateway.test:8081", 1);
    EXPECT_EQ(SmsGatewayHost(), "gateway.test:8081");
    unsetenv("TERMBRIDGE_SMS_GATEWAY");
}
