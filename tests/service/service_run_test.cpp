// The built program run as systemd runs it, with this test on the other end of the notify
// socket, and run in the foreground.

#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/program.h"
#include "notify_receiver.h"
#include "service_process.h"
#include "support/test_env.h"

namespace {

const std::string kUsage =
    "Parameters:\n"
    " -install  to install the service.\n"
    " -remove   to remove the service.\n";

struct RunCase {
    const char* name;
    std::vector<std::string> arguments;
    int stopSignal;
    std::string output;
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }

class ServiceRunTest : public ::testing::TestWithParam<RunCase> {
protected:
    std::string LogFile() const { return dir_.File(Program().logFileName); }

    TempDataDir dir_{ProgramKind::Service};
    NotifyReceiver systemd_;
};

TEST_P(ServiceRunTest, ReportsEachStateUntilStopped) {
    const RunCase& c = GetParam();
    WriteWholeFile(dir_.File("systemctl"), "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(dir_.File("systemctl"), std::filesystem::perms::owner_all);
    std::filesystem::create_directory(dir_.File("units"));
    ServiceProcess service(c.arguments, {"NOTIFY_SOCKET=" + systemd_.path(), "TERMBRIDGE_UNIT_DIR=" + dir_.File("units"),
                                         "TERMBRIDGE_SYSTEMCTL=" + dir_.File("systemctl")});

    EXPECT_EQ(systemd_.Next(), "STATUS=Start pending, check point 1");
    ASSERT_EQ(systemd_.Next(), "READY=1\nSTATUS=Running");
    EXPECT_TRUE(std::filesystem::exists(LogFile())) << "the log opens before the service is ready";
    EXPECT_TRUE(std::filesystem::exists(dir_.File(Program().configFileName))) << "with a default configuration";

    service.Signal(c.stopSignal);
    EXPECT_EQ(systemd_.Next(), "STOPPING=1\nSTATUS=Stop pending, check point 2");
    EXPECT_EQ(systemd_.Next(), "STATUS=Stopped");
    EXPECT_EQ(service.WaitForExit(), 0);
    EXPECT_EQ(service.Output(), c.output);
    EXPECT_EQ(service.Errors(), "");
    EXPECT_EQ(systemd_.Drain(), std::vector<std::string>{});
}

const RunCase kRunCases[] = {
    {"StopBySigterm", {}, SIGTERM, kUsage},
    {"StopBySigint", {}, SIGINT, kUsage},
    {"InstalledThenRun", {"-install"}, SIGTERM, "TermbridgeService is installed.\nService started\n"},
};

INSTANTIATE_TEST_SUITE_P(Service, ServiceRunTest, ::testing::ValuesIn(kRunCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Without a notify socket the program runs only when systemd's invocation id says systemd
// started it, or when asked to run in the foreground.
TEST(ServiceRunWithoutNotifySocket, RunsUntilStopSignal) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        std::string output;
    } cases[] = {
        {"invocation id", {}, {"INVOCATION_ID=0123456789abcdef0123456789abcdef"}, kUsage},
        {"foreground", {"-foreground"}, {}, ""},
        {"foreground, other spelling", {"/FOREGROUND"}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDataDir dir(ProgramKind::Service);
        const std::string logFile = dir.File(Program().logFileName);
        ServiceProcess service(c.arguments, c.environment);

        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(logFile); }));
        service.Signal(SIGTERM);
        EXPECT_EQ(service.WaitForExit(), 0);
        EXPECT_EQ(service.Output(), c.output);
        EXPECT_EQ(service.Errors(), "");
    }
}

}  // namespace
