#pragma once
// The pinpad's end of the serial line: the master side of a pty that the simulator made and
// linked where the host looks for a COM port, or a serial device it opened.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class PinpadPort {
public:
    // Adopts fd; linkPath, when given, is removed again when the port goes.
    explicit PinpadPort(int fd, std::string linkPath = {}, std::string devicePath = {});
    ~PinpadPort();
    PinpadPort(const PinpadPort&) = delete;
    PinpadPort& operator=(const PinpadPort&) = delete;

    // A new pty in raw mode whose other end is symlinked at linkPath (replacing an old link).
    static std::unique_ptr<PinpadPort> CreatePty(const std::string& linkPath, std::string& error);
    // An existing device, set to 115,200 baud 8N1 raw.
    static std::unique_ptr<PinpadPort> OpenDevice(const std::string& path, std::string& error);

    // One byte, or -1 when none came within the time-out.
    int ReadByte(std::chrono::milliseconds timeout);
    bool Write(const std::uint8_t* data, std::size_t length);
    // Throws away whatever the host sent and nobody read yet.
    void DiscardInput();
    // False while nobody holds the other end of a pty open; a device is always present.
    bool PeerPresent();

    // The path the host opens: the pty's other end or the device itself.
    const std::string& DevicePath() const { return devicePath_; }
    const std::string& LinkPath() const { return linkPath_; }

private:
    int fd_;
    bool isPty_;
    std::string linkPath_;
    std::string devicePath_;
    std::uint8_t buffer_[512];
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
};
