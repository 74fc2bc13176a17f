#pragma once
#include "devices/serial_port.h"

// The orderly close of a COM device (pinpad and ticket printer alike): abort and clear the
// queues, toggle the modem and flow-control lines, drain, close. A failing step throws
// CSerialException and leaves the port open.
void ShutDownSerialPort(CSerialPort& port);
