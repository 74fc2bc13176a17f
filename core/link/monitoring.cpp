#include "monitoring.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/thread_log_id.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/serial_thread.h"
#include "link/stop_request.h"
#include "remote/rc_server.h"

namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(1001);
constexpr int kWaitStepMs = 1001;
constexpr int kForcedEndAfterMs = 6000;
constexpr auto kPauseAfterForcedEnd = std::chrono::milliseconds(100);

std::atomic<bool> remoteControlBindFailed{false};

struct SerialThreadRecord {
    std::mutex lock;
    std::thread thread;                           // guarded by lock
    std::shared_ptr<std::atomic<bool>> finished;  // set once SerialThread has returned
};

// Never destroyed: a serial thread may still run when the program ends.
SerialThreadRecord& Record() {
    static auto* record = new SerialThreadRecord;
    return *record;
}

// Makes room for a new thread. One that has ended is joined; one still running is let go,
// since callers start a new thread only when they see the link down.
void RetireRecordedThread(SerialThreadRecord& record) {
    if (!record.thread.joinable()) return;
    if (record.finished->load()) {
        record.thread.join();
    } else {
        record.thread.detach();
    }
}

// POSIX cannot kill a thread: the stuck one is abandoned, sees a stop request at every
// check from now on and touches nothing shared. It holds none of our locks while it blocks.
void EndSerialThreadByForce() {
    std::lock_guard<std::mutex> guard(Record().lock);
    AbandonSerialThread();
    if (Record().thread.joinable()) Record().thread.detach();
}

// A thread that has ended on its own is joined at once instead of at the next start.
void JoinEndedSerialThread() {
    std::lock_guard<std::mutex> guard(Record().lock);
    if (Record().thread.joinable() && Record().finished->load()) Record().thread.join();
}

}  // namespace

int StartSerialThread() {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> guard(Record().lock);
    RetireRecordedThread(Record());
    try {
        Record().thread = std::thread([finished] {
            SerialThread();
            finished->store(true);
        });
    } catch (const std::system_error&) {
        LogMessage("Error: Thread not started!");
        return 0;
    }
    Record().finished = std::move(finished);
    LogMessage("Serial thread started, id = %04X", ThreadLogId(Record().thread.get_id()));
    return 1;
}

bool RemoteControlBindFailed() { return remoteControlBindFailed.load(); }

bool IsSerialThreadAlive() {
    std::lock_guard<std::mutex> guard(Record().lock);
    return Record().thread.joinable() && !Record().finished->load();
}

int StartMonitoring(bool startRemoteControl) {
    LogMessage("StartMonitoring");
    SetStopRequest(0);
    if (startRemoteControl) {
        const int result = InitRcServer();
        if (result != 0) {
            LogMessage("Error: Initializing Remote Control Thread failed, error code = %d", result);
            remoteControlBindFailed.store(true);
            return 0;
        }
        remoteControlBindFailed.store(false);
        LogMessage("Remote control proces intialized");
        StartRcServer();
        LogMessage("Remote control proces RUNNING OK");
    }
    return StartSerialThread();
}

int StopMonitoring() {
    SetStopRequest(1);
    std::this_thread::sleep_for(kWaitStep);
    LogMessage("StopMonitoring");
    int waited = 0;
    while (SerialPortInitialized.load() == 1) {
        std::this_thread::sleep_for(kWaitStep);
        LogMessage("Waiting for closing the serial thread(%d)", SerialPortInitialized.load());
        waited += kWaitStepMs;
        if (waited > kForcedEndAfterMs) {
            LogMessage("Error: Serial thread is stuck!");
            EndSerialThreadByForce();
            LogMessage("Setting SerialPortInitialized to 0");
            SerialPortInitialized.store(0);
            LogMessage("SerialPortInitialized after = %d", 0);
            std::this_thread::sleep_for(kPauseAfterForcedEnd);
            break;
        }
    }
    LogMessage("Serial thread terminated(%d)", SerialPortInitialized.load());
    JoinEndedSerialThread();
    return 1;
}
