#pragma once
// The program's command line: install, remove, or run as the service.

// Examines the first argument only; always 0, the process's exit code.
int RunCommandLine(int argc, char** argv);
