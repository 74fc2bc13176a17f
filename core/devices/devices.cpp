#include "devices.h"

namespace {
CSerialPort pinpadSerialPort;
CD2xxDevice pinpadD2xx;
CSerialPort printerSerialPort;
CD2xxDevice printerD2xx;
}  // namespace

CSerialPort& PinpadSerialPort() { return pinpadSerialPort; }
CD2xxDevice& PinpadD2xx() { return pinpadD2xx; }
CSerialPort& PrinterSerialPort() { return printerSerialPort; }
CD2xxDevice& PrinterD2xx() { return printerD2xx; }
