#include "sample_service.h"

#include "config/config_file.h"
#include "config/log.h"

CSampleService::CSampleService(const char* serviceName) : CServiceBase(serviceName) {}

// Never fails on its own account: without a log file the service still runs.
// INTERIM: only configuration and log for now. The FTDI libraries, the allowed-transaction
// table, the printer test, StartMonitoring and the watchdog (watchdog.cpp) follow here once
// the link and the remote-control server are in the tree.
void CSampleService::OnStart(std::uint32_t /*argc*/, char** /*argv*/) {
    WriteEventLogEntry("TermbridgeService in OnStart", EventType::Information);
    // The configuration comes first: its logging level decides what the log keeps.
    ApplyStartupConfiguration();
    const bool logOpened = OpenLog() == 0;
    WriteEventLogEntry(logOpened ? "Debug open OK" : "Error: Debug NOT open", EventType::Information);
}

// INTERIM: ending the watchdog, StopMonitoring and stopping the remote-control server come
// before the log is closed once those subsystems are in the tree.
void CSampleService::OnStop() {
    WriteEventLogEntry("TermbridgeService in OnStop", EventType::Information);
    CloseLog();
}
