#pragma once
// Entries for the system's event log, written through a replaceable sink.

#include <cstdint>
#include <string>

enum class EventType : std::uint16_t { Error = 1, Information = 4 };

class EventLogSink {
public:
    virtual ~EventLogSink() = default;
    // One entry from the named source; an entry that cannot be written is lost.
    virtual void Write(const char* source, EventType type, const std::string& message) = 0;
};

// Installs the sink for all further entries; nullptr restores the system's event log.
void SetEventLogSink(EventLogSink* sink);

void WriteEventLogEntry(const char* source, const std::string& message, EventType type);
// "<function> failed w/err 0x<error>" as an error entry.
void WriteErrorLogEntry(const char* source, const char* function, std::uint32_t error);

// Longest error entry text, terminator included.
inline constexpr std::size_t kErrorEntrySize = 260;

// The system's own event log.
EventLogSink& SystemEventLog();
