#pragma once
// A private CUPS server for one test: its own directories and socket, stopped by its pid.

#include <sys/types.h>

#include <string>

class PrivateCupsServer {
public:
    PrivateCupsServer();
    ~PrivateCupsServer();
    PrivateCupsServer(const PrivateCupsServer&) = delete;
    PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

    // Why the server cannot run here (not installed, not root), or empty.
    static std::string Unavailable();

    // Starts cupsd and points this process's CUPS clients at it; false when it did not come up.
    bool Start();
    // Runs a CUPS command-line client against the server; true when it exited with 0.
    bool Run(const std::string& command) const;
    // What a CUPS command-line client printed.
    std::string Output(const std::string& command) const;
    // A raw queue printing to socket://127.0.0.1:<port>, made the default destination.
    bool AddDefaultSocketQueue(const std::string& name, int port) const;

    std::string PageLog() const;
    const std::string& directory() const { return dir_; }

private:
    std::string dir_;
    pid_t pid_ = -1;
};
