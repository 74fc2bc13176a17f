// The simulator program as integrators run it: command line, progress lines, exit codes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "config/config_file.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/serial_thread.h"
#include "link/stop_request.h"
#include "output/recording_print_device.h"
#include "output/windows_print.h"
#include "requests/transaction.h"
#include "support/loopback_peers.h"
#include "support/test_env.h"

using ::testing::HasSubstr;

namespace {

struct ProgramRun {
    int exitCode;
    std::string output;
};

// Runs the simulator with the arguments; stdout and stderr together.
ProgramRun RunSimulator(const std::string& arguments) {
    const std::string command = std::string(PINPAD_SIM_PROGRAM) + " " + arguments + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return ProgramRun{-1, ""};
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = pclose(pipe);
    return ProgramRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

}  // namespace

TEST(PinpadSimProgram, RefusesWhatItCannotUse) {
    struct Case {
        const char* name;
        std::string arguments;
        int exitCode;
        const char* said;
    };
    const Case cases[] = {
        {"unknown option", "--colour blue", 1, "unknown option --colour"},
        {"bad number", "--sales none", 1, "bad value for --sales: none"},
        {"device and link together", "--device /dev/null --link /tmp/x", 1, "exclude each other"},
        {"device that does not exist", "--device /nonexistent/tty", 2, "open /nonexistent/tty"},
        {"link in a directory that does not exist", "--link /nonexistent/dir/COM1", 2, "symlink"},
        {"help", "--help", 0, "Exit codes:"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunSimulator(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_THAT(run.output, HasSubstr(c.said)) << c.name;
    }
}

TEST(PinpadSimProgram, ServesASaleAndSaysSo) {
    TempDataDir dir(ProgramKind::Service);
    const std::string ports = dir.File("ports");
    std::filesystem::create_directories(ports);
    setenv("TERMBRIDGE_PORTS_DIR", ports.c_str(), 1);
    HostConfig config{};
    config.loggingLevel = 1;
    config.comPort = 4;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);
    ASSERT_EQ(OpenLog(), 0);
    RecordingPrintDevice printer;
    SetPrintDeviceForTests(&printer);
    FakePaymentHost paymentHost("OK");

    auto simulator = std::async(std::launch::async, [&] {
        return RunSimulator("--com 4 --sales 1 --wait-ms 20000 --host-wait-ms 20000 --port " +
                            std::to_string(paymentHost.port()));
    });
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(ports + "/COM4"); }));
    SetStopRequest(0);
    std::thread serial([] { SerialThread(); });
    SetPendingTransaction(0x8860, 990, "", "R-12", false);

    const ProgramRun run = simulator.get();
    SetStopRequest(1);
    serial.join();
    SetPrintDeviceForTests(nullptr);

    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: line /dev/pts/"));
    EXPECT_THAT(run.output, HasSubstr(" linked at " + ports + "/COM4\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: announced allowed types 8810,8860\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: host status byte 50\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: sale 1: transaction 8860 amount 990 reference R-12\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: sale 1: sent 13 bytes, host answered 2 bytes\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: sale 1: approved\n"));
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: done: 1 sale(s) served\n"));
    EXPECT_FALSE(std::filesystem::exists(ports + "/COM4")) << "the link goes with the simulator";
}

TEST(PinpadSimProgram, GivesUpWhenNoTransactionComes) {
    TempDataDir dir(ProgramKind::Service);
    const std::string ports = dir.File("ports");
    std::filesystem::create_directories(ports);
    setenv("TERMBRIDGE_PORTS_DIR", ports.c_str(), 1);
    HostConfig config{};
    config.comPort = 4;
    SetHostConfig(config);
    ASSERT_EQ(WriteConfiguration(), 0);

    auto simulator = std::async(std::launch::async, [&] { return RunSimulator("--com 4 --wait-ms 500"); });
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(ports + "/COM4"); }));
    SetStopRequest(0);
    std::thread serial([] { SerialThread(); });
    const ProgramRun run = simulator.get();
    SetStopRequest(1);
    serial.join();
    EXPECT_EQ(run.exitCode, 4) << run.output;
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: error: no transaction arrived\n"));
}

TEST(PinpadSimProgram, HostThatNeverOpensTheLineIsALinkFailure) {
    TempDataDir dir(ProgramKind::Service);
    const ProgramRun run = RunSimulator("--link " + dir.File("COM9") + " --host-wait-ms 200");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_THAT(run.output, HasSubstr("pinpad-sim: error: request S: the host did not open the line\n"));
}
