// MESSAGE_SEND_CONFIGURATION: the configuration block read from and written to the file.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "config/config_file.h"
#include "config/host_config.h"
#include "config/log.h"
#include "rc_direct.h"
#include "support/test_env.h"

namespace {

Bytes SetPayload(const HostConfig& config) {
    Bytes payload(1 + sizeof config);
    payload[0] = kRcConfigSet;
    std::memcpy(payload.data() + 1, &config, sizeof config);
    return payload;
}

HostConfig SampleConfig() {
    HostConfig config{};
    std::strcpy(config.printerIp, "192.0.2.7");
    config.printerPort = 9100;
    config.comPort = 3;
    std::strcpy(config.gsmUserName, "shop");
    config.loggingLevel = 2;
    config.printerType = 3;
    return config;
}

class ConfigurationMessage : public ::testing::Test {
protected:
    void SetUp() override {
        SetHostConfig(SampleConfig());
        ASSERT_EQ(OpenLog(), 0);
    }
    std::string ConfigFile() const { return ReadWholeFile(dir_.File(Program().configFileName)); }
    TempDataDir dir_;
};

}  // namespace

TEST_F(ConfigurationMessage, GetWithoutAFileAnswersFFOnlyAndLogsNothingAfterwards) {
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, {kRcConfigGet}), Bytes({0xFF}));
    const std::string log = dir_.LogText();
    EXPECT_EQ(CountOf(log, "MESSAGE_SEND_CONFIGURATION MESSAGE RECEIVED"), 1);
    EXPECT_EQ(CountOf(log, "GET CONFIGURATION"), 1);
    // The failed read left the record all zero: level 0, silent, and no file written.
    EXPECT_EQ(CurrentLogLevel(), 0);
    Answer(MESSAGE_HELLO);
    EXPECT_EQ(dir_.LogText(), log);
    EXPECT_EQ(ConfigFile(), "");
}

TEST_F(ConfigurationMessage, GetAnswersTheFileAsTheRecordWithTheLogPath) {
    ASSERT_EQ(WriteConfiguration(), 0);
    const Bytes reply = Answer(MESSAGE_SEND_CONFIGURATION, {kRcConfigGet, 0x55});
    ASSERT_EQ(reply.size(), 477u);
    EXPECT_EQ(reply[0], 0);
    HostConfig got;
    std::memcpy(&got, reply.data() + 1, sizeof got);
    EXPECT_STREQ(got.printerIp, "192.0.2.7");
    EXPECT_EQ(got.printerPort, 9100);
    EXPECT_EQ(got.comPort, 3);
    EXPECT_EQ(got.printerType, 3);
    EXPECT_EQ(std::string(got.logPath), dir_.File("termbridge_service_log.txt"));
}

TEST_F(ConfigurationMessage, SetWritesTheFileAndLevelZeroSilencesTheLogAtOnce) {
    HostConfig config = SampleConfig();
    config.comPort = 7;
    config.loggingLevel = 0;
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, SetPayload(config)), Bytes({0}));
    EXPECT_EQ(GetHostConfig().comPort, 7);
    EXPECT_NE(ConfigFile().find("COM_PORT = \"7\""), std::string::npos);
    EXPECT_NE(ConfigFile().find("LOGGING_LEVEL = \"0\""), std::string::npos);

    const std::string log = dir_.LogText();
    EXPECT_EQ(CountOf(log, "SET CONFIGURATION"), 1);
    Answer(MESSAGE_HELLO);
    EXPECT_EQ(dir_.LogText(), log);
}

TEST_F(ConfigurationMessage, SetEndsTextsInsideTheirFieldsAndRebuildsTheLogPath) {
    HostConfig config = SampleConfig();
    std::memset(config.printerIp, 'A', sizeof config.printerIp);
    std::memset(config.d2xxName, 'B', sizeof config.d2xxName);
    std::memset(config.gsmPassword, 'C', sizeof config.gsmPassword);
    std::memset(config.logPath, 'X', sizeof config.logPath);
    std::strcpy(config.logPath, "/etc/passwd");
    ASSERT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, SetPayload(config)), Bytes({0}));

    const HostConfig stored = GetHostConfig();
    EXPECT_EQ(std::string(stored.printerIp), std::string(63, 'A'));
    EXPECT_EQ(std::string(stored.d2xxName), std::string(64, 'B'));
    EXPECT_EQ(std::string(stored.gsmPassword), std::string(64, 'C'));
    EXPECT_EQ(std::string(stored.logPath), dir_.File("termbridge_service_log.txt"));
    EXPECT_NE(ConfigFile().find("PRINTER_IP = \"" + std::string(63, 'A') + "\""), std::string::npos);
}

TEST_F(ConfigurationMessage, ShortSetIsRefusedAndChangesNothing) {
    ASSERT_EQ(WriteConfiguration(), 0);
    const std::string fileBefore = ConfigFile();
    HostConfig config{};
    config.comPort = 99;
    Bytes payload = SetPayload(config);
    for (std::size_t size : {std::size_t{1}, std::size_t{100}, std::size_t{476}}) {
        payload.resize(size);
        EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, payload), Bytes({0xFE})) << size;
        EXPECT_EQ(GetHostConfig().comPort, 3) << size;
        EXPECT_EQ(ConfigFile(), fileBefore) << size;
    }
    EXPECT_EQ(CountOf(dir_.LogText(), "Error: configuration block too short"), 3);
}

TEST_F(ConfigurationMessage, UnwritableFileAnswersFEWithTheRecordReplaced) {
    // A directory where the file should be: no one, not even root, can write it.
    ASSERT_EQ(::mkdir(dir_.File(Program().configFileName).c_str(), 0700), 0);
    HostConfig config = SampleConfig();
    config.comPort = 12;
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, SetPayload(config)), Bytes({0xFE}));
    EXPECT_EQ(GetHostConfig().comPort, 12);
}

TEST_F(ConfigurationMessage, OtherSubCodesAndAMissingSubCodeAnswerWithoutPayload) {
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, {2}), Bytes());
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION, {0xFF, 1, 2}), Bytes());
    EXPECT_EQ(Answer(MESSAGE_SEND_CONFIGURATION), Bytes());
    EXPECT_EQ(GetHostConfig().comPort, 3);
}
