#pragma once
// Serial threads that were given up on. A serial thread that does not end in time cannot be
// killed; instead the current generation moves on. The old thread keeps its own generation,
// sees a stop request at every check from then on, and leaves the port, the reply and the
// shared records to the serial thread that follows.

// Called by each serial thread as it starts: it joins the current generation.
void EnterSerialGeneration();
// True on a serial thread whose generation has been given up; false on any other thread.
bool IsAbandonedSerialThread();
