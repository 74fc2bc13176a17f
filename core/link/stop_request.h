#pragma once
// How other threads ask the pinpad serial thread to end: a flag read and written under its own
// lock, never held across device I/O.

// 0 = keep running; any other value asks the serial thread to stop. Logs
// "STOP RUNNING REQUESTED" each time it reads 1. A serial thread that was abandoned
// (AbandonSerialThread) gets 2 at every call.
int IsStopRequested();
void SetStopRequest(int value);
