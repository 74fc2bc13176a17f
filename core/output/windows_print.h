#pragma once
// One print job per ticket on the system's default printer.
// Order of calls: BeginWindowsPrint, SetWindowsPrintSize(Normal), any number of
// PrintWindowsLine and SetWindowsPrintSize, EndWindowsPrint (only after a good begin).
// Used by one thread at a time: the pinpad serial thread.

#include "output/print_device.h"
#include "output/ticket_layout.h"

inline constexpr const char* kPrintJobName = "Corvanta(c) printout";

// 0 = the job and its page are open; -1 = no default printer, or the job did not start.
int BeginWindowsPrint();
void SetWindowsPrintSize(TicketSize size);
void PrintWindowsLine(const char* text);
void EndWindowsPrint();

// Jobs go to this device instead of the default printer; nullptr restores the printer.
void SetPrintDeviceForTests(PrintDevice* device);
