// ProcessPacket over the request catalogue, both programs, and hostile payloads.

#include "requests/process_packet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "support/packets.h"
#include "common/ui_hook.h"
#include "config/config_file.h"
#include "config/host_config.h"
#include "config/log.h"
#include "link/frame.h"
#include "link/serial_generation.h"
#include "link/serial_thread.h"
#include "link/stop_request.h"
#include "output/last_ticket.h"
#include "output/recording_print_device.h"
#include "output/windows_print.h"
#include "requests/amount_answer.h"
#include "requests/screen_layout.h"
#include "requests/transaction.h"
#include "support/test_env.h"

using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

Bytes Int32Bytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Text(const std::string& text, bool withNul = true) {
    Bytes out(text.begin(), text.end());
    if (withNul) out.push_back(0);
    return out;
}

Bytes ShowText(std::uint8_t line, std::int32_t flags, const std::string& text) {
    return Concat({{0, line}, Int32Bytes(flags), Text(text)});
}

Bytes AllowedInfo(std::int8_t count, std::initializer_list<std::uint16_t> codes) {
    Bytes out = Concat({Int32Bytes(0), {static_cast<std::uint8_t>(count)}});
    for (std::uint16_t code : codes) {
        out.push_back(static_cast<std::uint8_t>(code & 0xFF));
        out.push_back(static_cast<std::uint8_t>(code >> 8));
    }
    return out;
}

struct Processed {
    int result;
    Bytes reply;  // the whole reply packet; empty when none
};

class RecordingUi : public UiHook {
public:
    void EnableTransactionButton(bool enable) override { transactionButton.push_back(enable); }
    void SetDisplayText(int element, const std::string& text) override { display.emplace_back(element, text); }
    void RequestAmount() override {
        ++amountQuestions;
        if (onAmountQuestion) onAmountQuestion();
    }

    std::vector<bool> transactionButton;
    std::vector<std::pair<int, std::string>> display;
    int amountQuestions = 0;
    std::function<void()> onAmountQuestion;
};

class ProcessPacketTest : public ::testing::Test {
protected:
    void Start(ProgramKind kind) {
        SetUiHook(nullptr);
        dir_.reset();
        dir_ = std::make_unique<TempDataDir>(kind);
        logSeen_ = 0;
        HostConfig config{};
        config.loggingLevel = 2;
        std::strcpy(config.gsmUserName, "user");
        std::strcpy(config.gsmPassword, "secret");
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
        ASSERT_EQ(OpenLog(), 0);
        ResetTransactionState();
        ClearScreenLayout();
        ResetLastTicketForTests();
        SetPrintDeviceForTests(&printer_);
        SetStopRequest(0);
        if (kind == ProgramKind::Desktop) SetUiHook(&ui_);
    }

    void TearDown() override {
        SetUiHook(nullptr);
        SetPrintDeviceForTests(nullptr);
    }

    Processed Process(const Bytes& packet) {
        Bytes reply(kPacketBufferSize, 0xEE);
        std::size_t replyLength = 12345;
        const int result = ProcessPacket(packet.data(), packet.size(), reply.data(), reply.size(), replyLength);
        EXPECT_TRUE(std::all_of(reply.begin() + static_cast<long>(replyLength), reply.end(),
                                [](std::uint8_t b) { return b == 0; }))
            << "the reply buffer is zeroed behind the reply";
        reply.resize(replyLength);
        return Processed{result, reply};
    }

    // Log text written since the last call.
    std::string NewLog() {
        const std::string log = dir_->LogText();
        const std::string added = log.substr(std::min(logSeen_, log.size()));
        logSeen_ = log.size();
        return added;
    }

    std::unique_ptr<TempDataDir> dir_;
    RecordingUi ui_;
    RecordingPrintDevice printer_;
    std::size_t logSeen_ = 0;
};

struct ReplyCase {
    const char* name;
    ProgramKind kind;
    Bytes packet;
    int result;
    Bytes reply;  // letter and payload; empty = no reply
    std::vector<std::string> logged;
};

Bytes Reply(std::uint8_t type, const Bytes& payload = {}) { return Concat({{type}, payload}); }

// A 21-byte ScreenLayout line as the service writes it: the text and its NUL over 20 spaces,
// then the line's closing NUL.
std::string LayoutLine(const std::string& text) {
    return text + '\0' + std::string(19 - text.size(), ' ') + '\0';
}

Bytes WithBadCrc(Bytes packet) {
    packet.back() ^= 0x5A;
    return packet;
}

}  // namespace

TEST_F(ProcessPacketTest, RepliesOverTheCatalogue) {
    const ProgramKind S = ProgramKind::Service;
    const ProgramKind D = ProgramKind::Desktop;
    const std::vector<ReplyCase> cases = {
        {"P is accepted and not answered", S, PacketOf('P', {1, 2}), 0, {}, {"Process Packet P \r\n"}},
        {"T answers one zero byte", S, PacketOf('T'), 0, Reply('T', {0}),
         {" ****** CancellKeyProcessing ******  \r\n"}},
        {"R answers the service's status byte and four zeros", S, PacketOf('R'), 0,
         Reply('R', {0x50, 0, 0, 0, 0}), {" ****** Reset ******  \r\n"}},
        {"R answers the desktop's status byte", D, PacketOf('R'), 0, Reply('R', {0x70, 0, 0, 0, 0}), {}},
        {"N logs the pinpad's text without a time stamp", S, PacketOf('N', Text("hello")), 0,
         Reply('N', Int32Bytes(0)), {"\nPinpad:hello \r\n"}},
        {"N text without its NUL ends at the packet", S, PacketOf('N', Text("hi", false)), 0,
         Reply('N', Int32Bytes(0)), {"\nPinpad:hi \r\n", "not terminated"}},
        {"S answers int32 0", S, PacketOf('S', AllowedInfo(1, {0x8810})), 0, Reply('S', Int32Bytes(0)),
         {" ****** AllowedTransInfo ******  \r\n"}},
        {"U answers empty", S, PacketOf('U', Bytes(360, 0)), 0, Reply('U'),
         {" ****** Transaction result informing ******  \r\n"}},
        {"B in the service answers 0 at once", S, PacketOf('B', Bytes(67, 'x')), 0, Reply('B', Int32Bytes(0)),
         {" ****** Get_amount ****** \r\n"}},
        {"G is not answered", S, PacketOf('G', ShowText(1, 0, "Hi")), 0, {}, {" ****** Show_text ****** \r\n"}},
        {"M is not answered", S, PacketOf('M', Text("text")), 0, {}, {}},
        {"bad CRC", S, WithBadCrc(PacketOf('A')), -1, {},
         {"Warning: CRC WRONG", "Failed CRC", "Error: Verify packet failed"}},
        {"H is rejected", S, PacketOf('H'), -1, {}, {"Unknown packet type - 48", "Error: Verify packet failed"}},
        {"J is rejected", S, PacketOf('J'), -1, {}, {"Unknown packet type - 4A"}},
        {"K is rejected", S, PacketOf('K'), -1, {}, {"Unknown packet type - 4B"}},
        {"L is rejected", S, PacketOf('L'), -1, {}, {"Unknown packet type - 4C"}},
        {"O is rejected", S, PacketOf('O'), -1, {}, {"Unknown packet type - 4F"}},
        {"Q is rejected", S, PacketOf('Q'), -1, {}, {"Unknown packet type - 51"}},
        {"V is rejected", D, PacketOf('V'), -1, {}, {"Unknown packet type - 56"}},
        {"a byte above 0x7F is rejected", S, PacketOf(0x9C), -1, {}, {"Unknown packet type - 9C"}},
        // Hostile payloads: never read past the packet.
        {"short S without its count is not answered", S, PacketOf('S', {0, 0, 0, 0}), -1, {}, {"too short"}},
        {"short U is not answered", S, PacketOf('U', Text("13993")), -1, {}, {"too short"}},
        {"I without its length is not answered", S, PacketOf('I', {5, 0}), -1, {}, {"Printer END", "too short"}},
        {"G without line and flags is not answered", S, PacketOf('G', {0, 2, 0}), -1, {}, {"too short"}},
        {"short B is still answered", D, PacketOf('B', Text("Amount?", false)), 0, Reply('B', Int32Bytes(0)),
         {"Get_amount request short"}},
        {"short C is answered -1", S, PacketOf('C', Text("127.0.0.1")), 0, Reply('C', Int32Bytes(-1)), {}},
        {"short D is answered -1", S, PacketOf('D', {1, 0}), 0, Reply('D', Int32Bytes(-1)), {}},
        {"short E is answered -1", S, PacketOf('E', {1}), 0, Reply('E', Int32Bytes(-1)), {}},
        {"short F is answered -1", S, PacketOf('F', {1, 0, 0, 0, 8}), 0, Reply('F', Int32Bytes(-1)), {}},
    };
    for (const auto& c : cases) {
        Start(c.kind);
        SetStopRequest(1);  // a desktop amount question ends at once
        const Processed processed = Process(c.packet);
        EXPECT_EQ(processed.result, c.result) << c.name;
        if (c.reply.empty()) EXPECT_TRUE(processed.reply.empty()) << c.name;
        else EXPECT_EQ(processed.reply, PacketOf(c.reply[0], Bytes(c.reply.begin() + 1, c.reply.end()))) << c.name;
        const std::string log = NewLog();
        for (const auto& line : c.logged) EXPECT_THAT(log, HasSubstr(line)) << c.name;
    }
}

TEST_F(ProcessPacketTest, QueryTransactionStartHandsOverOneTransaction) {
    Start(ProgramKind::Service);
    EXPECT_EQ(Process(PacketOf('A')).reply, PacketOf('A', {0, 0}));
    EXPECT_THAT(NewLog(), HasSubstr("No pending transaction"));

    ASSERT_EQ(SetPendingTransaction(0x8810, 1250, "0611223344", "INV-7", false), 0);
    const Processed taken = Process(PacketOf('A'));
    EXPECT_EQ(taken.result, 0);
    ASSERT_EQ(taken.reply.size(), 363u);
    Bytes expected(360, 0);
    std::memcpy(expected.data(), "13993", 6);
    expected[6] = 0x00;
    expected[7] = 0x88;
    expected[12] = 0xE2;
    expected[13] = 0x04;
    expected[16] = 0x10;
    expected[17] = 0x88;
    std::memcpy(expected.data() + 114, "INV-7", 6);
    EXPECT_EQ(taken.reply, PacketOf('A', expected));
    const std::string log = NewLog();
    EXPECT_THAT(log, HasSubstr("*** Pending transaction *** \r\n"));
    EXPECT_THAT(log, HasSubstr("Now transid = 8810, amount = 1250 \r\n"));
    EXPECT_THAT(log, HasSubstr("Merchant reference = INV-7, Client GSM number = 0611223344 \r\n"));
    EXPECT_THAT(log, HasSubstr("************************************** \r\n"));
    EXPECT_EQ(GetCurrentGsmNumber(), "0611223344");

    // The next query finds nothing and forgets the number of the last one.
    EXPECT_EQ(Process(PacketOf('A')).reply, PacketOf('A', {0, 0}));
    EXPECT_EQ(GetCurrentGsmNumber(), "");
}

TEST_F(ProcessPacketTest, AllowedTransInfoKeepsTheCodesThatArePresent) {
    struct Case {
        const char* name;
        Bytes payload;
        std::vector<std::uint16_t> codes;
        bool cutLogged;
    };
    std::vector<std::uint16_t> sixteen;
    Bytes twenty = AllowedInfo(20, {});
    for (std::uint16_t i = 0; i < 20; ++i) {
        twenty.push_back(static_cast<std::uint8_t>(i + 1));
        twenty.push_back(0x88);
        if (i < 16) sixteen.push_back(static_cast<std::uint16_t>(0x8801 + i));
    }
    const Case cases[] = {
        {"three codes", AllowedInfo(3, {0x8810, 0x8860, 0x1234}), {0x8810, 0x8860, 0x1234}, false},
        {"count larger than the codes present", AllowedInfo(5, {0x8810, 0x8860}), {0x8810, 0x8860}, true},
        {"odd byte after the codes", Concat({AllowedInfo(2, {0x8810}), {0x60}}), {0x8810}, true},
        {"more than 16 codes", twenty, sixteen, true},
        {"negative count empties the table", AllowedInfo(-1, {0x8810}), {}, false},
    };
    for (const auto& c : cases) {
        Start(ProgramKind::Desktop);
        SetAllowedTransactions(std::vector<std::uint16_t>{0x8890}.data(), 1);
        EXPECT_EQ(Process(PacketOf('S', c.payload)).reply, PacketOf('S', Int32Bytes(0))) << c.name;
        std::vector<std::uint16_t> stored;
        for (int i = 0; i < AllowedTransactionCount(); ++i) stored.push_back(AllowedTransactionCode(i));
        EXPECT_EQ(stored, c.codes) << c.name;
        EXPECT_EQ(NewLog().find("Warning: AllowedTransInfo count") != std::string::npos, c.cutLogged) << c.name;
        ASSERT_FALSE(ui_.transactionButton.empty()) << c.name;
        EXPECT_EQ(ui_.transactionButton.back(), !c.codes.empty()) << c.name;
    }

    Start(ProgramKind::Service);
    Process(PacketOf('S', AllowedInfo(3, {0x8810, 0x8860, 0x1234})));
    const AllowedTransactionTable table = GetAllowedTransactions();
    ASSERT_EQ(table.count, 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(table.entries.data() + 2), "Sale");
    EXPECT_STREQ(reinterpret_cast<const char*>(table.entries.data() + 36 + 2), "Refund");
    EXPECT_STREQ(reinterpret_cast<const char*>(table.entries.data() + 72 + 2), "");
}

TEST_F(ProcessPacketTest, DesktopTransactionButtonFollowsTheAllowedTableOnQueries) {
    Start(ProgramKind::Desktop);
    Process(PacketOf('A'));
    Process(PacketOf('S', AllowedInfo(1, {0x8810})));
    Process(PacketOf('A'));
    EXPECT_THAT(ui_.transactionButton, ElementsAre(false, true, true));
}

TEST_F(ProcessPacketTest, TransactionResultIsStoredAndDropsAQueuedTransactionInTheServiceOnly) {
    Bytes block(360, 0);
    std::memcpy(block.data(), "13993", 6);
    block[100] = 0x42;
    for (ProgramKind kind : {ProgramKind::Service, ProgramKind::Desktop}) {
        Start(kind);
        SetPendingTransaction(0x8810, 500, "", "NEXT", false);
        EXPECT_EQ(Process(PacketOf('U', block)).reply, PacketOf('U'));
        TransactionBlock stored{};
        ASSERT_TRUE(TakeTransactionResult(stored));
        EXPECT_EQ(Bytes(stored.begin(), stored.end()), block);
        EXPECT_EQ(IsTransactionPending(), kind == ProgramKind::Desktop);
    }
}

TEST_F(ProcessPacketTest, DesktopShowTextClearsCentresAndClampsTheLine) {
    struct Case {
        const char* name;
        Bytes payload;
        std::vector<std::pair<int, std::string>> display;
    };
    const std::vector<std::pair<int, std::string>> cleared = {{0, ""}, {1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, ""}};
    auto clearedThen = [&](std::pair<int, std::string> shown) {
        auto calls = cleared;
        calls.push_back(std::move(shown));
        return calls;
    };
    const Case cases[] = {
        {"flags 0xFF00 only clears", ShowText(2, 0xFF00, "Hello"), cleared},
        {"flags 0x0100 clears and shows", ShowText(2, 0x0100, "Hello"), clearedThen({2, "       Hello"})},
        {"spaces are trimmed before centring", ShowText(1, 0, "   Hi   "), {{1, "         Hi"}}},
        {"a line above 6 is shown on 6", ShowText(200, 0, "Frame"), {{6, "       Frame"}}},
        {"a long text is shown as it is", ShowText(0, 0, "0123456789012345678901"), {{0, "0123456789012345678901"}}},
        {"a text without NUL ends at the packet", Concat({{0, 3}, Int32Bytes(0), Text("Card", false)}),
         {{3, "        Card"}}},
    };
    for (const auto& c : cases) {
        Start(ProgramKind::Desktop);
        ui_.display.clear();
        EXPECT_EQ(Process(PacketOf('G', c.payload)).result, 0) << c.name;
        EXPECT_EQ(ui_.display, c.display) << c.name;
        EXPECT_EQ(GetScreenLayout(), ScreenLayoutBytes{}) << c.name << ": the desktop keeps no layout";
    }
}

TEST_F(ProcessPacketTest, ServiceShowTextKeepsTheLayout) {
    Start(ProgramKind::Service);
    Process(PacketOf('G', ShowText(2, 0, "Hello")));
    ScreenLayoutBytes layout = GetScreenLayout();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.data() + 42), 5), "Hello");
    EXPECT_EQ(layout[47], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.data() + 48), 14), std::string(14, ' '));
    EXPECT_EQ(std::count(layout.begin(), layout.end(), 0), 147 - 19) << "only line 2 was written";
    EXPECT_THAT(NewLog(), HasSubstr("Text from terminal: Hello \r\n"));

    // A text longer than a line is cut to 20 characters; a line above 6 is ignored.
    Process(PacketOf('G', ShowText(0, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ")));
    Process(PacketOf('G', ShowText(9, 0, "nowhere")));
    layout = GetScreenLayout();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.data())), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_THAT(NewLog(), HasSubstr("Text from terminal: nowhere \r\n"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.data() + 42), 21), LayoutLine("Hello"));

    // 0x0100 clears and then writes; 0xFF00 only clears, and both still log the text.
    Process(PacketOf('G', ShowText(1, 0x0100, "New")));
    layout = GetScreenLayout();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(layout.data() + 21), 21), LayoutLine("New"));
    EXPECT_EQ(layout[0], 0);
    Process(PacketOf('G', ShowText(1, 0xFF00, "Gone")));
    EXPECT_EQ(GetScreenLayout(), ScreenLayoutBytes{});
    EXPECT_THAT(NewLog(), HasSubstr("Text from terminal: Gone \r\n"));
}

TEST_F(ProcessPacketTest, DesktopAmountQuestionTakesTheAnswer) {
    struct Case {
        const char* name;
        std::int32_t answer;
        std::int32_t amount;
    };
    const Case cases[] = {
        {"amount entered", 1250, 1250},
        {"cancelled", -2, 0},
        {"zero entered", 0, 0},
    };
    for (const auto& c : cases) {
        Start(ProgramKind::Desktop);
        ui_.onAmountQuestion = [&] {
            EXPECT_EQ(AmountAnswer.load(), -1) << c.name;
            AmountAnswer.store(c.answer);
        };
        EXPECT_EQ(Process(PacketOf('B', Bytes(67, 0))).reply, PacketOf('B', Int32Bytes(c.amount))) << c.name;
        EXPECT_EQ(ui_.amountQuestions, 1) << c.name;
        ui_.amountQuestions = 0;
    }
}

TEST_F(ProcessPacketTest, DesktopAmountQuestionEndsOnAStopRequest) {
    Start(ProgramKind::Desktop);
    ui_.onAmountQuestion = [] { SetStopRequest(1); };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Process(PacketOf('B', Bytes(67, 0))).reply, PacketOf('B', Int32Bytes(0)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_THAT(NewLog(), HasSubstr("STOP RUNNING REQUESTED"));
}

TEST_F(ProcessPacketTest, PrinterEndKeepsTheTicketWithinThePacket) {
    const Bytes records = {1, 5, 'H', 'E', 'L', 'L', 'O', 3, 2, 2, 1, 1, 'X'};
    struct Case {
        const char* name;
        std::int32_t declared;
        Bytes stored;
        bool cutLogged;
    };
    const Case cases[] = {
        {"whole ticket", static_cast<std::int32_t>(records.size()), records, false},
        {"declared shorter keeps the declared part", 7, Bytes(records.begin(), records.begin() + 7), false},
        {"declared longer than the packet", 5000, records, true},
        {"negative length", -1, records, true},
    };
    for (const auto& c : cases) {
        Start(ProgramKind::Service);
        EXPECT_EQ(Process(PacketOf('I', Concat({Int32Bytes(c.declared), records}))).reply, PacketOf('I')) << c.name;
        EXPECT_EQ(GetLastTicket(), c.stored) << c.name;
        const std::string log = NewLog();
        EXPECT_THAT(log, HasSubstr("Printer END \r\n")) << c.name;
        EXPECT_EQ(log.find("Warning: ticket length") != std::string::npos, c.cutLogged) << c.name;
    }
}

TEST_F(ProcessPacketTest, SmsTicketGoesToTheTakenNumberOnce) {
    Start(ProgramKind::Service);
    setenv("TERMBRIDGE_SMS_GATEWAY", "127.0.0.1:1", 1);  // nobody answers: the attempt fails at once

    EXPECT_EQ(Process(PacketOf('M', Text("TOTAL 10.00 EUR"))).reply, Bytes{});
    EXPECT_EQ(NewLog().find("Sending SMS ticket"), std::string::npos) << "no number: nothing is sent";

    SetPendingTransaction(0x8810, 1000, "0611", "R1", false);
    Process(PacketOf('A'));
    EXPECT_EQ(Process(PacketOf('M', Text("TOTAL 10.00 EUR", false))).result, 0);
    const std::string log = NewLog();
    EXPECT_THAT(log, HasSubstr("Sending SMS ticket to number 0611 \r\n"));
    EXPECT_THAT(log, HasSubstr("MSG=TOTAL+10.00+EUR "));
    EXPECT_EQ(GetCurrentGsmNumber(), "") << "cleared whatever the gateway did";

    Process(PacketOf('M', Text("again")));
    EXPECT_EQ(NewLog().find("Sending SMS ticket"), std::string::npos);
}

TEST_F(ProcessPacketTest, SmsTicketWaitsWhileTheConfigurationCannotBeRead) {
    Start(ProgramKind::Service);
    SetPendingTransaction(0x8810, 1000, "0611", "R1", false);
    Process(PacketOf('A'));
    std::remove(dir_->File(Program().configFileName).c_str());
    Process(PacketOf('M', Text("text")));
    EXPECT_EQ(GetCurrentGsmNumber(), "0611");
}

TEST_F(ProcessPacketTest, ConnectRequestWithoutNulInItsHostNameIsRefused) {
    Start(ProgramKind::Service);
    // A single 100-character label is no valid DNS name, so the lookup fails without a query.
    Bytes request(104, 'a');
    request[101] = 0x1F;
    request[102] = 0x90;
    request[103] = 0x01;
    const Processed processed = Process(PacketOf('C', request));
    EXPECT_EQ(processed.result, 0);
    EXPECT_EQ(processed.reply, PacketOf('C', Int32Bytes(-1)));
    EXPECT_THAT(NewLog(), HasSubstr("Host name: " + std::string(100, 'a') + " \r\n"));
}

TEST_F(ProcessPacketTest, SmsOnAnAbandonedSerialThreadLeavesTheNumberToItsSuccessor) {
    Start(ProgramKind::Service);
    setenv("TERMBRIDGE_SMS_GATEWAY", "127.0.0.1:1", 1);
    SetPendingTransaction(0x8810, 1000, "0611", "R1", false);
    Process(PacketOf('A'));
    std::thread([&] {
        EnterSerialGeneration();
        AbandonSerialThread();  // given up on while the gateway was busy
        Process(PacketOf('M', Text("late")));
    }).join();
    EXPECT_EQ(GetCurrentGsmNumber(), "0611");
}
