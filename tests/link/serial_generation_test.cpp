#include "link/serial_generation.h"

#include <gtest/gtest.h>

#include <future>

#include "link/app_exit.h"
#include "link/link_state.h"
#include "link/serial_thread.h"
#include "link/stop_request.h"

namespace {

// Runs on a fresh thread that has joined the generation current at its start.
template <typename F>
auto OnSerialThread(F body) {
    return std::async(std::launch::async, [body] {
        EnterSerialGeneration();
        return body();
    });
}

}  // namespace

TEST(SerialGeneration, OnlyTheThreadsOfAnAbandonedGenerationAreAbandoned) {
    std::promise<void> entered;
    std::promise<void> abandoned;
    auto old = std::async(std::launch::async, [&] {
        EnterSerialGeneration();
        const bool before = IsAbandonedSerialThread();
        entered.set_value();
        abandoned.get_future().wait();
        return std::make_pair(before, IsAbandonedSerialThread());
    });
    entered.get_future().wait();
    AbandonSerialThread();
    abandoned.set_value();
    EXPECT_EQ(old.get(), std::make_pair(false, true));

    EXPECT_FALSE(OnSerialThread([] { return IsAbandonedSerialThread(); }).get()) << "the next serial thread";
    EXPECT_FALSE(IsAbandonedSerialThread()) << "a thread that never served the link";
}

TEST(SerialGeneration, AbandonedThreadSeesAStopRequestAndLeavesTheLinkAlone) {
    SetStopRequest(0);
    SerialPortInitialized = 1;  // the successor's link
    const auto seen = OnSerialThread([] {
        AbandonSerialThread();
        const int stop = IsStopRequested();
        // Closing a port this thread does not own would throw; the exit must not try.
        const int exitCode = RunSerialThreadBody([] () -> int { App_ExitThread(0); });
        return std::make_pair(stop, exitCode);
    }).get();
    EXPECT_EQ(seen, std::make_pair(2, 0));
    EXPECT_EQ(IsStopRequested(), 0) << "other threads still read the flag";
    EXPECT_EQ(SerialPortInitialized.load(), 1);
}
