// Starting and stopping the pinpad link, and the remote-control port as the guard against
// a second instance.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "config/host_config.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "remote/rc_server.h"
#include "support/test_env.h"
#include "wire_client.h"

namespace {

class Monitoring : public ::testing::Test {
protected:
    void SetUp() override {
        HostConfig config{};
        config.loggingLevel = 2;
        SetHostConfig(config);
        ASSERT_EQ(OpenLog(), 0);
        port_ = FreeTcpPort();
        setenv("TERMBRIDGE_RC_PORT", std::to_string(port_).c_str(), 1);
    }
    void TearDown() override {
        if (IsSerialThreadAlive()) StopMonitoring();
        StopRcServer();
    }
    TempDataDir dir_;
    std::uint16_t port_ = 0;
};

}  // namespace

TEST_F(Monitoring, ASecondInstanceStartsNoSerialThread) {
    // The first instance holds the port.
    const int other = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(other, 1), 0);

    EXPECT_EQ(StartMonitoring(true), 0);
    EXPECT_FALSE(IsSerialThreadAlive());
    const std::string log = dir_.LogText();
    EXPECT_NE(log.find("Error: Bind failed! Probably already an instance of Termbridge / TermbridgeService is running"),
              std::string::npos);
    EXPECT_EQ(CountOf(log, "Error: Initializing Remote Control Thread failed, error code = -3"), 1);
    EXPECT_EQ(CountOf(log, "Serial thread started"), 0);
    EXPECT_EQ(CountOf(log, "Remote control proces"), 0);
    ::close(other);
}

TEST_F(Monitoring, StartWithTheServerRunningAlreadyStartsOnlyANewSerialThread) {
    ASSERT_EQ(StartMonitoring(true), 1);
    ASSERT_TRUE(WaitFor([] { return !IsSerialThreadAlive() || SerialPortInitialized.load() != 0; }));
    // The listener marks itself running from its own thread, which a loaded machine may start late.
    ASSERT_TRUE(WaitFor([] { return RcListenerState.load() == 2; }));
    StopMonitoring();
    ASSERT_EQ(StartMonitoring(true), 1);

    const std::string log = dir_.LogText();
    EXPECT_EQ(CountOf(log, "Serial thread started, id = "), 2);
    EXPECT_EQ(CountOf(log, "*** Remote Control Thread running ***"), 1);
    const auto second = log.rfind("Remote control proces intialized");
    const auto already = log.find("Info: Remote process already running");
    ASSERT_NE(already, std::string::npos);
    EXPECT_LT(second, already);
    EXPECT_LT(already, log.rfind("Remote control proces RUNNING OK"));
    EXPECT_EQ(CountOf(log, "Info:Remote process already intialized"), 1);
}

TEST_F(Monitoring, StopWithoutAServingThreadDoesNotWait) {
    for (int state : {0, -1}) {
        SerialPortInitialized.store(state);
        const std::size_t before = dir_.LogText().size();
        EXPECT_EQ(StopMonitoring(), 1);
        const std::string added = dir_.LogText().substr(before);
        EXPECT_EQ(CountOf(added, "StopMonitoring"), 1) << state;
        EXPECT_EQ(CountOf(added, "Waiting for closing the serial thread"), 0) << state;
        EXPECT_EQ(CountOf(added, "Serial thread terminated(" + std::to_string(state) + ")"), 1) << state;
    }
    SerialPortInitialized.store(0);
}
