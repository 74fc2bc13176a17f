#include "printer_status.h"

#include "common/program.h"

std::atomic<int> PrinterOnEthernetAlive{-1};

namespace {

// Untouched until the first change, so that it starts from the value of the program kind
// that main() chose, not the one that happened to be set when the process started.
constexpr int kUntouched = -1;
std::atomic<int> hostStatus{kUntouched};

template <typename Change>
void Update(Change change) {
    int current = hostStatus.load();
    int next;
    do {
        const int base = current == kUntouched ? Program().initialHostStatus : current;
        next = change(base) & 0xFF;
    } while (!hostStatus.compare_exchange_weak(current, next));
}

}  // namespace

std::uint8_t HostStatusByte() {
    const int current = hostStatus.load();
    return static_cast<std::uint8_t>(current == kUntouched ? Program().initialHostStatus : current);
}

void SetHostStatusBits(std::uint8_t bits) {
    Update([bits](int base) { return base | bits; });
}

void ClearHostStatusBits(std::uint8_t bits) {
    Update([bits](int base) { return base & ~static_cast<int>(bits); });
}

void ResetPrinterStatusForTests() {
    hostStatus.store(kUntouched);
    PrinterOnEthernetAlive.store(-1);
}
