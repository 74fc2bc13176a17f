#pragma once
// Starting and stopping the pinpad link.

// Starts the remote-control server first when asked, then a new SerialThread.
// 1 = serial thread started, 0 = not started.
int StartMonitoring(bool startRemoteControl);
// Asks the serial thread to end; ends it by force after about 7 seconds. Always 1.
int StopMonitoring();

// The serial half of StartMonitoring, also used by the service's watchdog: starts a new
// SerialThread and records it as the one StopMonitoring ends by force. 1 = started.
int StartSerialThread();
// True after StartMonitoring(true) could not bind the remote-control port: another instance
// serves the pinpad, so this one must not start a link of its own either.
bool RemoteControlBindFailed();
// True while the recorded serial thread has started and neither ended nor been abandoned.
bool IsSerialThreadAlive();
