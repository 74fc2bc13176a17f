#pragma once
// The thread that owns the pinpad link and runs the main loop.

// Thread procedure; returns 0.
int SerialThread();

// A serial thread that did not end in time cannot be killed: it is abandoned instead.
// From then on it sees a stop request at every check and touches no port, reply or
// shared record; the next serial thread opens and owns the port.
void AbandonSerialThread();
