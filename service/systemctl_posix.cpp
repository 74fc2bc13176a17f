#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "systemctl.h"

extern char** environ;

namespace {

const char* SystemctlProgram() {
    const char* overridden = std::getenv("TERMBRIDGE_SYSTEMCTL");
    return overridden != nullptr && *overridden != '\0' ? overridden : "systemctl";
}

std::uint32_t WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return static_cast<std::uint32_t>(errno);
    }
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
}

void ReadAll(int fd, std::string& output) {
    char buffer[512];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            output.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            return;
        }
    }
}

std::uint32_t Run(const std::vector<std::string>& arguments, std::string* output) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(SystemctlProgram()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (output != nullptr && pipe2(pipeFds, O_CLOEXEC) != 0) return static_cast<std::uint32_t>(errno);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    // Our own messages and systemctl's must reach the console in the order they were made.
    std::fflush(nullptr);
    pid_t pid = 0;
    const int spawnError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        close(pipeFds[1]);
        if (spawnError == 0) ReadAll(pipeFds[0], *output);
        close(pipeFds[0]);
    }
    if (spawnError != 0) return static_cast<std::uint32_t>(spawnError);
    return WaitForExit(pid);
}

}  // namespace

std::uint32_t RunSystemctl(const std::vector<std::string>& arguments) { return Run(arguments, nullptr); }

std::uint32_t RunSystemctl(const std::vector<std::string>& arguments, std::string& output) {
    return Run(arguments, &output);
}
