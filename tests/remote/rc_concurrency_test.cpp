// Many cash registers at once while the serial thread stores results and tickets: every
// reply must be one whole block, never parts of two. Meant for the ThreadSanitizer build
// (-DTB_TSAN=ON) as well as the normal one.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "config/host_config.h"
#include "ecr_client.h"
#include "output/last_ticket.h"
#include "rc_server_fixture.h"
#include "requests/transaction.h"

using namespace ecr;

namespace {

constexpr int kClients = 12;
constexpr int kRoundsPerClient = 60;

// Every byte behind the signature carries the same marker.
TransactionBlock MarkedResult(std::uint8_t marker) {
    TransactionBlock block;
    block.fill(marker);
    std::memcpy(block.data(), "13993", 6);
    return block;
}

// The marker decides the length and every byte of the ticket.
std::vector<std::uint8_t> MarkedTicket(std::uint8_t marker) { return std::vector<std::uint8_t>(100 + marker * 40, marker); }

bool IsWholeResult(const PollAnswer& answer) {
    if (std::memcmp(answer.result.data(), "13993", 6) != 0) return false;
    for (std::size_t i = 6; i < answer.result.size(); ++i) {
        if (answer.result[i] != answer.result[6]) return false;
    }
    return true;
}

bool IsWholeTicket(const std::vector<std::uint8_t>& ticket) {
    if (ticket.empty()) return true;  // before the first one
    return ticket == MarkedTicket(ticket[0]);
}

class RcConcurrency : public RcServerTest {
protected:
    void SetUp() override {
        RcServerTest::SetUp();
        // Level 1: the lines still go through the log lock from every thread.
        HostConfig config{};
        config.loggingLevel = 1;
        SetHostConfig(config);
    }
};

}  // namespace

TEST_F(RcConcurrency, ClientsAndTheSerialThreadNeverSeeHalfABlock) {
    std::atomic<bool> done{false};
    std::atomic<int> storedResults{0};
    // Plays the serial thread: takes transactions and stores results and tickets.
    std::thread serial([&] {
        std::uint8_t marker = 1;
        while (!done.load()) {
            std::uint16_t type = 0;
            std::int32_t amount = 0;
            std::string reference;
            TakePendingTransaction(type, amount, reference);
            StoreTransactionResult(MarkedResult(marker).data());
            const auto ticket = MarkedTicket(marker);
            StoreLastTicket(ticket.data(), ticket.size());
            storedResults.fetch_add(1);
            marker = static_cast<std::uint8_t>(marker % 250 + 1);
            std::this_thread::yield();
        }
    });

    std::atomic<int> torn{0};
    std::atomic<int> failures{0};
    std::atomic<int> collected{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            EcrClient client(std::chrono::seconds(20));
            if (client.Connect("127.0.0.1", port_) != EcrStatus::Ok) {
                failures.fetch_add(1);
                return;
            }
            for (int round = 0; round < kRoundsPerClient; ++round) {
                StartAnswer started;
                PollAnswer poll;
                std::vector<std::uint8_t> ticket;
                if (client.StartTransaction({0x8810, 100 + c, "C" + std::to_string(c), ""}, started) != EcrStatus::Ok ||
                    client.PollResult(poll) != EcrStatus::Ok || client.GetLastTicket(ticket) != EcrStatus::Ok) {
                    failures.fetch_add(1);
                    return;
                }
                if (!started.accepted) failures.fetch_add(1);
                if (poll.finished) {
                    collected.fetch_add(1);
                    if (!IsWholeResult(poll)) torn.fetch_add(1);
                }
                if (!IsWholeTicket(ticket)) torn.fetch_add(1);
            }
        });
    }
    for (auto& client : clients) client.join();
    done.store(true);
    serial.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(storedResults.load(), 0);
    EXPECT_GT(collected.load(), 0) << "the race was never run";
}
