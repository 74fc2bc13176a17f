// Cash registers racing the real serial thread, which serves a simulated pinpad: every
// result block and every ticket a client gets is exactly one the pinpad sent, never a mix.
// Also run in the ThreadSanitizer build (-DTB_TSAN=ON).

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>
#include <set>
#include <thread>
#include <vector>

#include "config/config_file.h"
#include "config/log.h"
#include "ecr_client.h"
#include "link/monitoring.h"
#include "output/recording_print_device.h"
#include "output/windows_print.h"
#include "pinpad_sim/sale_records.h"
#include "rc_server_fixture.h"
#include "support/loopback_peers.h"

using namespace ecr;

namespace {

constexpr int kClients = 6;
constexpr int kSales = 5;
constexpr int kRounds = 400;  // references C0-0 ... C0-399, then again

int RunSimulator(const std::string& arguments) {
    const std::string command = std::string(PINPAD_SIM_PROGRAM) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Reference(int client, int round) { return "C" + std::to_string(client) + "-" + std::to_string(round); }
std::int32_t Amount(int client, int round) { return 100 + client * 1000 + round; }

class RcPinpadConcurrency : public RcServerTest {
protected:
    void SetUp() override {
        RcServerTest::SetUp();
        ports_ = dir_.File("ports");
        std::filesystem::create_directories(ports_);
        setenv("TERMBRIDGE_PORTS_DIR", ports_.c_str(), 1);
        HostConfig config{};
        config.loggingLevel = 1;
        config.comPort = 4;
        SetHostConfig(config);
        ASSERT_EQ(WriteConfiguration(), 0);
        SetPrintDeviceForTests(&printer_);
    }
    void TearDown() override {
        StopMonitoring();
        SetPrintDeviceForTests(nullptr);
        RcServerTest::TearDown();
    }
    std::string ports_;
    RecordingPrintDevice printer_;
};

}  // namespace

TEST_F(RcPinpadConcurrency, EveryBlockAndTicketIsOneThePinpadSent) {
    // Everything the pinpad could send back, whichever transaction it took; kept as text,
    // which compares as plain bytes.
    std::set<std::string> results;
    std::set<std::string> tickets{std::string()};
    for (int round = 0; round < kRounds; ++round) {
        const OfferedTransaction sale{0x8810, Amount(0, round), Reference(0, round)};
        for (bool approved : {true, false}) {
            results.insert(AsText(ResultBlock(sale, approved)));
            tickets.insert(AsText(TicketRecords(sale, approved)));
        }
    }

    FakePaymentHost paymentHost("OK");
    auto pinpad = std::async(std::launch::async, [&] {
        return RunSimulator("--com 4 --sales " + std::to_string(kSales) +
                            " --poll-ms 20 --host-wait-ms 20000 --wait-ms 20000 --port " +
                            std::to_string(paymentHost.port()));
    });
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::is_symlink(ports_ + "/COM4"); }));
    ASSERT_EQ(StartMonitoring(false), 1);

    std::atomic<bool> pinpadDone{false};
    std::atomic<int> unexpected{0};
    std::atomic<int> failures{0};
    std::atomic<int> collected{0};
    std::vector<std::thread> clients;
    // Client 0 keeps a transaction waiting for the pinpad; the others poll and fetch tickets
    // as fast as they can, while the serial thread stores each sale's result and ticket.
    clients.emplace_back([&] {
        EcrClient client(std::chrono::seconds(20));
        if (client.Connect("127.0.0.1", port_) != EcrStatus::Ok) {
            failures.fetch_add(1);
            return;
        }
        for (int round = 0; !pinpadDone.load(); round = (round + 1) % kRounds) {
            StartAnswer started;
            if (client.StartTransaction({0x8810, Amount(0, round), Reference(0, round), ""}, started) !=
                    EcrStatus::Ok ||
                !started.accepted) {
                failures.fetch_add(1);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    });
    for (int c = 1; c < kClients; ++c) {
        clients.emplace_back([&] {
            EcrClient client(std::chrono::seconds(20));
            if (client.Connect("127.0.0.1", port_) != EcrStatus::Ok) {
                failures.fetch_add(1);
                return;
            }
            while (!pinpadDone.load()) {
                PollAnswer poll;
                std::vector<std::uint8_t> ticket;
                if (client.PollResult(poll) != EcrStatus::Ok || client.GetLastTicket(ticket) != EcrStatus::Ok) {
                    failures.fetch_add(1);
                    return;
                }
                if (poll.finished) {
                    collected.fetch_add(1);
                    if (results.count(std::string(poll.result.begin(), poll.result.end())) == 0) {
                        unexpected.fetch_add(1);
                    }
                }
                if (tickets.count(AsText(ticket)) == 0) unexpected.fetch_add(1);
            }
        });
    }
    const int pinpadExit = pinpad.get();
    pinpadDone.store(true);
    for (auto& client : clients) client.join();

    EXPECT_EQ(pinpadExit, 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_GT(collected.load(), 0) << "no client ever collected a result";
}
