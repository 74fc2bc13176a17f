#include "watchdog.h"

#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/thread_log_id.h"
#include "config/config_file.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "link/stop_request.h"
#include "remote/link_hold.h"

std::atomic<int> TimerThreadRunning{0};

namespace {

constexpr auto kTick = std::chrono::milliseconds(100);
constexpr int kTicksPerCheck = 50;

struct WatchdogRecord {
    std::mutex lock;
    std::thread thread;  // guarded by lock
};

// Never destroyed: the process may end while the watchdog still runs.
WatchdogRecord& Watchdog() {
    static auto* record = new WatchdogRecord;
    return *record;
}

// Only the serial half of StartMonitoring: the remote-control server is left alone.
void RestartLink() {
    LogMessage("Trying to restart the device");
    ReadConfiguration();  // the serial thread takes COM_PORT from what was read
    LogMessage("StartMonitoring");
    SetStopRequest(0);
    StartSerialThread();
}

void CheckLink(bool& bindFailureLogged) {
    LogDetail("Timer Thread wake up occured");
    if (SerialPortInitialized.load() == 1) {
        LogDetail("Serial port working, no need to restart process\n");
    } else if (InsideConfigDialog.load() != 0) {
        LogDetail("Serial port k.o., but inside the config dialog, so no restarting");
    } else if (RemoteControlBindFailed()) {
        // The instance that holds the remote-control port owns the pinpad too.
        if (!bindFailureLogged) {
            LogMessage("Info: remote control port taken by another instance, the pinpad link is not restarted");
            bindFailureLogged = true;
        }
    } else {
        RestartLink();
    }
}

}  // namespace

int WatchdogThread() {
    bool bindFailureLogged = false;
    int ticks = 0;
    while (TimerThreadRunning.load() != 0) {
        std::this_thread::sleep_for(kTick);
        if (++ticks < kTicksPerCheck) continue;
        ticks = 0;
        // The flag may have been cleared during the tick: a stopping service restarts nothing.
        if (TimerThreadRunning.load() != 0) CheckLink(bindFailureLogged);
    }
    LogMessage("Closing the Timer Thread");
    return 0;
}

void StartWatchdog() {
    std::lock_guard<std::mutex> guard(Watchdog().lock);
    if (TimerThreadRunning.load() > 0) {
        LogMessage("Info: No need to start the timer thread, it is running");
        return;
    }
    if (Watchdog().thread.joinable()) Watchdog().thread.join();  // ended after an earlier stop
    // Set before the thread runs, so that a stop right behind the start cannot be undone by it.
    TimerThreadRunning.store(1);
    try {
        Watchdog().thread = std::thread(WatchdogThread);
    } catch (const std::system_error&) {
        TimerThreadRunning.store(0);
        LogMessage("Error: Timer Thread not started!");
        return;
    }
    LogMessage("Timer thread started, id = %04X", ThreadLogId(Watchdog().thread.get_id()));
}

void StopWatchdog() {
    TimerThreadRunning.store(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> guard(Watchdog().lock);
    if (Watchdog().thread.joinable()) Watchdog().thread.join();
}
