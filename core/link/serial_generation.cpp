#include "serial_generation.h"

#include <atomic>

#include "link/serial_thread.h"

namespace {

std::atomic<long> currentGeneration{0};
// -1 on threads that are not serial threads: they are never abandoned.
thread_local long threadGeneration = -1;

}  // namespace

void EnterSerialGeneration() { threadGeneration = currentGeneration.load(); }

bool IsAbandonedSerialThread() {
    return threadGeneration >= 0 && threadGeneration != currentGeneration.load();
}

void AbandonSerialThread() { currentGeneration.fetch_add(1); }
