#pragma once
// The printer test: one short-lived thread that connects the configured ticket printer
// and publishes the answer in HostStatusByte, PrinterOnEthernetAlive and (desktop) the
// printer status line. Tests run one at a time; a second one waits for the first.

enum class ThreadIdLine { Write, Skip };

// Starts one PrinterTestThread. The remote-control start-link message and the service
// start write the thread's identifier into the log; the desktop start-up and settings do not.
void StartPrinterTest(ThreadIdLine line = ThreadIdLine::Write);

// The thread body; returns 0.
int PrinterTestThread();

// Tests started and not finished yet, so that an exit can wait for them.
int PrinterTestsRunning();
