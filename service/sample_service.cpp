#include "sample_service.h"

#include <chrono>
#include <thread>

#include "config/config_file.h"
#include "config/log.h"
#include "devices/devices.h"
#include "link/monitoring.h"
#include "output/printer_test.h"
#include "remote/rc_server.h"
#include "requests/transaction.h"
#include "watchdog.h"

namespace {

constexpr auto kStopPause = std::chrono::milliseconds(200);

void LoadFtdiLibraries() {
    if (PinpadD2xx().LoadD2xx() == 0) {
        LogMessage("Ftd2xx.dll for pinpad installed ok");
    } else {
        LogMessage("Ftd2xx.dll NOT installed");
    }
    if (PrinterD2xx().LoadD2xx() == 0) LogMessage("Ftd2xx.dll for printer installed ok");
}

}  // namespace

CSampleService::CSampleService(const char* serviceName) : CServiceBase(serviceName) {}

// Never fails on its own account: without a log, an FTDI library, the remote-control port or
// the watchdog the service still runs.
void CSampleService::OnStart(std::uint32_t /*argc*/, char** /*argv*/) {
    WriteEventLogEntry("TermbridgeService in OnStart", EventType::Information);
    // The configuration comes first: its logging level decides what the log keeps.
    ApplyStartupConfiguration();
    const bool logOpened = OpenLog() == 0;
    WriteEventLogEntry(logOpened ? "Debug open OK" : "Error: Debug NOT open", EventType::Information);
    LoadFtdiLibraries();
    ClearAllowedTransactions();
    StartPrinterTest();
    StartMonitoring(true);  // logs its own failures
    StartWatchdog();
}

// The watchdog ends first, so that it cannot bring the link back while it is being stopped.
void CSampleService::OnStop() {
    WriteEventLogEntry("TermbridgeService in OnStop", EventType::Information);
    StopWatchdog();
    StopMonitoring();
    std::this_thread::sleep_for(kStopPause);
    // Clears RcRunning, closes the listening socket and marks the server not initialised.
    StopRcServer();
    std::this_thread::sleep_for(kStopPause);
    CloseLog();
}
