#pragma once
// Line settings between our Dcb and the terminal settings of POSIX. Each throws
// CSerialException (EINVAL) for a setting the terminal interface cannot express.

#include <termios.h>

#include "devices/serial_types.h"

void ApplyDcb(termios& settings, const Dcb& dcb);
Dcb DcbFromTermios(const termios& settings);
// The highest rate that has a line code.
std::uint32_t HighestBaudRate();
// Raw bytes both ways, no modem control of the line, no flow control.
void MakeRaw(termios& settings);
