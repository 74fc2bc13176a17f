#pragma once
// The system calls behind CSerialPort, one implementation per platform. The portable layer
// (serial_port.cpp) has checked that a port is held before it calls any of these; each throws
// CSerialException when its system call fails.

#include <cstddef>
#include <cstdint>

#include "devices/serial_port.h"

namespace serial_platform {

// Opens the port exclusively, in raw mode, for blocking I/O.
SerialHandle OpenPort(int port);
// Releases the port; a failure is ignored.
void ClosePort(SerialHandle handle);
// Throws when the port does not exist.
void CheckPortExists(int port);
// Throws when the handle no longer answers as a port.
void CheckAnswers(SerialHandle handle);
// The "bad handle" error of this platform.
std::uint32_t NotOpenError();

void GetState(SerialHandle handle, Dcb& dcb);
void SetState(SerialHandle handle, const Dcb& dcb);

std::size_t Read(SerialHandle handle, void* buffer, std::size_t count, const CommTimeouts& timeouts);
std::size_t Write(SerialHandle handle, const void* buffer, std::size_t count,
                  const CommTimeouts& timeouts);

ComStat QueueStatus(SerialHandle handle);
// False when the driver keeps no counts.
bool ReadLineErrorCounts(SerialHandle handle, LineErrorCounts& counts);
std::uint32_t ModemStatus(SerialHandle handle);
std::uint32_t MaxBaud();

enum class ModemLine { Dtr, Rts };
void SetModemLine(SerialHandle handle, ModemLine line, bool on);
void SetBreak(SerialHandle handle, bool on);
void SetOutputSuspended(SerialHandle handle, bool suspended);
void Drain(SerialHandle handle);
void Purge(SerialHandle handle, std::uint32_t flags);

}  // namespace serial_platform
