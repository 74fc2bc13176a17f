#pragma once
// A stand-in for the pinpad's payment host on loopback: every connection's first message is
// answered with one fixed approval, then the connection is held until the pinpad closes it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct PaymentHostOptions {
    std::uint16_t port = 9100;   // 0: any free port, printed at start
    std::string answer = "APPROVED 00\r\n";
    int connections = 0;         // 0: until stopped
};

// 0 when stopped or every connection asked for was served; 2 when the port cannot be bound.
// `progress` gets one line per event; `stop` is looked at several times a second.
int RunPaymentHost(const PaymentHostOptions& options, const std::function<void(const std::string&)>& progress,
                   const std::atomic<bool>& stop);
