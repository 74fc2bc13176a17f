#include "stop_request.h"

#include <mutex>

#include "config/log.h"

namespace {
std::mutex stopRequestLock;
int stopRequest = 0;  // guarded by stopRequestLock
}  // namespace

int IsStopRequested() {
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
