#include "pinpad_device.h"

#include "common/program.h"
#include "common/ui_hook.h"
#include "devices/devices.h"
#include "link/pinpad_com_device.h"
#include "link/pinpad_d2xx_device.h"

std::atomic<int> D2xxMode{0};

namespace {

PinpadDevice& ActivePinpadDevice() {
    static PinpadComDevice comPort(PinpadSerialPort());
    static PinpadD2xxDevice d2xxDevice(PinpadD2xx());
    if (D2xxMode.load() == 1) return d2xxDevice;
    return comPort;
}

}  // namespace

void SetPinpadReadTimeout(std::uint32_t milliseconds) {
    ActivePinpadDevice().SetReadTimeout(milliseconds);
}

int ReadPinpadByte(std::uint8_t& out) { return ActivePinpadDevice().ReadByte(out); }

void WritePinpad(const std::uint8_t* bytes, std::size_t count) {
    ActivePinpadDevice().Write(bytes, count);
}

void ClosePinpadPort() {
    ActivePinpadDevice().Close();
    if (IsDesktopProgram()) Ui().EnableConfigurationButton(true);
}
