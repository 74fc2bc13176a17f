// MESSAGE_START_TRANS and MESSAGE_POLL_TRANS_RESULT: how the request is read, and how the
// two programs differ while a transaction waits for the pinpad.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "config/host_config.h"
#include "config/log.h"
#include "rc_direct.h"
#include "remote/rc_start_trans.h"
#include "requests/transaction.h"
#include "support/test_env.h"

namespace {

Bytes StartTransPayload(const std::string& type, const std::string& amount, const std::string& gsm = "",
                        const std::string& reference = "") {
    Bytes payload(kRcStartTransSize, 0);
    std::memcpy(payload.data(), type.data(), std::min<std::size_t>(type.size(), 4));
    std::memcpy(payload.data() + kRcAmountOffset, amount.data(), std::min<std::size_t>(amount.size(), 12));
    std::memcpy(payload.data() + kRcGsmOffset, gsm.data(), std::min<std::size_t>(gsm.size(), 64));
    std::memcpy(payload.data() + kRcReferenceOffset, reference.data(), std::min<std::size_t>(reference.size(), 64));
    return payload;
}

TransactionBlock FilledResult(std::uint8_t marker) {
    TransactionBlock block{};
    std::memcpy(block.data(), "13993", 6);
    block[100] = marker;
    block[359] = marker;
    return block;
}

}  // namespace

TEST(StartTransParsing, TypeCodeAndAmountFollowTheirRules) {
    struct Case {
        const char* name;
        std::string type;
        std::string amount;
        std::string gsm;
        std::uint16_t typeCode;
        std::int32_t amountValue;
    };
    const Case cases[] = {
        {"sale of 12.50 in cents", "8810", "000000001250", "", 0x8810, 1250},
        {"conversion stops at the point", "8810", "12.50", "", 0x8810, 12},
        {"two digits leave the low byte 0xFF", "88  ", "1", "", 0x88FF, 1},
        {"odd digit count keeps low nibble F", "8   ", "1", "", 0x8FFF, 1},
        {"no digits at all", "XYZ!", "1", "", 0xFFFF, 1},
        {"non-digits are skipped", "a-1B", "1", "", 0xA1BF, 1},
        {"lower and upper case", "fFeE", "1", "", 0xFFEE, 1},
        {"leading blanks and a sign", "8860", "  -42", "", 0x8860, -42},
        {"plus sign", "8860", "+7x", "", 0x8860, 7},
        {"empty amount", "8810", "", "", 0x8810, 0},
        {"letters only", "8810", "abc", "", 0x8810, 0},
        {"full field runs not into the GSM number", "8810", "000000001250", "4477", 0x8810, 1250},
        {"too large saturates", "8810", "999999999999", "", 0x8810, INT_MAX},
        {"too small saturates", "8810", "-99999999999", "", 0x8810, INT_MIN},
    };
    for (const auto& c : cases) {
        const StartTransRequest request = ParseStartTrans(StartTransPayload(c.type, c.amount, c.gsm));
        EXPECT_EQ(request.typeCode, c.typeCode) << c.name;
        EXPECT_EQ(request.amount, c.amountValue) << c.name;
    }
}

TEST(StartTransParsing, TextsEndAtTheirNulOrTheirField) {
    const std::string longGsm(64, '7');
    const StartTransRequest full = ParseStartTrans(StartTransPayload("8810", "5", longGsm, "REF-1"));
    EXPECT_EQ(full.gsmNumber, longGsm) << "64 characters, no NUL: stops at the field, not in the reference";
    EXPECT_EQ(full.reference, "REF-1");

    const StartTransRequest shortPayload = ParseStartTrans(TextBytes("8810000"));
    EXPECT_EQ(shortPayload.typeCode, 0x8810);
    EXPECT_EQ(shortPayload.amount, 0);
    EXPECT_EQ(shortPayload.gsmNumber, "");
    EXPECT_EQ(shortPayload.reference, "");
}

class TransactionMessages : public ::testing::TestWithParam<ProgramKind> {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 2;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
    }
    bool Desktop() const { return GetParam() == ProgramKind::Desktop; }
    std::string WaitText() const {
        return Desktop() ? "UNFINISHED TRANSACTION, PLEASE WAIT"
                         : "UNFINISHED OR NEVER STARTED TRANSACTION, PLEASE WAIT";
    }
    TempDataDir dir_{GetParam()};
};

TEST_P(TransactionMessages, StoredTransactionReachesThePinpad) {
    EXPECT_EQ(Answer(MESSAGE_START_TRANS, StartTransPayload("8810", "000000001250", "", "")), TextBytes("OK ACCEPTED"));
    std::uint16_t type = 0;
    std::int32_t amount = 0;
    std::string reference = "x";
    ASSERT_EQ(TakePendingTransaction(type, amount, reference), 0);
    EXPECT_EQ(type, 0x8810);
    EXPECT_EQ(amount, 1250);
    EXPECT_EQ(reference, "");
    const std::string log = dir_.LogText();
    for (const char* line : {"START TRANS MESSAGE RECEIVED", "Incoming request for transaction:",
                             "Transaction type = 34832\r\n", "Transaction Amount = 1250\r\n",
                             "Client GSM number = \r\n", "Merchant reference = \r\n"}) {
        EXPECT_EQ(CountOf(log, line), 1) << line;
    }
}

TEST_P(TransactionMessages, SecondTransactionIsRefusedByTheDesktopAndReplacesInTheService) {
    ASSERT_EQ(Answer(MESSAGE_START_TRANS, StartTransPayload("8810", "100", "", "FIRST")), TextBytes("OK ACCEPTED"));
    StoreTransactionResult(FilledResult(1).data());
    const Bytes second = Answer(MESSAGE_START_TRANS, StartTransPayload("8860", "200", "", "SECOND"));

    std::uint16_t type = 0;
    std::int32_t amount = 0;
    std::string reference;
    ASSERT_EQ(TakePendingTransaction(type, amount, reference), 0);
    if (Desktop()) {
        EXPECT_EQ(second, TextBytes("ERROR - PENDING TRANSACTION ON SERVER, REQUEST REFUSED"));
        EXPECT_EQ(CountOf(dir_.LogText(), "Error: still pending transaction, request refused"), 1);
        EXPECT_EQ(reference, "FIRST");
    } else {
        EXPECT_EQ(second, TextBytes("OK ACCEPTED"));
        EXPECT_EQ(reference, "SECOND");
        EXPECT_EQ(amount, 200);
    }
    // The uncollected result went with the second request, refused or not.
    EXPECT_EQ(Answer(MESSAGE_POLL_TRANS_RESULT), TextBytes(WaitText()));
}

TEST_P(TransactionMessages, PollDeliversAResultOnceThenTheWaitText) {
    EXPECT_EQ(Answer(MESSAGE_POLL_TRANS_RESULT), TextBytes(WaitText()));
    const TransactionBlock result = FilledResult(0x5A);
    StoreTransactionResult(result.data());

    Bytes expected = TextBytes("OK");
    expected.insert(expected.end(), result.begin(), result.end());
    const Bytes first = Answer(MESSAGE_POLL_TRANS_RESULT);
    EXPECT_EQ(first.size(), 362u);
    EXPECT_EQ(first, expected);
    EXPECT_EQ(Answer(MESSAGE_POLL_TRANS_RESULT), TextBytes(WaitText()));
    EXPECT_EQ(CountOf(dir_.LogText(), "POLL TRANS RESULT MESSAGE RECEIVED"), 3);
}

TEST_P(TransactionMessages, ResultWithoutSignatureIsNeverReported) {
    TransactionBlock unsigned_{};
    unsigned_[0] = '1';
    StoreTransactionResult(unsigned_.data());
    EXPECT_EQ(Answer(MESSAGE_POLL_TRANS_RESULT), TextBytes(WaitText()));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, TransactionMessages,
                         ::testing::Values(ProgramKind::Desktop, ProgramKind::Service),
                         [](const auto& paramInfo) { return paramInfo.param == ProgramKind::Desktop ? "Desktop" : "Service"; });
