// The simulator's side of the link against a host played byte by byte on a socket pair.

#include "pinpad_sim/pinpad_link.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <thread>

#include "support/packets.h"
#include "link/frame.h"

namespace {

// The host's end of the line, played by the test.
class HostEnd {
public:
    explicit HostEnd(int fd) : fd_(fd) {}
    ~HostEnd() { close(fd_); }

    // Exactly n bytes, or what came before the deadline.
    Bytes Read(std::size_t n, std::chrono::milliseconds deadline = std::chrono::seconds(5)) {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
            std::uint8_t byte = 0;
            if (read(fd_, &byte, 1) != 1) break;
            out.push_back(byte);
        }
        return out;
    }
    void Write(const Bytes& bytes) { ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    void Send(std::uint8_t control) { Write(Bytes{control}); }

private:
    int fd_;
};

class PinpadSimLinkTest : public ::testing::Test {
protected:
    void SetUp() override { Reconnect(); }

    // A fresh line for the next row of a table.
    void Reconnect() {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        port_ = std::make_unique<PinpadPort>(fds[0]);
        host_ = std::make_unique<HostEnd>(fds[1]);
    }

    LinkTimings FastTimings() const {
        LinkTimings timings;
        timings.ackTimeout = std::chrono::milliseconds(300);
        timings.replyTimeout = std::chrono::seconds(3);
        return timings;
    }

    std::unique_ptr<PinpadPort> port_;
    std::unique_ptr<HostEnd> host_;
};

const Bytes kRequestPayload{0x10, 0x02, 0x03};  // DLE in the payload travels doubled
const Bytes kReplyPayload{0x00, 0x10, 0x00, 0x00};

}  // namespace

TEST_F(PinpadSimLinkTest, CleanExchangeAcknowledgesTheReply) {
    PinpadLink link(*port_, {}, FastTimings());
    auto exchange = std::async(std::launch::async, [&] { return link.Exchange('N', kRequestPayload); });
    const Bytes frame = FrameOf(PacketOf('N', kRequestPayload));
    EXPECT_EQ(host_->Read(frame.size()), frame);
    host_->Send(ACK);
    host_->Write(FrameOf(PacketOf('N', kReplyPayload)));
    EXPECT_EQ(host_->Read(1), Bytes{ACK});
    const ExchangeResult result = exchange.get();
    EXPECT_EQ(result.status, ExchangeStatus::Ok);
    EXPECT_EQ(result.reply, kReplyPayload);
    EXPECT_EQ(link.Counters().transmissions, 1);
}

TEST_F(PinpadSimLinkTest, RequestsWithoutReplyEndAtTheAcknowledgement) {
    PinpadLink link(*port_, {}, FastTimings());
    for (std::uint8_t type : {'G', 'M', 'P'}) {
        auto exchange = std::async(std::launch::async, [&] { return link.Exchange(type, {}); });
        const Bytes frame = FrameOf(PacketOf(type, {}));
        EXPECT_EQ(host_->Read(frame.size()), frame) << type;
        host_->Send(ACK);
        EXPECT_EQ(exchange.get().status, ExchangeStatus::Ok) << type;
    }
}

TEST_F(PinpadSimLinkTest, DamagedRequestFaultsAreSentOnceThenTheGoodFrame) {
    struct Case {
        const char* name;
        LinkFaults faults;
        Bytes firstFrame;
    };
    const Bytes good = FrameOf(PacketOf('A', {}));
    Bytes badLrc = good;
    badLrc.back() ^= 0xFF;
    Bytes crcDamaged = PacketOf('A', {});
    crcDamaged[1] ^= 0xFF;
    const Case cases[] = {
        {"bad LRC", LinkFaults{{1}, {}, {}, {}}, badLrc},
        {"bad CRC", LinkFaults{{}, {1}, {}, {}}, FrameOf(crcDamaged)},
    };
    for (const auto& c : cases) {
        Reconnect();
        PinpadLink link(*port_, c.faults, FastTimings());
        auto exchange = std::async(std::launch::async, [&] { return link.Exchange('A', {}); });
        EXPECT_EQ(host_->Read(c.firstFrame.size()), c.firstFrame) << c.name;
        host_->Send(NAK);
        EXPECT_EQ(host_->Read(good.size()), good) << c.name;
        host_->Send(ACK);
        host_->Write(FrameOf(PacketOf('A', {0, 0})));
        EXPECT_EQ(host_->Read(1), Bytes{ACK}) << c.name;
        EXPECT_EQ(exchange.get().status, ExchangeStatus::Ok) << c.name;
        EXPECT_EQ(link.Counters().naksReceived, 1) << c.name;
        EXPECT_EQ(link.Counters().transmissions, 2) << c.name;
    }
}

TEST_F(PinpadSimLinkTest, ReplyFaultsAndDamagedRepliesWaitForTheRetransmission) {
    struct Case {
        const char* name;
        LinkFaults faults;
        bool damageFirstReply;
        Bytes answerToFirst;  // empty: nothing comes back
    };
    const Case cases[] = {
        {"NAK on purpose", LinkFaults{{}, {}, {1}, {}}, false, Bytes{NAK}},
        {"silence on purpose", LinkFaults{{}, {}, {}, {1}}, false, Bytes{}},
        {"reply with a bad LRC", LinkFaults{}, true, Bytes{NAK}},
    };
    const Bytes reply = FrameOf(PacketOf('R', {0x80, 0, 0, 0, 0}));
    for (const auto& c : cases) {
        Reconnect();
        PinpadLink link(*port_, c.faults, FastTimings());
        auto exchange = std::async(std::launch::async, [&] { return link.Exchange('R', {}); });
        host_->Read(FrameOf(PacketOf('R', {})).size());
        host_->Send(ACK);
        Bytes first = reply;
        if (c.damageFirstReply) first.back() ^= 0x01;
        host_->Write(first);
        EXPECT_EQ(host_->Read(1, std::chrono::milliseconds(300)), c.answerToFirst) << c.name;
        host_->Write(reply);
        EXPECT_EQ(host_->Read(1), Bytes{ACK}) << c.name;
        const ExchangeResult result = exchange.get();
        EXPECT_EQ(result.status, ExchangeStatus::Ok) << c.name;
        EXPECT_EQ(result.reply, (Bytes{0x80, 0, 0, 0, 0})) << c.name;
    }
}

TEST_F(PinpadSimLinkTest, HostEndingTheExchangeOrStayingSilent) {
    struct Case {
        const char* name;
        Bytes hostAnswers;  // after every transmission
        ExchangeStatus status;
        int transmissions;
    };
    const Case cases[] = {
        {"EOT", Bytes{EOT}, ExchangeStatus::Eot, 1},
        {"NAK every time", Bytes{NAK}, ExchangeStatus::NoAck, 4},
        {"silence", Bytes{}, ExchangeStatus::NoAck, 4},
        {"junk then NAK", Bytes{'x', NAK}, ExchangeStatus::NoAck, 4},
    };
    const Bytes frame = FrameOf(PacketOf('T', {}));
    for (const auto& c : cases) {
        Reconnect();
        PinpadLink link(*port_, {}, FastTimings());
        auto exchange = std::async(std::launch::async, [&] { return link.Exchange('T', {}); });
        for (int i = 0; i < c.transmissions; ++i) {
            EXPECT_EQ(host_->Read(frame.size()), frame) << c.name;
            if (!c.hostAnswers.empty()) host_->Write(c.hostAnswers);
        }
        EXPECT_EQ(exchange.get().status, c.status) << c.name;
        EXPECT_EQ(link.Counters().transmissions, c.transmissions) << c.name;
    }
}

TEST_F(PinpadSimLinkTest, ReplyToAnotherRequestIsAcknowledgedAndDropped) {
    PinpadLink link(*port_, {}, FastTimings());
    auto exchange = std::async(std::launch::async, [&] { return link.Exchange('T', {}); });
    host_->Read(FrameOf(PacketOf('T', {})).size());
    host_->Send(ACK);
    host_->Write(FrameOf(PacketOf('S', {0, 0, 0, 0})));
    EXPECT_EQ(host_->Read(1), Bytes{ACK});
    host_->Write(FrameOf(PacketOf('T', {0})));
    EXPECT_EQ(host_->Read(1), Bytes{ACK});
    const ExchangeResult result = exchange.get();
    EXPECT_EQ(result.status, ExchangeStatus::Ok);
    EXPECT_EQ(result.reply, Bytes{0});
    EXPECT_EQ(link.Counters().strayReplies, 1);
}

TEST_F(PinpadSimLinkTest, StopFlagEndsAWaitForTheReply) {
    std::atomic<bool> stop{false};
    PinpadLink link(*port_, {}, FastTimings(), &stop);
    auto exchange = std::async(std::launch::async, [&] { return link.Exchange('C', Bytes(104, 0)); });
    host_->Read(FrameOf(PacketOf('C', Bytes(104, 0))).size());
    host_->Send(ACK);
    stop.store(true);
    EXPECT_EQ(exchange.get().status, ExchangeStatus::Stopped);
}
