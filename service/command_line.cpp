#include "command_line.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "sample_service.h"
#include "service_dispatcher.h"
#include "service_install.h"
#include "service_names.h"

namespace {

enum class Command { Run, Install, Remove, Foreground, Nothing };

bool SameWord(const char* text, const char* word) {
    for (; *text != '\0' && *word != '\0'; ++text, ++word) {
        if (std::tolower(static_cast<unsigned char>(*text)) != *word) return false;
    }
    return *text == *word;
}

Command ParseCommand(int argc, char** argv) {
    if (argc < 2 || (argv[1][0] != '-' && argv[1][0] != '/')) return Command::Run;
    const char* word = argv[1] + 1;
    if (SameWord(word, "install")) return Command::Install;
    if (SameWord(word, "remove")) return Command::Remove;
    if (SameWord(word, "foreground")) return Command::Foreground;
    return Command::Nothing;
}

void PrintUsage() {
    std::printf("Parameters:\n");
    std::printf(" -install  to install the service.\n");
    std::printf(" -remove   to remove the service.\n");
    std::fflush(stdout);
}

void ReportRunFailure(std::uint32_t error) {
    if (error != 0) std::printf("Service failed to run w/err 0x%08lx\n", static_cast<unsigned long>(error));
}

std::uint32_t RunUnderDispatcher() {
    CSampleService service(kServiceName);
    return RunServiceDispatcher(service);
}

void RunInForeground() {
    CSampleService service(kServiceName);
    ReportRunFailure(RunServiceInForeground(service));
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    switch (ParseCommand(argc, argv)) {
    case Command::Run:
        PrintUsage();
        ReportRunFailure(RunUnderDispatcher());
        break;
    case Command::Install:
        if (InstallService()) {
            std::printf(RunUnderDispatcher() == 0 ? "Service started\n" : "Service will be started on next reboot\n");
        }
        break;
    case Command::Remove:
        RemoveService();
        break;
    case Command::Foreground:
        RunInForeground();
        break;
    case Command::Nothing:
        break;
    }
    return 0;
}
