// The framework's procedures in-process: what each failure of the service object turns into,
// as event-log entries and as the notify messages systemd receives.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "event_log.h"
#include "notify_receiver.h"
#include "service_base.h"

namespace {

struct Entry {
    std::string source;
    EventType type;
    std::string message;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << entry.source << "/" << static_cast<int>(entry.type) << ": " << entry.message;
}

class RecordingEventLog : public EventLogSink {
public:
    RecordingEventLog() { SetEventLogSink(this); }
    ~RecordingEventLog() override { SetEventLogSink(nullptr); }
    void Write(const char* source, EventType type, const std::string& message) override {
        entries.push_back({source, type, message});
    }
    std::vector<Entry> entries;
};

enum class Failure { None, WithCode, Other };

class TestService : public CServiceBase {
public:
    TestService() : CServiceBase("TermbridgeService") {}
    Failure failure = Failure::None;

protected:
    void OnStart(std::uint32_t, char**) override { Fail(); }
    void OnStop() override { Fail(); }
    void OnPause() override { Fail(); }
    void OnContinue() override { Fail(); }
    void OnShutdown() override { Fail(); }

private:
    void Fail() const {
        if (failure == Failure::WithCode) throw ServiceError(5);
        if (failure == Failure::Other) throw std::logic_error("broken");
    }
};

using Procedure = std::function<void(TestService&)>;
const Procedure kStart = [](TestService& s) { s.Start(0, nullptr); };
const Procedure kStop = [](TestService& s) { s.Stop(); };
const Procedure kPause = [](TestService& s) { s.Pause(); };
const Procedure kContinue = [](TestService& s) { s.Continue(); };
const Procedure kShutdown = [](TestService& s) { s.Shutdown(); };

Entry ErrorEntry(const std::string& message) { return {"TermbridgeService", EventType::Error, message}; }

struct ProcedureCase {
    const char* name;
    std::vector<Procedure> before;
    Procedure procedure;
    Failure failure;
    std::vector<std::string> messages;
    std::vector<Entry> entries;
    ServiceState state;
};

void PrintTo(const ProcedureCase& c, std::ostream* out) { *out << c.name; }

class ServiceProcedureTest : public ::testing::TestWithParam<ProcedureCase> {
protected:
    void SetUp() override {
        ResetCheckPointForTests();
        setenv("NOTIFY_SOCKET", systemd_.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("NOTIFY_SOCKET"); }

    NotifyReceiver systemd_;
    RecordingEventLog eventLog_;
};

TEST_P(ServiceProcedureTest, ReportsStatesAndFailures) {
    const ProcedureCase& c = GetParam();
    TestService service;
    for (const auto& step : c.before) step(service);
    systemd_.Drain();

    service.failure = c.failure;
    c.procedure(service);
    EXPECT_EQ(systemd_.Drain(), c.messages);
    EXPECT_EQ(eventLog_.entries, c.entries);
    EXPECT_EQ(service.Status().currentState, c.state);
}

const std::string kRunning = "READY=1\nSTATUS=Running";

// Only running and stopped go without a check point: paused takes one too.
const ProcedureCase kProcedureCases[] = {
    {"Start", {}, kStart, Failure::None, {"STATUS=Start pending, check point 1", kRunning}, {}, ServiceState::Running},
    {"StartFailsWithCode", {}, kStart, Failure::WithCode,
     {"STATUS=Start pending, check point 1", "STATUS=Stopped, error 0x00000005\nERRNO=5"},
     {ErrorEntry("Service Start failed w/err 0x00000005")}, ServiceState::Stopped},
    {"StartFailsOtherwise", {}, kStart, Failure::Other, {"STATUS=Start pending, check point 1", "STATUS=Stopped"},
     {ErrorEntry("Service failed to start.")}, ServiceState::Stopped},
    {"Stop", {kStart}, kStop, Failure::None, {"STOPPING=1\nSTATUS=Stop pending, check point 2", "STATUS=Stopped"}, {},
     ServiceState::Stopped},
    {"StopFailsWithCode", {kStart}, kStop, Failure::WithCode,
     {"STOPPING=1\nSTATUS=Stop pending, check point 2", kRunning}, {ErrorEntry("Service Stop failed w/err 0x00000005")},
     ServiceState::Running},
    {"StopFailsOtherwise", {kStart}, kStop, Failure::Other, {"STOPPING=1\nSTATUS=Stop pending, check point 2", kRunning},
     {ErrorEntry("Service failed to stop.")}, ServiceState::Running},
    {"Pause", {kStart}, kPause, Failure::None, {"STATUS=Pause pending, check point 2", "STATUS=Paused"}, {},
     ServiceState::Paused},
    {"PauseFailsWithCode", {kStart}, kPause, Failure::WithCode, {"STATUS=Pause pending, check point 2", kRunning},
     {ErrorEntry("Service Pause failed w/err 0x00000005")}, ServiceState::Running},
    {"PauseFailsOtherwise", {kStart}, kPause, Failure::Other, {"STATUS=Pause pending, check point 2", kRunning},
     {ErrorEntry("Service failed to pause.")}, ServiceState::Running},
    {"Continue", {kStart, kPause}, kContinue, Failure::None, {"STATUS=Continue pending, check point 4", kRunning}, {},
     ServiceState::Running},
    {"ContinueFailsWithCode", {kStart, kPause}, kContinue, Failure::WithCode,
     {"STATUS=Continue pending, check point 4", "STATUS=Paused"},
     {ErrorEntry("Service Continue failed w/err 0x00000005")}, ServiceState::Paused},
    {"ContinueFailsOtherwise", {kStart, kPause}, kContinue, Failure::Other,
     {"STATUS=Continue pending, check point 4", "STATUS=Paused"}, {ErrorEntry("Service failed to resume.")},
     ServiceState::Paused},
    {"Shutdown", {kStart}, kShutdown, Failure::None, {"STATUS=Stopped"}, {}, ServiceState::Stopped},
    {"ShutdownFailsWithCode", {kStart}, kShutdown, Failure::WithCode, {},
     {ErrorEntry("Service Shutdown failed w/err 0x00000005")}, ServiceState::Running},
    {"ShutdownFailsOtherwise", {kStart}, kShutdown, Failure::Other, {}, {ErrorEntry("Service failed to shut down.")},
     ServiceState::Running},
};

INSTANTIATE_TEST_SUITE_P(ServiceBase, ServiceProcedureTest, ::testing::ValuesIn(kProcedureCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ServiceBase, StatusRecordStartsAsStartPendingOwnProcess) {
    TestService service;
    const ServiceStatus& status = service.Status();
    EXPECT_EQ(status.serviceType, 0x10u);
    EXPECT_EQ(status.currentState, ServiceState::StartPending);
    EXPECT_EQ(status.controlsAccepted, 5u);
    EXPECT_EQ(status.win32ExitCode, 0u);
    EXPECT_EQ(status.checkPoint, 0u);
}

TEST(ServiceBase, ErrorEntryIsCutToItsBuffer) {
    RecordingEventLog eventLog;
    const std::string label(300, 'x');
    WriteErrorLogEntry("TermbridgeService", label.c_str(), 0x1234);
    WriteErrorLogEntry("TermbridgeService", "Service Start", 0x80000000u);
    ASSERT_EQ(eventLog.entries.size(), 2u);
    EXPECT_EQ(eventLog.entries[0].message, std::string(kErrorEntrySize - 1, 'x'));
    EXPECT_EQ(eventLog.entries[1].message, "Service Start failed w/err 0x80000000");
}

}  // namespace
