#include "command_line.h"
#include "common/program.h"

int main(int argc, char** argv) {
    SetProgramKind(ProgramKind::Service);
    return RunCommandLine(argc, argv);
}
