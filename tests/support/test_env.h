#pragma once
// Shared test helpers: a private data directory, file reads and waiting with a deadline.

#include <chrono>
#include <functional>
#include <string>

#include "common/program.h"

// A fresh data directory named by a private machine settings file, for one test.
class TempDataDir {
public:
    explicit TempDataDir(ProgramKind kind = ProgramKind::Service);
    ~TempDataDir();
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const;
    // The log of the current program, as written so far.
    std::string LogText() const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);

// Polls the condition until it holds or the deadline passes; true when it held.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Number of times needle occurs in haystack.
int CountOf(const std::string& haystack, const std::string& needle);
