#pragma once
// The subcommands of termbridge-ecr, one per remote-control message.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ecr_client.h"
#include "ecr_report.h"

// Exit codes of the program.
enum EcrExit {
    kExitOk = 0,
    kExitUsage = 1,     // the command line is wrong
    kExitRefused = 2,   // the host answered, but said no
    kExitFailed = 3,    // no connection, or it broke
    kExitTimedOut = 4,  // the sale had no result in time
};

struct EcrCommandLine {
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;  // 0: TERMBRIDGE_RC_PORT, else 20268
    std::chrono::milliseconds timeout{10000};
    bool json = false;
    std::vector<std::string> words;  // the subcommand and its arguments
};

// Reads the global options; false with the reason on a bad command line.
bool ParseCommandLine(int argc, char** argv, EcrCommandLine& line, std::string& error);
int RunCommand(const EcrCommandLine& line);
const char* EcrUsage();
