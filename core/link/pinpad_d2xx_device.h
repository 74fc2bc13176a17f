#pragma once
// The pinpad on an FTDI device. Only a failed read is reported; a failed write or time-out
// setting shows up as a frame the pinpad never acknowledges.

#include "devices/d2xx_device.h"
#include "link/pinpad_device.h"

class PinpadD2xxDevice : public PinpadDevice {
public:
    explicit PinpadD2xxDevice(CD2xxDevice& device) : device_(device) {}

    void SetReadTimeout(std::uint32_t milliseconds) override;
    int ReadByte(std::uint8_t& out) override;
    void Write(const std::uint8_t* bytes, std::size_t count) override;
    void Close() override;

private:
    CD2xxDevice& device_;
};
