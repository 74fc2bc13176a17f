// Messages that only report: the pinpad's screen, the allowed types and the last ticket.

#include <gtest/gtest.h>

#include "config/host_config.h"
#include "config/log.h"
#include "output/last_ticket.h"
#include "rc_direct.h"
#include "requests/screen_layout.h"
#include "requests/transaction.h"
#include "support/test_env.h"

namespace {

class InfoMessages : public ::testing::TestWithParam<ProgramKind> {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 2;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
    }
    TempDataDir dir_{GetParam()};
};

Bytes Int32Bytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

TEST_P(InfoMessages, ScreenLayoutIsKeptByTheServiceOnly) {
    SetScreenLayoutLine(0, "INSERT CARD");
    const Bytes reply = Answer(MESSAGE_GET_SCREEN_LAYOUT);
    ASSERT_EQ(reply.size(), 151u);
    EXPECT_EQ(Int32At(reply, 0), 147);
    const ScreenLayoutBytes layout = GetScreenLayout();
    const Bytes expected = GetParam() == ProgramKind::Desktop ? Bytes(147, 0) : Bytes(layout.begin(), layout.end());
    EXPECT_EQ(Bytes(reply.begin() + 4, reply.end()), expected);
    EXPECT_EQ(CountOf(dir_.LogText(), "MESSAGE_GET_SCREEN_LAYOUT"), 1);
}

TEST_P(InfoMessages, LastTicketIsTheStoredStreamAndStays) {
    EXPECT_EQ(Answer(MESSAGE_GET_LAST_TICKET), Int32Bytes(0));
    const Bytes ticket = {1, 5, 'H', 'E', 'L', 'L', 'O', 3, 2, 2, 1, 4, 0, 0, 0, 0};
    StoreLastTicket(ticket.data(), ticket.size());
    EXPECT_EQ(Answer(MESSAGE_GET_LAST_TICKET), Concat(Int32Bytes(16), ticket));
    EXPECT_EQ(Answer(MESSAGE_GET_LAST_TICKET), Concat(Int32Bytes(16), ticket));

    const Bytes largest(16000, 0x42);
    StoreLastTicket(largest.data(), largest.size());
    const Bytes reply = Answer(MESSAGE_GET_LAST_TICKET);
    EXPECT_EQ(reply, Concat(Int32Bytes(16000), largest));

    const std::string log = dir_.LogText();
    EXPECT_EQ(CountOf(log, "MESSAGE_GET_LAST_TICKET MESSAGE RECEIVED"), 4);
    EXPECT_EQ(CountOf(log, "Size of stored ticket = 16 "), 2);
    EXPECT_EQ(CountOf(log, "Size of stored ticket = 16000 "), 1);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, InfoMessages, ::testing::Values(ProgramKind::Desktop, ProgramKind::Service),
                         [](const auto& paramInfo) {
                             return paramInfo.param == ProgramKind::Desktop ? "Desktop" : "Service";
                         });

TEST(AllowedTransTab, ServiceSendsCountAndTheWholeTable) {
    TempDataDir dir(ProgramKind::Service);
    HostConfig config{};
    config.loggingLevel = 1;
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);

    const Bytes empty = Answer(MESSAGE_GET_ALLOWED_TRANS_TAB);
    EXPECT_EQ(empty, Concat(Concat(Int32Bytes(580), Int32Bytes(0)), Bytes(576, 0)));
    EXPECT_EQ(CountOf(dir.LogText(), "No allowed transactions"), 1);

    const std::uint16_t codes[] = {0x8810, 0x8860, 0x1234};
    SetAllowedTransactions(codes, 3);
    const Bytes reply = Answer(MESSAGE_GET_ALLOWED_TRANS_TAB);
    ASSERT_EQ(reply.size(), 584u);
    EXPECT_EQ(Int32At(reply, 0), 580);
    EXPECT_EQ(Int32At(reply, 4), 3);
    const AllowedTransactionTable table = GetAllowedTransactions();
    EXPECT_EQ(Bytes(reply.begin() + 8, reply.end()), Bytes(table.entries.begin(), table.entries.end()));
    const std::string log = dir.LogText();
    EXPECT_EQ(CountOf(log, "MESSAGE_GET_ALLOWED_TRANS_TAB"), 2);
    EXPECT_EQ(CountOf(log, "8810 Sale "), 1);
    EXPECT_EQ(CountOf(log, "8860 Refund "), 1);
    EXPECT_EQ(CountOf(log, "1234  "), 1);
}
