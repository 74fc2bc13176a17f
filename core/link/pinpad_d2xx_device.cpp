#include "pinpad_d2xx_device.h"

namespace {
constexpr std::uint32_t kWriteTimeoutMs = 10000;
}  // namespace

void PinpadD2xxDevice::SetReadTimeout(std::uint32_t milliseconds) {
    device_.SetTimeouts(milliseconds, kWriteTimeoutMs);
}

int PinpadD2xxDevice::ReadByte(std::uint8_t& out) {
    FtDword got = 0;
    if (device_.Read(&out, 1, got) != FT_OK) return -1;
    return got == 1 ? 1 : 0;
}

void PinpadD2xxDevice::Write(const std::uint8_t* bytes, std::size_t count) {
    FtDword written = 0;
    device_.Write(bytes, static_cast<FtDword>(count), written);
}

void PinpadD2xxDevice::Close() { device_.Close(); }
