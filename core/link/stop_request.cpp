#include "stop_request.h"

#include <mutex>

#include "config/log.h"
#include "link/serial_generation.h"

namespace {
std::mutex stopRequestLock;
int stopRequest = 0;  // guarded by stopRequestLock
}  // namespace

int IsStopRequested() {
    // A serial thread given up on stops at every check, whatever the flag says by now.
    if (IsAbandonedSerialThread()) return 2;
    int value = 0;
    {
        std::lock_guard<std::mutex> guard(stopRequestLock);
        value = stopRequest;
    }
    if (value == 1) LogMessage("STOP RUNNING REQUESTED");
    return value;
}

void SetStopRequest(int value) {
    std::lock_guard<std::mutex> guard(stopRequestLock);
    stopRequest = value;
}
