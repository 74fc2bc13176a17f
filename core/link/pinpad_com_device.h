#pragma once
// The pinpad on a COM port.

#include "devices/serial_port.h"
#include "link/pinpad_device.h"

class PinpadComDevice : public PinpadDevice {
public:
    explicit PinpadComDevice(CSerialPort& port) : port_(port) {}

    // Keeps the write time-outs; reads wait up to the given time for their first byte.
    void SetReadTimeout(std::uint32_t milliseconds) override;
    int ReadByte(std::uint8_t& out) override;
    void Write(const std::uint8_t* bytes, std::size_t count) override;
    // Leaves the line quiet with DTR and RTS up and output flowing, then closes.
    void Close() override;

private:
    CSerialPort& port_;
};
