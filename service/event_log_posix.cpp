#include <syslog.h>

#include <mutex>

#include "event_log.h"

namespace {

// openlog keeps the ident for the whole process, so entries of two threads must not interleave.
class SyslogSink : public EventLogSink {
public:
    void Write(const char* source, EventType type, const std::string& message) override {
        const int priority = type == EventType::Error ? LOG_ERR : LOG_INFO;
        std::lock_guard<std::mutex> guard(lock_);
        openlog(source, LOG_PID, LOG_DAEMON);
        syslog(priority, "%s", message.c_str());
        closelog();
    }

private:
    std::mutex lock_;
};

}  // namespace

EventLogSink& SystemEventLog() {
    static SyslogSink sink;
    return sink;
}
