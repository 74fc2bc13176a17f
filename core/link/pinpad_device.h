#pragma once
// The pinpad's device as the transfer engine sees it: one byte read with a time-out, a write, a
// time-out setter and a close. The COM port and the FTDI device each implement it; D2xxMode
// picks which one the pinpad functions below use.

#include <atomic>
#include <cstddef>
#include <cstdint>

class PinpadDevice {
public:
    virtual ~PinpadDevice() = default;

    virtual void SetReadTimeout(std::uint32_t milliseconds) = 0;
    // 1 = a byte in out; 0 = the read time-out passed; -1 = the device failed.
    virtual int ReadByte(std::uint8_t& out) = 0;
    virtual void Write(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual void Close() = 0;
};

// 0 = the pinpad is on its COM port, 1 = on its FTDI device. Set by the serial thread before
// it opens the device.
extern std::atomic<int> D2xxMode;

// The pinpad's device operations, on the device D2xxMode names. On the COM port a failed call
// throws CSerialException; the FTDI device reports only a failed read (-1 from ReadPinpadByte).
void SetPinpadReadTimeout(std::uint32_t milliseconds);
int ReadPinpadByte(std::uint8_t& out);
void WritePinpad(const std::uint8_t* bytes, std::size_t count);
// Closes the device; the desktop then enables its Configuration button again.
void ClosePinpadPort();
