#pragma once
// Where COM port n lives on this system.

#include <string>

// POSIX: <ports dir>/COM<n> when that entry exists (a symlink or a device node; the ports dir
// is $TERMBRIDGE_PORTS_DIR, else /etc/termbridge/ports), otherwise /dev/ttyS<n-1>.
std::string SerialPortPath(int port);
