#include "app_exit.h"

#include <chrono>
#include <thread>

#include "config/log.h"
#include "link/link_state.h"
#include "link/pinpad_device.h"
#include "link/serial_generation.h"

namespace {

// Not derived from std::exception, so no error handler of the serial thread can take it.
struct SerialThreadExit {
    int exitCode;
};

}  // namespace

void App_ExitThread(int exitCode) {
    LogMessage("App_ExitThread %d", exitCode);
    // A thread given up on no longer owns the port or the link state: its successor does.
    if (!IsAbandonedSerialThread()) {
        ClosePinpadPort();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        SerialPortInitialized = 0;
    }
    LogMessage("Exiting the SERIAL THREAD 1");
    throw SerialThreadExit{exitCode};
}

int RunSerialThreadBody(const std::function<int()>& body) {
    try {
        return body();
    } catch (const SerialThreadExit& exit) {
        return exit.exitCode;
    }
}
