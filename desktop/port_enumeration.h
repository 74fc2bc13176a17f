#pragma once
// The ports the settings dialog offers for the pinpad and the ticket printer.

#include <bitset>
#include <string>
#include <vector>

inline constexpr int kMaxComPort = 256;

// Bit n-1 is set when COMn could be opened.
using ComPortMap = std::bitset<kMaxComPort>;

// Tries COM1 to COM256 for reading and writing, exclusively, and closes each one at once:
// a port that another program holds is not offered.
ComPortMap EnumeratePinpadPorts();

// Descriptions of the FTDI devices present, at most 63; empty when the FTDI library is not
// loaded or cannot list them.
std::vector<std::string> ListD2xxDevices();
