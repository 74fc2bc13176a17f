#include "program.h"

#include <atomic>

namespace {

constexpr ProgramTraits kDesktop{ProgramKind::Desktop, "termbridge.ini", "termbridge_log.txt",
                                 "Termbridge RC+ ver v1.17", 0x70};
constexpr ProgramTraits kService{ProgramKind::Service, "termbridge_service.ini",
                                 "termbridge_service_log.txt", "Termbridge RC+ ver v1.21", 0x50};

std::atomic<ProgramKind> currentKind{ProgramKind::Service};

}  // namespace

void SetProgramKind(ProgramKind kind) { currentKind.store(kind); }

const ProgramTraits& Program() {
    return currentKind.load() == ProgramKind::Desktop ? kDesktop : kService;
}

bool IsDesktopProgram() { return currentKind.load() == ProgramKind::Desktop; }
