#include "host_config.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex configLock;
HostConfig currentConfig{};  // guarded by configLock
std::atomic<int> logLevel{0};

}  // namespace

HostConfig GetHostConfig() {
    std::lock_guard<std::mutex> guard(configLock);
    return currentConfig;
}

void SetHostConfig(const HostConfig& config) {
    std::lock_guard<std::mutex> guard(configLock);
    currentConfig = config;
    logLevel.store(config.loggingLevel);
}

void ModifyHostConfig(const std::function<void(HostConfig&)>& change) {
    std::lock_guard<std::mutex> guard(configLock);
    change(currentConfig);
    logLevel.store(currentConfig.loggingLevel);
}

int CurrentLogLevel() { return logLevel.load(std::memory_order_relaxed); }
