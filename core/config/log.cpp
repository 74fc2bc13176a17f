#include "log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "common/program.h"
#include "config/data_directory.h"
#include "config/host_config.h"
#include "config/time_stamp.h"

namespace {

std::mutex logLock;
std::FILE* logFile = nullptr;  // guarded by logLock
std::atomic<bool> logOpen{false};

enum class Stamp { With, Without };

// The file keeps CR LF line ends on every platform.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A text over the limit is lost; the line still carries its time stamp.
std::string LineText(const char* format, va_list args) {
    char text[kMaxLogText + 2];
    int length = std::vsnprintf(text, sizeof text, format, args);
    if (length < 0 || static_cast<std::size_t>(length) > kMaxLogText) return std::string();
    return std::string(text, static_cast<std::size_t>(length)) + ' ';
}

void WriteLine(Stamp stamp, const std::string& lineText) {
    if (!logOpen.load()) return;
    std::string line;
    if (stamp == Stamp::With) line = LocalTimeStamp() + ' ';
    line += lineText;
    line += '\n';
    const std::string bytes = WithCrLf(line);

    std::lock_guard<std::mutex> guard(logLock);
    if (logFile == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), logFile);
    std::fflush(logFile);
}

void LogAtLevel(int threshold, Stamp stamp, const char* format, va_list args) {
    if (CurrentLogLevel() < threshold) return;
    WriteLine(stamp, LineText(format, args));
}

}  // namespace

std::mutex& LogLock() { return logLock; }

bool IsLogOpen() { return logOpen.load(); }

void LogMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogAtLevel(1, Stamp::With, format, args);
    va_end(args);
}

void LogDetail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogAtLevel(2, Stamp::With, format, args);
    va_end(args);
}

void LogPlain(const char* format, ...) {
    if (!logOpen.load()) return;
    va_list args;
    va_start(args, format);
    LogAtLevel(1, Stamp::Without, format, args);
    va_end(args);
}

void LogHexDump(const void* bytes, std::size_t length) {
    if (CurrentLogLevel() < 2 || !logOpen.load()) return;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    constexpr std::size_t kMaxBytes = 2048;
    if (length > kMaxBytes) length = kMaxBytes;
    const auto* data = static_cast<const unsigned char*>(bytes);
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    LogMessage("%s", text.c_str());
}

int OpenLog() {
    const std::string path = DataFilePath(Program().logFileName);
    if (path.size() > kMaxLogPath) return -1;  // a cut path would name some other file

    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) file = std::fopen(path.c_str(), "w+b");
    if (file == nullptr) return -1;
    std::fseek(file, 0, SEEK_END);

    std::lock_guard<std::mutex> guard(logLock);
    if (logFile != nullptr) std::fclose(logFile);
    logFile = file;
    logOpen.store(true);
    return 0;
}

void CloseLog() {
    std::lock_guard<std::mutex> guard(logLock);
    if (logFile != nullptr) std::fclose(logFile);
    logFile = nullptr;
    logOpen.store(false);
}
