#include "link/frame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "config/host_config.h"
#include "config/log.h"
#include "support/test_env.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Encode(const Bytes& packet) {
    Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
    EXPECT_EQ(EncodeFrame(packet.data(), packet.size(), frame.data()), frame.size());
    return frame;
}

class LoggedFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
    }
    TempDataDir dir_;
};

}  // namespace

TEST(Crc16, CheckValueAndEmptyInput) {
    const Bytes digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(ComputeCrc16(digits.data(), digits.size()), 0xBB3D);
    EXPECT_EQ(ComputeCrc16(nullptr, 0), 0x0000);
}

TEST(BuildPacket, EmptyPayloadGivesTypeAndCrcLowByteFirst) {
    std::uint8_t out[3];
    std::size_t length = 0;
    BuildPacket('A', nullptr, 0, out, length);
    EXPECT_EQ(length, 3u);
    EXPECT_THAT(out, ::testing::ElementsAre(0x41, 0xC0, 0x30));
}

TEST(EncodeFrame, KnownVectors) {
    struct Case {
        const char* name;
        Bytes packet;
        Bytes frame;
    };
    const Case cases[] = {
        {"empty A", {0x41, 0xC0, 0x30}, {0x10, 0x02, 0x41, 0xC0, 0x30, 0x10, 0x03, 0xA2}},
        {"DLE in payload is doubled, LRC unchanged",
         {0x53, 0x10, 0x20, 0xFC, 0x09},
         {0x10, 0x02, 0x53, 0x10, 0x10, 0x20, 0xFC, 0x09, 0x10, 0x03, 0x95}},
        // LRC 0x13 ^ 0x03 = 0x10 is sent once.
        {"LRC equal to DLE is not doubled", {0x03}, {0x10, 0x02, 0x03, 0x10, 0x03, 0x10}},
        {"DLE as CRC byte is doubled", {0x41, 0x10}, {0x10, 0x02, 0x41, 0x10, 0x10, 0x10, 0x03, 0x52}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encode(c.packet), c.frame) << c.name;
    }
}

TEST(IsKnownPacketType, ExactlyFifteenLetters) {
    std::string accepted;
    for (int b = 0; b < 256; ++b) {
        if (IsKnownPacketType(static_cast<std::uint8_t>(b))) accepted += static_cast<char>(b);
    }
    EXPECT_EQ(accepted, "ABCDEFGIMNPRSTU");
}

TEST_F(LoggedFrameTest, VerifyPacketResultsAndLogLines) {
    struct Case {
        const char* name;
        Bytes packet;
        int result;
        const char* logged;
    };
    auto packetOf = [](std::uint8_t type) {
        Bytes p(3);
        std::size_t n = 0;
        BuildPacket(type, nullptr, 0, p.data(), n);
        return p;
    };
    const Case cases[] = {
        {"good A", {0x41, 0xC0, 0x30}, 0, ""},
        {"swapped CRC bytes", {0x41, 0x30, 0xC0}, -1, "Warning: CRC WRONG \r\n"},
        {"unknown type H", packetOf('H'), -2, "Unknown packet type - 48 \r\n"},
        {"unknown type 0x9C", packetOf(0x9C), -2, "Unknown packet type - 9C \r\n"},
        {"lower-case a", packetOf('a'), -2, "Unknown packet type - 61 \r\n"},
        {"one byte has no room for a CRC", {0x41}, -1, "Failed CRC \r\n"},
        {"zero bytes", {}, -1, "Failed CRC \r\n"},
        // CRC over no bytes is 0, so the first CRC byte is taken as the type letter.
        {"two zero bytes", {0x00, 0x00}, -2, "Unknown packet type - 00 \r\n"},
    };
    for (const auto& c : cases) {
        const std::string before = dir_.LogText();
        EXPECT_EQ(VerifyPacket(c.packet.data(), c.packet.size()), c.result) << c.name;
        const std::string added = dir_.LogText().substr(before.size());
        if (*c.logged == '\0') EXPECT_EQ(added, "") << c.name;
        else EXPECT_NE(added.find(c.logged), std::string::npos) << c.name << ": " << added;
    }
}

TEST_F(LoggedFrameTest, BadCrcWithUnknownTypeReportsOnlyTheCrc) {
    const Bytes packet{'H', 0x00, 0x00};
    EXPECT_EQ(VerifyPacket(packet.data(), packet.size()), -1);
    const std::string log = dir_.LogText();
    EXPECT_NE(log.find("Warning: CRC WRONG \r\n"), std::string::npos);
    EXPECT_LT(log.find("Warning: CRC WRONG"), log.find("Failed CRC"));
    EXPECT_EQ(log.find("Unknown packet type"), std::string::npos);
}
