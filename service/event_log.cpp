#include "event_log.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<EventLogSink*> installedSink{nullptr};

EventLogSink& Sink() {
    EventLogSink* sink = installedSink.load();
    return sink != nullptr ? *sink : SystemEventLog();
}

}  // namespace

void SetEventLogSink(EventLogSink* sink) { installedSink.store(sink); }

void WriteEventLogEntry(const char* source, const std::string& message, EventType type) {
    Sink().Write(source, type, message);
}

void WriteErrorLogEntry(const char* source, const char* function, std::uint32_t error) {
    char text[kErrorEntrySize];
    std::snprintf(text, sizeof text, "%s failed w/err 0x%08lx", function, static_cast<unsigned long>(error));
    WriteEventLogEntry(source, text, EventType::Error);
}
