#include "pinpad_com_device.h"

#include "devices/serial_port_shutdown.h"

void PinpadComDevice::SetReadTimeout(std::uint32_t milliseconds) {
    CommTimeouts timeouts;
    port_.GetTimeouts(timeouts);
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = milliseconds;
    port_.SetTimeouts(timeouts);
}

int PinpadComDevice::ReadByte(std::uint8_t& out) { return port_.Read(&out, 1) == 1 ? 1 : 0; }

void PinpadComDevice::Write(const std::uint8_t* bytes, std::size_t count) {
    port_.Write(bytes, count);
}

void PinpadComDevice::Close() {
    ShutDownSerialPort(port_);
}
