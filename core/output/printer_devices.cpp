#include "printer_devices.h"

#include "config/log.h"

// The serial port and FTDI wrappers are not in the tree yet: both kinds report failure.

int ConnectComPrinter(const HostConfig& config) {
    LogMessage("Trying to open COM port printer at %d", config.printerComPrnPort);
    LogMessage("Error opening printer COM port");
    return -1;
}

int DisconnectComPrinter() { return 0; }

int ConnectD2xxPrinter(const HostConfig& config) {
    LogMessage("Trying to open D2XX device %s", config.printerD2xxDeviceName);
    LogMessage("Error: open D2XX device %s FAILED", config.printerD2xxDeviceName);
    return -1;
}

int DisconnectD2xxPrinter() { return 0; }
