#pragma once
// The simulator's command line.

#include <string>

#include "pinpad_sim/pinpad_link.h"
#include "pinpad_sim/pinpad_session.h"

struct SimOptions {
    std::string linkPath;    // where the pty is linked for the host; empty with a device
    std::string devicePath;  // an existing serial device instead of a pty
    SessionOptions session;
    LinkFaults faults;
    LinkTimings timings;
    bool help = false;
};

// False with a message in error when the line cannot be used.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);
const char* SimUsage();
