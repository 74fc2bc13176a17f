#include "service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "support/free_port.h"
#include "support/test_env.h"

extern char** environ;

namespace {

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

bool Overridden(const std::string& name, const std::vector<std::string>& environment) {
    if (name == "NOTIFY_SOCKET" || name == "INVOCATION_ID") return true;
    for (const auto& entry : environment) {
        if (NameOf(entry) == name) return true;
    }
    return false;
}

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& environment) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!Overridden(NameOf(*entry), environment)) result.emplace_back(*entry);
    }
    result.insert(result.end(), environment.begin(), environment.end());
    // Never the system's own port: tests run side by side, and next to a running service.
    bool portNamed = false;
    for (const auto& entry : result) portNamed = portNamed || NameOf(entry) == "TERMBRIDGE_RC_PORT";
    if (!portNamed) result.push_back("TERMBRIDGE_RC_PORT=" + std::to_string(FreeTcpPort()));
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

void ReadAvailable(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment) {
    std::vector<std::string> argv{TB_SERVICE_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = ChildEnvironment(environment);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    const int error = posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, Pointers(argv).data(),
                                  Pointers(envp).data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (error != 0) throw std::runtime_error(std::string("spawn failed: ") + std::strerror(error));
}

ServiceProcess::~ServiceProcess() {
    if (!reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(outFd_);
    close(errFd_);
}

void ServiceProcess::Signal(int signal) const { kill(pid_, signal); }

std::optional<int> ServiceProcess::WaitForExit(std::chrono::milliseconds deadline) {
    if (reaped_) return exitCode_;
    int status = 0;
    if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, deadline)) return std::nullopt;
    reaped_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode_;
}

// Read only after the end: the pipes then hold all and no read blocks.
std::string ServiceProcess::Output() {
    if (reaped_) ReadAvailable(outFd_, out_);
    return out_;
}

std::string ServiceProcess::Errors() {
    if (reaped_) ReadAvailable(errFd_, err_);
    return err_;
}

ServiceRun RunServiceProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    ServiceProcess process(arguments, environment);
    const auto exitCode = process.WaitForExit();
    EXPECT_TRUE(exitCode.has_value()) << "TermbridgeService did not end";
    return {exitCode.value_or(-1), process.Output(), process.Errors()};
}
