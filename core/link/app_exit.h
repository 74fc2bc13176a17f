#pragma once
// Ending the pinpad serial thread from deep inside the transfer engine.

#include <functional>

// Logs "App_ExitThread %d", closes the pinpad port, marks the link down
// (SerialPortInitialized 0), logs "Exiting the SERIAL THREAD 1" and unwinds to
// RunSerialThreadBody, running nothing of the serial thread's own code on the way. Must be
// called inside RunSerialThreadBody. A CSerialException from the close travels up instead.
[[noreturn]] void App_ExitThread(int exitCode);

// Runs the serial thread's body and returns its result, or the code given to App_ExitThread.
// Handlers inside the body must not catch (...), or they would stop the unwinding.
int RunSerialThreadBody(const std::function<int()>& body);
