#pragma once
// The configured ticket printer, connected only to test that it is there.

enum class PrinterChannel : int {
    None = 0,
    Ethernet = 3,
    Com = 0x20,
    D2xx = 0x30,
};

// Reads the configuration again and names the connection its printer settings give.
PrinterChannel GetPrinterChannel();
// 0 or more = connected (an Ethernet printer's socket, else 0); -1 = failed.
int PrinterConnect(PrinterChannel channel);
// 0 = closed; -1 when an Ethernet printer had no socket or the COM port failed to close.
int PrinterDisconnect(PrinterChannel channel);
