#pragma once
// The trace log: one file per program in the data directory, one flushed line per call.

#include <cstddef>
#include <mutex>
#include <string>

#include "common/printf_format.h"

// Level 1 and up, with a time stamp: progress and every error.
void LogMessage(const char* format, ...) TB_PRINTF_FORMAT(1, 2);
// Level 2 and up, with a time stamp: per-packet and per-message traces.
void LogDetail(const char* format, ...) TB_PRINTF_FORMAT(1, 2);
// Level 1 and up, no time stamp: text the pinpad asks us to log.
void LogPlain(const char* format, ...) TB_PRINTF_FORMAT(1, 2);
// Level 2 and up: the first 2048 bytes as upper-case hex digits.
void LogHexDump(const void* bytes, std::size_t length);

// 0 = open, -1 = the file could neither be opened nor created.
int OpenLog();
void CloseLog();
bool IsLogOpen();

// Serialises every write to the log file and its closing.
std::mutex& LogLock();

// Longest message text that still makes it into a line.
inline constexpr std::size_t kMaxLogText = 1022;
// Longest full path of the log file.
inline constexpr std::size_t kMaxLogPath = 256;
