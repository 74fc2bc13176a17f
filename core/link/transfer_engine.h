#pragma once
// The acknowledged transfer of one packet across the pinpad link, run only on the serial thread.

#include <cstdint>

inline constexpr int kSendPacket = 1;
inline constexpr int kReceivePacket = 2;

// Send (1): buffer holds a packet of length bytes; returns the frame's length on the wire once
// the pinpad acknowledged it, 0 when it did not (after 4 attempts or an EOT) or when the frame
// would not fit the work area. A length of 0 sends nothing and returns 0.
// Receive (2): waits without limit for one frame, answers it, and returns the packet's length
// in buffer (capacity length); 0 after an EOT or a frame too long for the buffer.
// Any other direction: logs "Error: Wrong parameter input" and returns 0.
// A stop request or a failed FTDI read ends the thread through App_ExitThread; a failed call on
// the COM port throws CSerialException.
int TransferPacket(int direction, std::uint8_t* buffer, int length);
