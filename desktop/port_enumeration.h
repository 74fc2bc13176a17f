#pragma once
// The ports the settings dialog offers for the pinpad and the ticket printer.

#include <array>
#include <bitset>
#include <string>
#include <vector>

inline constexpr int kMaxComPort = 256;

// Bit n-1 is set when COMn could be opened.
using ComPortMap = std::bitset<kMaxComPort>;

// Tries COM1 to COM256 for reading and writing, exclusively, and closes each one at once:
// a port that another program holds is not offered.
ComPortMap EnumeratePinpadPorts();

// The FTDI devices present, through the pinpad's D2XX library (closing the pinpad's device
// first). 0 or empty when the library is not loaded or cannot list them; at most 63
// descriptions.
int CountD2xxDevices();
std::vector<std::string> ListD2xxDevices();
