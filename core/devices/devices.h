#pragma once
// The device objects of the pinpad and of the ticket printer: one COM port and one FTDI device
// each, process-wide for the whole run. Each is used by one thread at a time.

#include "devices/d2xx_device.h"
#include "devices/serial_port.h"

CSerialPort& PinpadSerialPort();
CD2xxDevice& PinpadD2xx();
CSerialPort& PrinterSerialPort();
CD2xxDevice& PrinterD2xx();
