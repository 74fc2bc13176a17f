#include "service_base.h"

#include <atomic>
#include <string>

namespace {

// Shared by every report of the process; running and stopped carry 0 instead.
std::atomic<std::uint32_t> checkPoint{1};

std::string ErrorText(std::uint32_t code) { return "system error " + std::to_string(code); }

}  // namespace

void ResetCheckPointForTests() { checkPoint.store(1); }

ServiceError::ServiceError(std::uint32_t code) : std::runtime_error(ErrorText(code)), code_(code) {}

CServiceBase::CServiceBase(const char* serviceName)
    : name_(serviceName),
      status_{kServiceOwnProcess, ServiceState::StartPending, kServiceAcceptStop | kServiceAcceptShutdown, 0, 0, 0, 0} {}

void CServiceBase::Start(std::uint32_t argc, char** argv) {
    try {
        SetServiceStatus(ServiceState::StartPending);
        OnStart(argc, argv);
        SetServiceStatus(ServiceState::Running);
    } catch (const ServiceError& error) {
        WriteErrorLogEntry("Service Start", error.code());
        SetServiceStatus(ServiceState::Stopped, error.code());
    } catch (...) {
        WriteEventLogEntry("Service failed to start.", EventType::Error);
        SetServiceStatus(ServiceState::Stopped);
    }
}

void CServiceBase::Stop() {
    const ServiceState original = status_.currentState;
    try {
        SetServiceStatus(ServiceState::StopPending);
        OnStop();
        SetServiceStatus(ServiceState::Stopped);
    } catch (const ServiceError& error) {
        WriteErrorLogEntry("Service Stop", error.code());
        SetServiceStatus(original);
    } catch (...) {
        WriteEventLogEntry("Service failed to stop.", EventType::Error);
        SetServiceStatus(original);
    }
}

void CServiceBase::Pause() {
    try {
        SetServiceStatus(ServiceState::PausePending);
        OnPause();
        SetServiceStatus(ServiceState::Paused);
    } catch (const ServiceError& error) {
        WriteErrorLogEntry("Service Pause", error.code());
        SetServiceStatus(ServiceState::Running);
    } catch (...) {
        WriteEventLogEntry("Service failed to pause.", EventType::Error);
        SetServiceStatus(ServiceState::Running);
    }
}

void CServiceBase::Continue() {
    try {
        SetServiceStatus(ServiceState::ContinuePending);
        OnContinue();
        SetServiceStatus(ServiceState::Running);
    } catch (const ServiceError& error) {
        WriteErrorLogEntry("Service Continue", error.code());
        SetServiceStatus(ServiceState::Paused);
    } catch (...) {
        WriteEventLogEntry("Service failed to resume.", EventType::Error);
        SetServiceStatus(ServiceState::Paused);
    }
}

void CServiceBase::Shutdown() {
    try {
        OnShutdown();
        SetServiceStatus(ServiceState::Stopped);
    } catch (const ServiceError& error) {
        WriteErrorLogEntry("Service Shutdown", error.code());
    } catch (...) {
        WriteEventLogEntry("Service failed to shut down.", EventType::Error);
    }
}

void CServiceBase::WriteEventLogEntry(const char* message, EventType type) const {
    ::WriteEventLogEntry(name_, message, type);
}

void CServiceBase::WriteErrorLogEntry(const char* function, std::uint32_t error) const {
    ::WriteErrorLogEntry(name_, function, error);
}

void CServiceBase::SetServiceStatus(ServiceState state, std::uint32_t exitCode) {
    status_.currentState = state;
    status_.win32ExitCode = exitCode;
    status_.waitHint = 0;
    const bool settled = state == ServiceState::Running || state == ServiceState::Stopped;
    status_.checkPoint = settled ? 0 : checkPoint.fetch_add(1);
    ReportStatus();
}
