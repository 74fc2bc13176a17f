// The dispatcher in-process: a stop signal never runs OnStop beside a start still in progress,
// and a failed start ends the dispatcher by itself.

#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "notify_receiver.h"
#include "service_dispatcher.h"
#include "support/test_env.h"

namespace {

// OnStart holds until the test lets it go; every call is recorded in order.
class GatedService : public CServiceBase {
public:
    GatedService() : CServiceBase("TermbridgeService") {}

    void Release() {
        std::lock_guard<std::mutex> guard(lock_);
        released_ = true;
        changed_.notify_all();
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> guard(lock_);
        return calls_;
    }
    bool failStart = false;

protected:
    void OnStart(std::uint32_t, char**) override {
        Record("start begins");
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait_for(guard, std::chrono::seconds(20), [this] { return released_; });
        }
        Record("start ends");
        if (failStart) throw ServiceError(5);
    }
    void OnStop() override { Record("stop"); }

private:
    void Record(const char* call) {
        std::lock_guard<std::mutex> guard(lock_);
        calls_.push_back(call);
    }

    std::mutex lock_;
    std::condition_variable changed_;
    bool released_ = false;
    std::vector<std::string> calls_;
};

bool StopSignalPending() {
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGTERM) == 1;
}

class DispatcherTest : public ::testing::Test {
protected:
    // As in the program, no thread may take the stop signals' default action: they are blocked
    // before the first thread starts.
    void SetUp() override {
        ResetCheckPointForTests();
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGTERM);
        sigaddset(&stopSignals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        unsetenv("INVOCATION_ID");
        setenv("NOTIFY_SOCKET", systemd_.path().c_str(), 1);
    }

    void StartDispatcher() {
        dispatcher_ = std::thread([this] {
            result_ = RunServiceDispatcher(service_);
            returned_ = true;
        });
    }
    bool DispatcherReturned() {
        if (!WaitFor([this] { return returned_.load(); })) return false;
        dispatcher_.join();
        return true;
    }
    void TearDown() override {
        if (dispatcher_.joinable()) {
            service_.Release();
            kill(getpid(), SIGTERM);
            dispatcher_.join();
        }
    }

    NotifyReceiver systemd_;
    GatedService service_;
    std::thread dispatcher_;
    std::atomic<bool> returned_{false};
    std::uint32_t result_ = 0;
};

TEST_F(DispatcherTest, StopDuringStartWaitsForTheStartToFinish) {
    StartDispatcher();
    ASSERT_EQ(systemd_.Next(), "STATUS=Start pending, check point 1");

    kill(getpid(), SIGTERM);
    ASSERT_TRUE(WaitFor([] { return !StopSignalPending(); })) << "the dispatcher took the signal";
    service_.Release();

    EXPECT_EQ(systemd_.Next(), "READY=1\nSTATUS=Running");
    EXPECT_EQ(systemd_.Next(), "STOPPING=1\nSTATUS=Stop pending, check point 2");
    EXPECT_EQ(systemd_.Next(), "STATUS=Stopped");
    ASSERT_TRUE(DispatcherReturned());
    EXPECT_EQ(result_, 0u);
    EXPECT_EQ(service_.Calls(), (std::vector<std::string>{"start begins", "start ends", "stop"}));
}

TEST_F(DispatcherTest, FailedStartEndsTheDispatcherWithoutStop) {
    service_.failStart = true;
    service_.Release();
    StartDispatcher();

    EXPECT_EQ(systemd_.Next(), "STATUS=Start pending, check point 1");
    EXPECT_EQ(systemd_.Next(), "STATUS=Stopped, error 0x00000005\nERRNO=5");
    ASSERT_TRUE(DispatcherReturned());
    EXPECT_EQ(result_, 0u);
    EXPECT_EQ(service_.Calls(), (std::vector<std::string>{"start begins", "start ends"}));
}

TEST_F(DispatcherTest, OutsideSystemdNothingRuns) {
    unsetenv("NOTIFY_SOCKET");
    service_.Release();
    StartDispatcher();

    ASSERT_TRUE(DispatcherReturned());
    EXPECT_EQ(result_, static_cast<std::uint32_t>(ENOTCONN));
    EXPECT_TRUE(service_.Calls().empty());
    EXPECT_EQ(systemd_.Drain(), std::vector<std::string>{});
}

}  // namespace
