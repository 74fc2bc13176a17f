#pragma once
// The ticket printer's availability as the pinpad and the cash register see it.

#include <atomic>
#include <cstdint>

// Bits of HostStatusByte that this host changes; the others keep the program's initial value.
inline constexpr std::uint8_t kPrinterAvailableBit = 0x80;
inline constexpr std::uint8_t kExternalEcrBit = 0x04;

// Sent in the Reset reply. Starts at Program().initialHostStatus.
std::uint8_t HostStatusByte();
void SetHostStatusBits(std::uint8_t bits);
void ClearHostStatusBits(std::uint8_t bits);

// -1 not tested yet, 1 available, 0 not available.
extern std::atomic<int> PrinterOnEthernetAlive;

void ResetPrinterStatusForTests();
