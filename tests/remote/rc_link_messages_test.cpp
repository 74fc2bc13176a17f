// Messages that watch and control the pinpad link, over loopback as a cash register sends them.

#include <gtest/gtest.h>

#include "link/link_state.h"
#include "link/monitoring.h"
#include "rc_server_fixture.h"
#include "remote/link_hold.h"

namespace {

class LinkMessages : public RcServerTest {
protected:
    void TearDown() override {
        // A stop worker still running would outlive the test's data directory.
        EXPECT_TRUE(WaitFor([] { return CommStopping.load() == 0; }));
        if (IsSerialThreadAlive()) StopMonitoring();
        RcServerTest::TearDown();
    }
};

}  // namespace

TEST_F(LinkMessages, QueryWhileTheLinkIsDownReportsZeroAndTheUntestedPrinter) {
    CommLoops.store(0);
    auto client = Connect();
    const Bytes reply = client->Ask(MESSAGE_QUERY_COMM_THREAD);
    ASSERT_EQ(reply.size(), 12u);
    EXPECT_EQ(Int32At(reply, 0), 0);
    EXPECT_EQ(Int32At(reply, 4), -1);
    EXPECT_EQ(Int32At(reply, 8), 0);

    SerialPortInitialized.store(-1);
    CommLoops.store(41);
    const Bytes later = client->Ask(MESSAGE_QUERY_COMM_THREAD);
    EXPECT_EQ(Int32At(later, 0), -1);
    EXPECT_EQ(Int32At(later, 8), 41);
    SerialPortInitialized.store(0);

    const std::string log = Log();
    EXPECT_EQ(CountOf(log, "QUERY COMM THREAD MESSAGE RECEIVED"), 2);
    EXPECT_EQ(CountOf(log, "SerialPortIntialized = -1"), 1);
    EXPECT_EQ(CountOf(log, "PrinterOnEthernetAlive = -1"), 2);
    EXPECT_EQ(CountOf(log, "CommLoops = 41"), 1);
}

TEST_F(LinkMessages, SecondStopRightBehindTheFirstGetsOne) {
    auto client = Connect();
    auto other = Connect();
    EXPECT_EQ(client->Ask(MESSAGE_STOP_COMM_THREAD), Bytes({0}));
    EXPECT_EQ(other->Ask(MESSAGE_STOP_COMM_THREAD), Bytes({1}));
    EXPECT_EQ(InsideConfigDialog.load(), 1);

    ASSERT_TRUE(WaitForLog("COM Port Stopping finished"));
    EXPECT_EQ(CommStopping.load(), 0);
    const std::string log = Log();
    EXPECT_EQ(CountOf(log, "MESSAGE_STOP_COMM_THREAD MESSAGE RECEIVED"), 2);
    EXPECT_EQ(CountOf(log, "Started COM Port Stopping"), 1);
    EXPECT_EQ(CountOf(log, "Serial thread terminated(0)"), 1);
    // The stop is over: the next one is accepted again.
    EXPECT_EQ(client->Ask(MESSAGE_STOP_COMM_THREAD), Bytes({0}));
}

TEST_F(LinkMessages, StartWhileStoppingOrRunningStartsNothingAndReleasesTheHold) {
    auto client = Connect();
    ASSERT_EQ(client->Ask(MESSAGE_STOP_COMM_THREAD), Bytes({0}));
    EXPECT_EQ(client->Ask(MESSAGE_START_COMM_THREAD), Bytes({1}));
    EXPECT_EQ(InsideConfigDialog.load(), 0);
    ASSERT_TRUE(WaitFor([] { return CommStopping.load() == 0; }));

    InsideConfigDialog.store(1);
    SerialPortInitialized.store(1);
    EXPECT_EQ(client->Ask(MESSAGE_START_COMM_THREAD), Bytes({2}));
    EXPECT_EQ(InsideConfigDialog.load(), 0);
    SerialPortInitialized.store(0);

    const std::string log = Log();
    EXPECT_EQ(CountOf(log, "Info: Start of serial thread impossible, just shutting down"), 1);
    EXPECT_EQ(CountOf(log, "Info: Start of serial thread impossible, already started and working"), 1);
    EXPECT_EQ(CountOf(log, "Serial thread started, id = "), 0);
}

TEST_F(LinkMessages, StartWhileDownReadsTheConfigurationTestsThePrinterAndStartsTheLink) {
    WriteConfigFile(2);
    InsideConfigDialog.store(1);
    auto client = Connect();
    EXPECT_EQ(client->Ask(MESSAGE_START_COMM_THREAD), Bytes({0}));
    EXPECT_EQ(InsideConfigDialog.load(), 0);
    const std::string log = Log();
    const auto printer = log.find("Printer thread ID = ");
    const auto monitoring = log.find("StartMonitoring");
    const auto started = log.find("Serial thread started, id = ");
    ASSERT_NE(printer, std::string::npos);
    ASSERT_NE(started, std::string::npos);
    EXPECT_LT(printer, monitoring);
    EXPECT_LT(monitoring, started);
    EXPECT_EQ(CountOf(log, "Remote control proces"), 0) << "the server runs already";
}
