#include "link/frame_receiver.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "link/frame.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

struct Seen {
    FrameEvent event;
    std::size_t length;
    Bytes packet;  // the buffer's first `length` bytes when the event fired
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
    static const char* const kNames[] = {"None", "Eot", "Overflow", "SingleDle", "LrcMismatch",
                                         "FrameEnded"};
    *out << kNames[static_cast<int>(seen.event)] << "(" << seen.length << ")";
    for (std::uint8_t b : seen.packet) *out << ' ' << std::hex << static_cast<int>(b) << std::dec;
}

// Feeds every byte and keeps each event other than None.
std::vector<Seen> FeedAll(FrameReceiver& receiver, const Bytes& buffer, const Bytes& input) {
    std::vector<Seen> seen;
    for (std::uint8_t byte : input) {
        const FrameStep step = receiver.Feed(byte);
        if (step.event == FrameEvent::None) continue;
        const bool carriesPacket =
            step.event == FrameEvent::FrameEnded || step.event == FrameEvent::LrcMismatch;
        seen.push_back({step.event, step.length,
                        carriesPacket ? Bytes(buffer.begin(), buffer.begin() + static_cast<long>(step.length))
                                      : Bytes{}});
    }
    return seen;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes kEmptyA{0x41, 0xC0, 0x30};
const Bytes kEmptyAFrame{0x10, 0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA2};

Seen Ended(const Bytes& packet) { return {FrameEvent::FrameEnded, packet.size(), packet}; }
Seen Only(FrameEvent event) { return {event, 0, {}}; }

}  // namespace

TEST(FrameReceiver, CraftedInputs) {
    struct Row {
        const char* name;
        Bytes input;
        std::vector<Seen> expected;
    };
    const Row rows[] = {
        {"empty A frame", kEmptyAFrame, {Ended(kEmptyA)}},
        {"noise before the frame is ignored", Concat({{0x00, 0x41, 0xFF, 0x03, 0x02}, kEmptyAFrame}),
         {Ended(kEmptyA)}},
        {"EOT between frames ends the exchange", {0x04}, {Only(FrameEvent::Eot)}},
        {"EOT after a stray DLE is ignored", Concat({{0x10, 0x04}, kEmptyAFrame}), {Ended(kEmptyA)}},
        {"EOT inside the data part is data",
         {0x10, 0x02, 0x53, 0x04, 0x10, 0x03, 0x13 ^ 0x53 ^ 0x04},
         {Ended({0x53, 0x04})}},
        {"doubled DLE is stored once, LRC unchanged",
         {0x10, 0x02, 0x53, 0x10, 0x10, 0x20, 0xFC, 0x09, 0x10, 0x03, 0x95},
         {Ended({0x53, 0x10, 0x20, 0xFC, 0x09})}},
        {"LRC equal to DLE is a single byte", {0x10, 0x02, 0x03, 0x10, 0x03, 0x10}, {Ended({0x03})}},
        {"empty data part", {0x10, 0x02, 0x10, 0x03, 0x13}, {Ended({})}},
        {"wrong LRC", {0x10, 0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA3},
         {{FrameEvent::LrcMismatch, 3, kEmptyA}}},
        {"wrong LRC, then a good frame",
         Concat({{0x10, 0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA3}, kEmptyAFrame}),
         {{FrameEvent::LrcMismatch, 3, kEmptyA}, Ended(kEmptyA)}},
        {"single DLE drops the frame, the next one counts",
         Concat({{0x10, 0x02, 0x41, 0x10, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA2}, kEmptyAFrame}),
         {Only(FrameEvent::SingleDle), Ended(kEmptyA)}},
        {"DLE DLE STX starts no frame", Concat({{0x10, 0x10}, {0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA2}}),
         {}},
        {"DLE then another byte searches again", Concat({{0x10, 0x41}, kEmptyAFrame}), {Ended(kEmptyA)}},
        {"STX alone starts nothing", {0x02, 0x41, 0xC0, 0x30}, {}},
    };
    for (const Row& row : rows) {
        Bytes buffer(64, 0);
        FrameReceiver receiver(buffer.data(), buffer.size());
        EXPECT_EQ(FeedAll(receiver, buffer, row.input), row.expected) << row.name;
    }
}

// The closing DLE is stored before it is known to close the frame, so the largest packet is
// one byte less than the capacity; nothing is ever written past it.
TEST(FrameReceiver, CapacityBoundary) {
    struct Row {
        const char* name;
        std::size_t capacity;
        FrameEvent expected;
    };
    const Row rows[] = {
        {"capacity one more than the packet", 4, FrameEvent::FrameEnded},
        {"capacity equal to the packet", 3, FrameEvent::Overflow},
        {"capacity zero", 0, FrameEvent::Overflow},
    };
    for (const Row& row : rows) {
        Bytes buffer(row.capacity + 8, 0xEE);
        FrameReceiver receiver(buffer.data(), row.capacity);
        const auto seen = FeedAll(receiver, buffer, kEmptyAFrame);
        ASSERT_FALSE(seen.empty()) << row.name;
        EXPECT_EQ(seen.front().event, row.expected) << row.name;
        EXPECT_EQ(Bytes(buffer.begin() + static_cast<long>(row.capacity), buffer.end()), Bytes(8, 0xEE))
            << row.name;
    }
}

TEST(FrameReceiver, StartsOverAfterAnOverflow) {
    Bytes buffer(4, 0);
    FrameReceiver receiver(buffer.data(), buffer.size());
    const Bytes tooLong{0x10, 0x02, 0x53, 0x01, 0x02, 0x03, 0x04, 0x05};
    const auto seen = FeedAll(receiver, buffer, Concat({tooLong, {0x10, 0x03, 0x00}, kEmptyAFrame}));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].event, FrameEvent::Overflow);
    EXPECT_EQ(seen[1], Ended(kEmptyA));
}

TEST(FrameReceiver, ResetDropsAFrameInProgress) {
    Bytes buffer(16, 0);
    FrameReceiver receiver(buffer.data(), buffer.size());
    FeedAll(receiver, buffer, {0x10, 0x02, 0x41, 0x42});
    receiver.Reset();
    EXPECT_EQ(FeedAll(receiver, buffer, kEmptyAFrame), std::vector<Seen>{Ended(kEmptyA)});
}

// Whatever the line carries, frames that end well decode to what was encoded and the buffer's
// bounds hold (the sanitizers watch the writes).
TEST(FrameReceiver, RandomNoiseAroundEncodedFrames) {
    std::mt19937 random(20268);
    std::uniform_int_distribution<int> byteOf(0, 255);
    Bytes buffer(32, 0);
    FrameReceiver receiver(buffer.data(), buffer.size());
    for (int round = 0; round < 2000; ++round) {
        Bytes noise(static_cast<std::size_t>(byteOf(random) % 12));
        for (auto& b : noise) b = static_cast<std::uint8_t>(byteOf(random));
        Bytes packet(static_cast<std::size_t>(1 + byteOf(random) % 20));
        for (auto& b : packet) b = static_cast<std::uint8_t>(byteOf(random) % 3 == 0 ? 0x10 : byteOf(random));
        Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
        EncodeFrame(packet.data(), packet.size(), frame.data());
        FeedAll(receiver, buffer, noise);
        receiver.Reset();  // noise may leave a frame half open
        const auto seen = FeedAll(receiver, buffer, frame);
        ASSERT_EQ(seen.size(), 1u) << "round " << round;
        EXPECT_EQ(seen[0], Ended(packet)) << "round " << round;
    }
}
