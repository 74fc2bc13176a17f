#pragma once
// Printing the ticket the pinpad sends at the end of a transaction.

#include <cstddef>
#include <cstdint>

// Keeps the stream as LastTicket, then prints it on the default printer (the service
// with an external ECR printer only keeps it). length must not exceed the bytes at
// stream. 0 = stored and printed (or only stored), -1 = the print job did not start.
int PrintTicket(const std::uint8_t* stream, std::size_t length);
