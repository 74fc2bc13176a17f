#pragma once
// LastTicket: the record stream of the last ticket the pinpad sent, kept for the cash
// register. Written by the serial thread, read by remote-control client threads.

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr std::size_t kLastTicketSize = 16000;

// Replaces the ticket with at most kLastTicketSize bytes of the stream; returns how many.
std::size_t StoreLastTicket(const std::uint8_t* stream, std::size_t length);
// A copy of the stored bytes (empty before the first ticket); never half of an old and
// half of a new ticket.
std::vector<std::uint8_t> GetLastTicket();

void ResetLastTicketForTests();
