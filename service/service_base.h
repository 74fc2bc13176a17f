#pragma once
// The thin layer between the service manager and a service's own start and stop sequences:
// it turns the manager's requests into calls of the service object, reports every change of
// state back and writes failures to the event log.

#include <cstdint>
#include <stdexcept>

#include "event_log.h"

enum class ServiceState : std::uint32_t {
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
    ContinuePending = 5,
    PausePending = 6,
    Paused = 7,
};

inline constexpr std::uint32_t kServiceOwnProcess = 0x10;
inline constexpr std::uint32_t kServiceAcceptStop = 1;
inline constexpr std::uint32_t kServiceAcceptShutdown = 4;

// The status the service manager is told about.
struct ServiceStatus {
    std::uint32_t serviceType;
    ServiceState currentState;
    std::uint32_t controlsAccepted;
    std::uint32_t win32ExitCode;
    std::uint32_t serviceSpecificExitCode;
    std::uint32_t checkPoint;
    std::uint32_t waitHint;
};

// How a service operation reports a failure that has a system error code; any other
// exception is a failure without one.
class ServiceError : public std::runtime_error {
public:
    explicit ServiceError(std::uint32_t code);
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

// The check-point counter starts again at 1.
void ResetCheckPointForTests();

class CServiceBase {
public:
    explicit CServiceBase(const char* serviceName);
    virtual ~CServiceBase() = default;
    CServiceBase(const CServiceBase&) = delete;
    CServiceBase& operator=(const CServiceBase&) = delete;

    // The procedures behind the manager's requests. Failures of the On... operations never
    // leave them: they become event-log entries and status reports.
    void Start(std::uint32_t argc, char** argv);
    void Stop();
    void Pause();
    void Continue();
    void Shutdown();

    const char* Name() const { return name_; }
    const ServiceStatus& Status() const { return status_; }

protected:
    virtual void OnStart(std::uint32_t /*argc*/, char** /*argv*/) {}
    virtual void OnStop() {}
    virtual void OnPause() {}
    virtual void OnContinue() {}
    virtual void OnShutdown() {}

    void WriteEventLogEntry(const char* message, EventType type) const;
    void WriteErrorLogEntry(const char* function, std::uint32_t error) const;

private:
    void SetServiceStatus(ServiceState state, std::uint32_t exitCode = 0);
    // Hands the status record to the service manager.
    void ReportStatus();

    const char* name_;
    ServiceStatus status_;
};
