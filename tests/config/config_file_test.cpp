#include "config/config_file.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/ui_hook.h"
#include "config/host_config.h"
#include "config/log.h"
#include "support/test_env.h"

namespace {

const std::string kDefaultFile =
    "PRINTER_IP = \"\"\r\n\r\n"
    "PRINTER_PORT = \"0\"\r\n\r\n"
    "COM_PORT = \"0\"\r\n\r\n"
    "GSM_USER_NAME = \"\"\r\n\r\n"
    "GSM_PASSWORD = \"\"\r\n\r\n"
    "D2XX_NAME = \"\"\r\n\r\n"
    "PRINTER_D2XX_DEVICE_NAME = \"\"\r\n\r\n"
    "PRINTER_COM_PRN_PORT = \"0\"\r\n\r\n"
    "LOGGING_LEVEL = \"1\"\r\n\r\n"
    "PRINTER_WIDTH = \"0\"\r\n\r\n"
    "PRINTER_TYPE = \"0\"\r\n\r\n";

bool SameBytes(const HostConfig& a, const HostConfig& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <std::size_t N>
void SetText(char (&field)[N], const std::string& text) {
    ASSERT_LE(text.size(), N);
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
}

HostConfig ConfigWithLevel(int level) {
    HostConfig config{};
    config.loggingLevel = static_cast<std::int8_t>(level);
    return config;
}

class RecordingUi : public UiHook {
public:
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class ConfigFileTest : public ::testing::Test {
protected:
    explicit ConfigFileTest(ProgramKind kind = ProgramKind::Service) : dir_(kind) {}
    ~ConfigFileTest() override { SetUiHook(nullptr); }

    std::string ConfigPath() const { return dir_.File(Program().configFileName); }
    std::string LogPath() const { return dir_.File(Program().logFileName); }
    void WriteConfig(const std::string& text) const { WriteWholeFile(ConfigPath(), text); }
    std::string ConfigText() const { return ReadWholeFile(ConfigPath()); }

    // Everything the last read left in the record except the log path.
    static HostConfig WithoutLogPath(HostConfig config) {
        std::memset(config.logPath, 0, sizeof config.logPath);
        return config;
    }

    TempDataDir dir_;
};

class DesktopConfigFileTest : public ConfigFileTest {
protected:
    DesktopConfigFileTest() : ConfigFileTest(ProgramKind::Desktop) {}
};

// Directory permissions do not bind root, so as root the call runs in a child process
// that has given up its rights.
int AsUnprivilegedUser(const std::function<int()>& call) {
    if (geteuid() != 0) return call();
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
        _exit(call() & 0xFF);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 100;
    return static_cast<std::int8_t>(WEXITSTATUS(status));
}

}  // namespace

TEST_F(ConfigFileTest, LinesAreReadByTheirFirstMatchingKey) {
    const std::string longIp(100, 'i');
    const std::string longName(100, 'n');
    struct Case {
        const char* name;
        std::string file;
        std::function<void(HostConfig&)> expect;  // applied to an all-zero record
    };
    const Case cases[] = {
        {"printer COM port is not the pinpad COM port", "PRINTER_COM_PRN_PORT = \"3\"\r\n",
         [](HostConfig& c) { c.printerComPrnPort = 3; }},
        {"printer D2XX name is not the pinpad D2XX name", "PRINTER_D2XX_DEVICE_NAME = \"FT Printer\"\r\n",
         [](HostConfig& c) { SetText(c.printerD2xxDeviceName, "FT Printer"); }},
        {"pinpad keys on their own", "COM_PORT = \"4\"\r\nD2XX_NAME = \"Pad\"\r\n",
         [](HostConfig& c) {
             c.comPort = 4;
             SetText(c.d2xxName, "Pad");
         }},
        {"number without quotes reads 0", "PRINTER_PORT = 9100\r\n", [](HostConfig&) {}},
        {"no equals sign reads nothing", "COM_PORT \"3\"\r\n", [](HostConfig&) {}},
        {"no closing quote reads nothing", "GSM_USER_NAME = \"user\r\n", [](HostConfig&) {}},
        {"later line wins", "COM_PORT = \"3\"\r\n\r\nCOM_PORT = \"5\"\r\n", [](HostConfig& c) { c.comPort = 5; }},
        {"level 200 is kept as the signed byte -56", "LOGGING_LEVEL = \"200\"\r\nPRINTER_WIDTH = \"257\"\r\n",
         [](HostConfig& c) {
             c.loggingLevel = -56;
             c.printerWidth = 1;
         }},
        {"numbers as atoi reads them", "PRINTER_PORT = \" \t-12abc\"\nCOM_PORT = \"x1\"\nPRINTER_TYPE = \"+3\"\n",
         [](HostConfig& c) {
             c.printerPort = -12;
             c.printerType = 3;
         }},
        {"number beyond 32 bits stops at the limit", "PRINTER_PORT = \"99999999999\"\r\n",
         [](HostConfig& c) { c.printerPort = 2147483647; }},
        {"spaces inside the quotes are kept", "GSM_PASSWORD = \" se cret \"\r\n",
         [](HostConfig& c) { SetText(c.gsmPassword, " se cret "); }},
        {"a quote inside the value ends it", "GSM_USER_NAME = \"ab\"cd\"\r\n",
         [](HostConfig& c) { SetText(c.gsmUserName, "ab"); }},
        {"no comment syntax", "#PRINTER_IP = \"10.0.0.7\"\r\n",
         [](HostConfig& c) { SetText(c.printerIp, "10.0.0.7"); }},
        {"key order decides, not position", "COM_PORT = \"4\" PRINTER_IP = \"h\"\r\n",
         [](HostConfig& c) { SetText(c.printerIp, "h"); }},
        {"LF line ends", "COM_PORT = \"2\"\nPRINTER_TYPE = \"3\"\n",
         [](HostConfig& c) {
             c.comPort = 2;
             c.printerType = 3;
         }},
        {"second piece of a long line is a line of its own",
         "PRINTER_IP = \"h\"" + std::string(254 - 16, ' ') + "COM_PORT = \"7\"\r\n",
         [](HostConfig& c) {
             SetText(c.printerIp, "h");
             c.comPort = 7;
         }},
        {"a key cut by the piece boundary is lost", std::string(253, ' ') + "COM_PORT = \"7\"\r\n",
         [](HostConfig&) {}},
        {"values longer than their field are cut",
         "PRINTER_IP = \"" + longIp + "\"\r\nPRINTER_D2XX_DEVICE_NAME = \"" + longName + "\"\r\nGSM_PASSWORD = \"" +
             longName + "\"\r\nCOM_PORT = \"9\"\r\n",
         [&](HostConfig& c) {
             SetText(c.printerIp, longIp.substr(0, 63));
             SetText(c.printerD2xxDeviceName, longName.substr(0, 67));
             SetText(c.gsmPassword, longName.substr(0, 64));
             c.comPort = 9;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteConfig(c.file);
        ASSERT_EQ(ReadConfiguration(), 0);
        HostConfig expected{};
        c.expect(expected);
        EXPECT_TRUE(SameBytes(WithoutLogPath(GetHostConfig()), expected));
        EXPECT_STREQ(GetHostConfig().logPath, LogPath().c_str());
    }
}

TEST_F(ConfigFileTest, MissingFileAtStartUpGetsTheDefaults) {
    ApplyStartupConfiguration();
    EXPECT_EQ(ConfigText(), kDefaultFile);
    EXPECT_TRUE(SameBytes(GetHostConfig(), ConfigWithLevel(1)));

    // A readable file is left as it stands, whatever its shape.
    WriteConfig("COM_PORT = \"6\"\n");
    ApplyStartupConfiguration();
    EXPECT_EQ(ConfigText(), "COM_PORT = \"6\"\n");
    EXPECT_EQ(GetHostConfig().comPort, 6);
}

TEST_F(ConfigFileTest, FailedReadLeavesZerosAndTheLogSilent) {
    HostConfig before = ConfigWithLevel(2);
    before.comPort = 3;
    SetHostConfig(before);
    ASSERT_EQ(OpenLog(), 0);

    EXPECT_EQ(ReadConfiguration(), -1);
    EXPECT_TRUE(SameBytes(GetHostConfig(), HostConfig{}));
    LogMessage("while unread");
    EXPECT_EQ(dir_.LogText().find("Error: file"), std::string::npos);
    EXPECT_EQ(dir_.LogText().find("while unread"), std::string::npos);

    WriteConfig("LOGGING_LEVEL = \"1\"\r\n");
    ASSERT_EQ(ReadConfiguration(), 0);
    LogMessage("read again");
    EXPECT_NE(dir_.LogText().find("read again"), std::string::npos);
}

TEST_F(ConfigFileTest, WrittenFileReadsBackTheSameRecord) {
    HostConfig config{};
    SetText(config.printerIp, std::string(63, 'p'));
    config.printerPort = 9100;
    config.printerComPrnPort = -2;
    SetText(config.printerD2xxDeviceName, " FT = printer ");
    config.comPort = 256;
    SetText(config.d2xxName, "Pinpad A");
    SetText(config.gsmUserName, "user#1");
    SetText(config.gsmPassword, std::string(64, 'w'));
    config.loggingLevel = -56;
    config.printerWidth = 1;
    config.printerType = 3;
    SetHostConfig(config);

    ASSERT_EQ(WriteConfiguration(), 0);
    EXPECT_TRUE(SameBytes(GetHostConfig(), config));  // the writer changes nothing
    EXPECT_NE(ConfigText().find("\r\n\r\nLOGGING_LEVEL = \"-56\"\r\n\r\n"), std::string::npos);
    SetHostConfig(HostConfig{});
    ASSERT_EQ(ReadConfiguration(), 0);
    EXPECT_TRUE(SameBytes(WithoutLogPath(GetHostConfig()), config));
}

TEST_F(ConfigFileTest, TextFieldWithoutNulIsWrittenWithinItsField) {
    HostConfig config{};
    std::memset(config.printerIp, 'x', sizeof config.printerIp);  // runs into PRINTER_PORT
    config.printerPort = 0x41414141;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    const std::string start = "PRINTER_IP = \"" + std::string(64, 'x') + "\"\r\n\r\nPRINTER_PORT = \"1094795585\"";
    EXPECT_EQ(ConfigText().rfind(start, 0), 0u);
}

TEST_F(ConfigFileTest, LogPathIsCutToItsField) {
    const std::string deep = dir_.path() + "/" + std::string(120, 'd');
    std::filesystem::create_directories(deep);
    WriteWholeFile(dir_.File("registry"), "USERDIR=" + deep + "\n");
    WriteWholeFile(deep + "/" + Program().configFileName, "COM_PORT = \"1\"\n");

    ASSERT_EQ(ReadConfiguration(), 0);
    const std::string full = deep + "/" + Program().logFileName;
    EXPECT_EQ(std::string(GetHostConfig().logPath), full.substr(0, 130));
}

TEST_F(ConfigFileTest, PathTooLongForItsBufferIsNeverOpened) {
    std::string deep = dir_.path();
    while (deep.size() + 1 + std::strlen(Program().configFileName) < 260) deep += "/" + std::string(40, 'd');
    std::filesystem::create_directories(deep);
    WriteWholeFile(dir_.File("registry"), "USERDIR=" + deep + "\n");
    const std::string path = deep + "/" + Program().configFileName;
    WriteWholeFile(path, "COM_PORT = \"1\"\n");
    SetHostConfig(ConfigWithLevel(1));

    EXPECT_EQ(WriteConfiguration(), -1);
    EXPECT_EQ(ReadWholeFile(path), "COM_PORT = \"1\"\n");
    EXPECT_EQ(ReadConfiguration(), -1);
    EXPECT_TRUE(SameBytes(GetHostConfig(), HostConfig{}));
}

TEST_F(DesktopConfigFileTest, FailedWriteKeepsTheOldFileAndTellsTheUser) {
    RecordingUi ui;
    SetUiHook(&ui);
    const std::string oldFile = "COM_PORT = \"5\"\r\n";
    WriteConfig(oldFile);
    HostConfig config = ConfigWithLevel(1);
    SetText(config.printerIp, std::string(63, 'p'));
    SetText(config.gsmPassword, std::string(64, 'w'));
    SetHostConfig(config);
    ASSERT_EQ(OpenLog(), 0);

    // Writes beyond 200 bytes fail: the new file cannot be completed, the short log line can.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = 200;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int result = WriteConfiguration();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_EQ(result, -1);
    EXPECT_EQ(ConfigText(), oldFile);
    EXPECT_TRUE(SameBytes(GetHostConfig(), config));
    EXPECT_NE(dir_.LogText().find("Error: file " + ConfigPath() + " can't be rewritten! \r\n"), std::string::npos);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], "Error: can't write configuration to " + ConfigPath());
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST_F(ConfigFileTest, UnwritableDirectoryKeepsTheOldFile) {
    const std::string oldFile = "COM_PORT = \"5\"\r\n";
    WriteConfig(oldFile);
    SetDefaultConfiguration();
    ASSERT_EQ(chmod(dir_.path().c_str(), 0555), 0);
    const int result = AsUnprivilegedUser(WriteConfiguration);
    chmod(dir_.path().c_str(), 0700);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(ConfigText(), oldFile);
}

TEST_F(ConfigFileTest, PlacesThatHoldNoFileCannotBeReadOrWritten) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"data directory is a plain file",
         [&] {
             WriteWholeFile(dir_.File("plain"), "");
             WriteWholeFile(dir_.File("registry"), "USERDIR=" + dir_.File("plain") + "\n");
         }},
        {"configuration file is a directory", [&] { std::filesystem::create_directory(ConfigPath()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(dir_.File("registry"), "USERDIR=" + dir_.path() + "\n");
        c.prepare();
        SetDefaultConfiguration();
        EXPECT_EQ(WriteConfiguration(), -1);
        EXPECT_EQ(ReadConfiguration(), -1);
        EXPECT_TRUE(SameBytes(GetHostConfig(), HostConfig{}));
    }
}

TEST(ClearUnusedPrinterFields, KeepsOnlyWhatThePrinterTypeUses) {
    struct Case {
        const char* name;
        std::int32_t type;
        bool ipAndPortKept, comPortKept, widthKept;
    };
    const Case cases[] = {
        {"none", 0, false, false, false},         {"Windows default", 1, false, false, false},
        {"COM port", 2, false, true, true},       {"Ethernet", 3, true, false, true},
        {"external ECR", 4, true, true, true},    {"unknown", -1, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostConfig config{};
        std::memset(config.printerIp, 'i', sizeof config.printerIp);
        config.printerPort = 9100;
        config.printerComPrnPort = 2;
        config.printerWidth = 1;
        config.comPort = 7;
        config.printerType = c.type;
        HostConfig expected = config;
        if (!c.ipAndPortKept) {
            std::memset(expected.printerIp, 0, sizeof expected.printerIp);
            expected.printerPort = 0;
        }
        if (!c.comPortKept) expected.printerComPrnPort = 0;
        if (!c.widthKept) expected.printerWidth = 0;

        ClearUnusedPrinterFields(config);
        EXPECT_TRUE(SameBytes(config, expected));
    }
}
