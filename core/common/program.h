#pragma once
// What differs between the desktop program and the service, decided once at start-up.

enum class ProgramKind { Desktop, Service };

struct ProgramTraits {
    ProgramKind kind;
    const char* configFileName;
    const char* logFileName;
    const char* versionText;
    unsigned char initialHostStatus;
};

// Set by main() before any other thread runs; tests switch it per case.
void SetProgramKind(ProgramKind kind);
const ProgramTraits& Program();
bool IsDesktopProgram();
