#pragma once
// The built TermbridgeService run as a child process, with its output captured.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ServiceProcess {
public:
    // Starts the program with the arguments. `environment` entries ("NAME=value") are added
    // to ours, from which systemd's own variables are always taken out. Unless one of them
    // names TERMBRIDGE_RC_PORT, the program gets a free port of its own.
    explicit ServiceProcess(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment = {});
    // A child still running is killed.
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    void Signal(int signal) const;
    // The exit code (128 + signal when a signal ended it), or nothing when it still ran at the
    // deadline.
    std::optional<int> WaitForExit(std::chrono::milliseconds deadline = std::chrono::seconds(30));

    // Everything the program wrote; complete once it has ended.
    std::string Output();
    std::string Errors();

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int exitCode_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

struct ServiceRun {
    int exitCode;
    std::string output;
    std::string errors;
};

// Runs the program to its end; a program that does not end fails the test.
ServiceRun RunServiceProgram(const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment = {});
