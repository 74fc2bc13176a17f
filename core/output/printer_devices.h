#pragma once
// Opening and closing a printer on a COM port or an FTDI device; used by PrinterConnect.

#include "config/host_config.h"

// 0 = open and set up, -1 = failed (the reason is in the log).
int ConnectComPrinter(const HostConfig& config);
int DisconnectComPrinter();
int ConnectD2xxPrinter(const HostConfig& config);
int DisconnectD2xxPrinter();
