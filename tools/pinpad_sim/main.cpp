// termbridge-pinpad-sim: a pinpad on a serial line, for trying the host without hardware.

#include <csignal>
#include <cstdio>
#include <memory>

#include "pinpad_sim/pinpad_port.h"
#include "pinpad_sim/pinpad_session.h"
#include "pinpad_sim/sim_options.h"

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnSignal(int) { stopRequested.store(true); }

void Progress(const std::string& line) {
    std::printf("pinpad-sim: %s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "termbridge-pinpad-sim: %s\n%s", error.c_str(), SimUsage());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return kExitDone;
    }

    std::unique_ptr<PinpadPort> port = options.devicePath.empty()
                                           ? PinpadPort::CreatePty(options.linkPath, error)
                                           : PinpadPort::OpenDevice(options.devicePath, error);
    if (!port) {
        std::fprintf(stderr, "termbridge-pinpad-sim: %s\n", error.c_str());
        return kExitPort;
    }
    if (port->LinkPath().empty()) Progress("line " + port->DevicePath());
    else Progress("line " + port->DevicePath() + " linked at " + port->LinkPath());

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    PinpadLink link(*port, options.faults, options.timings, &stopRequested);
    const SessionResult result = RunPinpadSession(link, options.session, Progress, &stopRequested);
    return result.exitCode;
}
