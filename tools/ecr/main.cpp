// termbridge-ecr: a cash register on the command line, for trying the host by hand.

#include <iostream>

#include "ecr_commands.h"

int main(int argc, char** argv) {
    EcrCommandLine line;
    std::string error;
    if (!ParseCommandLine(argc, argv, line, error)) {
        std::cerr << "termbridge-ecr: " << error << "\n" << EcrUsage();
        return kExitUsage;
    }
    return RunCommand(line);
}
