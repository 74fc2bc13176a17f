// termbridge-payment-host: approves every authorisation request on loopback, so that a whole
// sale runs without a real payment host.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "payment_host.h"

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnSignal(int) { stopRequested.store(true); }

const char kUsage[] =
    "usage: termbridge-payment-host [--port N] [--answer TEXT] [--connections N]\n"
    "  --port N         loopback port to listen on (default 9100; 0 = any free port)\n"
    "  --answer TEXT    the answer to each request (default \"APPROVED 00\" CR LF)\n"
    "  --connections N  end after N connections (default: until SIGINT or SIGTERM)\n";

bool ParseNumber(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseOptions(int argc, char** argv, PaymentHostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        long number = 0;
        if (name == "--port" && ParseNumber(value, 0, 65535, number)) {
            options.port = static_cast<std::uint16_t>(number);
        } else if (name == "--connections" && ParseNumber(value, 0, 1000000, number)) {
            options.connections = static_cast<int>(number);
        } else if (name == "--answer" && *value != '\0') {
            options.answer = value;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    PaymentHostOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    return RunPaymentHost(
        options,
        [](const std::string& line) {
            std::printf("payment-host: %s\n", line.c_str());
            std::fflush(stdout);
        },
        stopRequested);
}
