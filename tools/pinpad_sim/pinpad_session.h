#pragma once
// The scripted pinpad: announces itself, polls for a transaction, runs the sale against its
// payment host through the host's relay, reports the result, prints the ticket and sends the
// SMS text; then the next sale.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pinpad_sim/pinpad_link.h"
#include "pinpad_sim/sale_records.h"

// Exit codes of the simulator program.
enum SessionExit : int {
    kExitDone = 0,           // every sale asked for was served
    kExitUsage = 1,          // bad command line
    kExitPort = 2,           // the line could not be set up
    kExitLink = 3,           // the host stopped answering on the line
    kExitNoTransaction = 4,  // no transaction came within the wait
    kExitStopped = 5,        // interrupted
};

struct SessionOptions {
    std::string paymentHost = "127.0.0.1";
    std::uint16_t paymentPort = 0;
    std::uint8_t receiveTimeoutBcd = 0x30;  // 30 seconds
    int sales = 1;                          // 0 = serve sales until stopped
    std::chrono::milliseconds pollInterval{200};
    std::chrono::milliseconds transactionWait{0};  // 0 = wait without limit
    std::vector<std::uint16_t> allowedTypes{0x8810, 0x8860};
};

struct SaleOutcome {
    OfferedTransaction transaction;
    std::int32_t socket = -1;
    std::int32_t bytesSent = -1;
    Bytes hostReply;
    bool approved = false;
};

struct SessionResult {
    int exitCode = kExitDone;
    std::vector<SaleOutcome> sales;
    std::string error;
};

using ProgressSink = std::function<void(const std::string&)>;

SessionResult RunPinpadSession(PinpadLink& link, const SessionOptions& options, const ProgressSink& progress,
                               const std::atomic<bool>* stop = nullptr);
