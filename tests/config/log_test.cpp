#include "config/log.h"

#include <unistd.h>

#include "config/data_directory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <thread>
#include <vector>

#include "config/host_config.h"
#include "support/test_env.h"

namespace {

void SetLevel(int level) {
    HostConfig config{};
    config.loggingLevel = static_cast<std::int8_t>(level);
    SetHostConfig(config);
}

// "DD.MM hh:mm:ss " in front of the text.
bool HasTimeStamp(const std::string& line) {
    const std::string shape = "99.99 99:99:99 ";
    if (line.size() < shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i]) return false;
    }
    return true;
}

std::vector<std::string> Lines(const std::string& log) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(log.substr(start, end - start));
    }
    return lines;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLevel(2);
        ASSERT_EQ(OpenLog(), 0);
    }
    TempDataDir dir_;
};

}  // namespace

TEST_F(LogTest, LineFormatIsStampTextSpaceCrLf) {
    LogMessage("Process Packet %c", 'A');
    const auto lines = Lines(dir_.LogText());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(HasTimeStamp(lines[0]));
    EXPECT_EQ(lines[0].substr(15), "Process Packet A ");
}

TEST_F(LogTest, LevelsDecideWhatIsWritten) {
    struct Case {
        int level;
        bool message, detail, plain, hex;
    };
    const Case cases[] = {
        {-3, false, false, false, false}, {0, false, false, false, false},
        {1, true, false, true, false},    {2, true, true, true, true},
        {7, true, true, true, true},
    };
    for (const auto& c : cases) {
        SetLevel(c.level);
        const std::size_t before = dir_.LogText().size();
        LogMessage("message");
        LogDetail("detail");
        LogPlain("Pinpad:%s", "plain");
        const std::uint8_t bytes[] = {0x00, 0x1F, 0xAB};
        LogHexDump(bytes, sizeof bytes);
        const std::string added = dir_.LogText().substr(before);
        EXPECT_EQ(added.find("message ") != std::string::npos, c.message) << c.level;
        EXPECT_EQ(added.find("detail ") != std::string::npos, c.detail) << c.level;
        EXPECT_EQ(added.find("\r\nPinpad:plain \r\n") != std::string::npos ||
                      added.rfind("Pinpad:plain \r\n", 0) == 0,
                  c.plain)
            << c.level;
        EXPECT_EQ(added.find(" 001FAB \r\n") != std::string::npos, c.hex) << c.level;
    }
}

TEST_F(LogTest, PlainLineHasNoTimeStamp) {
    LogPlain("Pinpad:%s", "hello");
    EXPECT_EQ(dir_.LogText(), "Pinpad:hello \r\n");
}

TEST_F(LogTest, LengthLimitAt1022Characters) {
    LogMessage("%s", std::string(1022, 'x').c_str());
    LogMessage("%s", std::string(1023, 'y').c_str());
    const auto lines = Lines(dir_.LogText());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(15), std::string(1022, 'x') + " ");
    EXPECT_TRUE(HasTimeStamp(lines[1]));
    EXPECT_EQ(lines[1].size(), 15u);
}

TEST_F(LogTest, HexDumpOf511And512Bytes) {
    const std::vector<std::uint8_t> bytes(512, 0xA5);
    LogHexDump(bytes.data(), 511);
    LogHexDump(bytes.data(), 512);
    const auto lines = Lines(dir_.LogText());
    ASSERT_EQ(lines.size(), 2u);
    std::string digits;
    for (int i = 0; i < 511; ++i) digits += "A5";
    EXPECT_EQ(lines[0].substr(15), digits + " ");
    EXPECT_TRUE(HasTimeStamp(lines[1]));
    EXPECT_EQ(lines[1].size(), 15u);
}

TEST_F(LogTest, MessageEndingInNewlineGivesASecondLineWithASpace) {
    LogMessage("*** Remote Control Thread running ***\n");
    const auto lines = Lines(dir_.LogText());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(15), "*** Remote Control Thread running ***");
    EXPECT_EQ(lines[1], " ");
}

TEST_F(LogTest, AppendsAcrossRunsAndIsSilentAfterClose) {
    LogMessage("first run");
    CloseLog();
    LogMessage("while closed");
    LogPlain("while closed");
    ASSERT_EQ(OpenLog(), 0);
    LogMessage("second run");
    const std::string log = dir_.LogText();
    EXPECT_LT(log.find("first run"), log.find("second run"));
    EXPECT_EQ(log.find("while closed"), std::string::npos);
}

TEST_F(LogTest, LinesOfTwoThreadsNeverMix) {
    auto writer = [](char c) {
        for (int i = 0; i < 200; ++i) LogMessage("%s", std::string(100, c).c_str());
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    const auto lines = Lines(dir_.LogText());
    ASSERT_EQ(lines.size(), 400u);
    for (const auto& line : lines) {
        ASSERT_TRUE(HasTimeStamp(line)) << line;
        const std::string text = line.substr(15);
        ASSERT_TRUE(text == std::string(100, 'a') + " " || text == std::string(100, 'b') + " ") << text;
    }
}

TEST(DataDirectory, FallsBackToTheCurrentDirectory) {
    TempDataDir dir;
    WriteWholeFile(dir.File("registry"), "OTHER=1\n");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(GetDataDirectory(), cwd);
    setenv("TERMBRIDGE_REGISTRY", dir.File("missing").c_str(), 1);
    EXPECT_EQ(GetDataDirectory(), cwd);
}
