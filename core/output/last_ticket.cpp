#include "last_ticket.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex ticketLock;
std::vector<std::uint8_t> lastTicket;  // guarded by ticketLock

}  // namespace

std::size_t StoreLastTicket(const std::uint8_t* stream, std::size_t length) {
    const std::size_t stored = std::min(length, kLastTicketSize);
    std::vector<std::uint8_t> copy(stream, stream + stored);
    std::lock_guard<std::mutex> guard(ticketLock);
    lastTicket.swap(copy);
    return stored;
}

std::vector<std::uint8_t> GetLastTicket() {
    std::lock_guard<std::mutex> guard(ticketLock);
    return lastTicket;
}

void ResetLastTicketForTests() {
    std::lock_guard<std::mutex> guard(ticketLock);
    lastTicket.clear();
}
