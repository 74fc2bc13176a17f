// TermbridgeService's own start and stop sequences, in-process.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/program.h"
#include "config/log.h"
#include "event_log.h"
#include "support/free_port.h"
#include "sample_service.h"
#include "support/test_env.h"

namespace {

struct Entry {
    EventType type;
    std::string message;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out) { *out << static_cast<int>(entry.type) << ": " << entry.message; }

class RecordingEventLog : public EventLogSink {
public:
    RecordingEventLog() { SetEventLogSink(this); }
    ~RecordingEventLog() override { SetEventLogSink(nullptr); }
    void Write(const char* source, EventType type, const std::string& message) override {
        EXPECT_STREQ(source, "TermbridgeService");
        entries.push_back({type, message});
    }
    std::vector<Entry> entries;
};

Entry Information(const char* message) { return {EventType::Information, message}; }

class SampleServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("NOTIFY_SOCKET");
        setenv("TERMBRIDGE_RC_PORT", std::to_string(FreeTcpPort()).c_str(), 1);
    }

    TempDataDir dir_{ProgramKind::Service};
    RecordingEventLog eventLog_;
    CSampleService service_{"TermbridgeService"};
};

TEST_F(SampleServiceTest, StartWritesDefaultConfigurationThenOpensTheLog) {
    service_.Start(0, nullptr);
    EXPECT_EQ(service_.Status().currentState, ServiceState::Running);
    EXPECT_EQ(eventLog_.entries,
              (std::vector<Entry>{Information("TermbridgeService in OnStart"), Information("Debug open OK")}));
    EXPECT_NE(ReadWholeFile(dir_.File(Program().configFileName)).find("LOGGING_LEVEL = \"1\"\r\n"), std::string::npos);
    EXPECT_TRUE(IsLogOpen());

    service_.Stop();
    EXPECT_EQ(service_.Status().currentState, ServiceState::Stopped);
    EXPECT_EQ(eventLog_.entries.back(), Information("TermbridgeService in OnStop"));
    EXPECT_FALSE(IsLogOpen());
}

// The service runs on without its log; the entry says so, as information.
TEST_F(SampleServiceTest, StartWithoutLogStillRuns) {
    WriteWholeFile(dir_.File("registry"), "USERDIR=" + dir_.File("missing") + "\n");
    service_.Start(0, nullptr);
    EXPECT_EQ(service_.Status().currentState, ServiceState::Running);
    EXPECT_EQ(eventLog_.entries, (std::vector<Entry>{Information("TermbridgeService in OnStart"),
                                                     Information("Error: Debug NOT open")}));
    EXPECT_FALSE(IsLogOpen());
}

}  // namespace
