#include "serial_thread.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/config_file.h"
#include "config/log.h"
#include "devices/devices.h"
#include "link/app_exit.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/pinpad_device.h"
#include "link/serial_generation.h"
#include "link/stop_request.h"
#include "link/transfer_engine.h"
#include "output/remote_host.h"
#include "requests/process_packet.h"

namespace {

// Fixed line settings of the pinpad link; only the port and the FTDI name come from the file.
struct LineSettings {
    int port;
    std::uint32_t baudRate;
    char parity;
    std::uint8_t dataBits;
    std::uint8_t stopBits;
    std::string d2xxName;
};

constexpr std::uint32_t kBaudRate = 115200;
constexpr std::uint32_t kQueueSize = 10000;
constexpr std::uint32_t kFtdiTimeoutMs = 10000;
constexpr auto kFtdiSettle = std::chrono::milliseconds(150);
constexpr auto kStopPause = std::chrono::milliseconds(50);

LineSettings ReadLineSettings() {
    const HostConfig config = GetHostConfig();
    return LineSettings{config.comPort, kBaudRate, 'N', 8, 1,
                        std::string(config.d2xxName, strnlen(config.d2xxName, sizeof config.d2xxName))};
}

std::string LineSettingsText(const LineSettings& line) {
    char text[160];
    std::snprintf(text, sizeof text, "Serial thread: portC=%d, uiBaudC=%d, cParity=%c, databitsC=%d, stopbits=%d",
                  line.port, static_cast<int>(line.baudRate), line.parity, line.dataBits, line.stopBits);
    return text;
}

std::uint8_t StopBitCode(std::uint8_t stopBits) { return stopBits == 2 ? kTwoStopBits : kOneStopBit; }

std::uint8_t ParityCode(char parity) {
    if (parity == 'E' || parity == 'e') return kEvenParity;
    if (parity == 'O' || parity == 'o') return kOddParity;
    return kNoParity;
}

// A thread given up on leaves the link's state to the thread that replaced it.
void MarkLinkState(int state) {
    if (!IsAbandonedSerialThread()) SerialPortInitialized = state;
}

void LogFtdiStatus(FT_STATUS status, const char* format) {
    if (status != FT_OK) LogMessage(format, static_cast<int>(status));
}

// false: the device did not open and the thread ends at once.
bool OpenFtdiPinpad(const LineSettings& line) {
    CD2xxDevice& device = PinpadD2xx();
    device.Close();  // a handle an earlier thread may have left open
    if (device.OpenEx(line.d2xxName.c_str()) != FT_OK) {
        LogMessage("Serial thread: Error: opening port %s failed", line.d2xxName.c_str());
        MarkLinkState(-1);
        return false;
    }
    MarkLinkState(1);
    LogMessage("Serial thread: Device %s open ok", line.d2xxName.c_str());
    LogFtdiStatus(device.SetBaudRate(line.baudRate), "Serial thread: Set Comm port Params ended with error %d");
    LogFtdiStatus(device.SetDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE),
                  "Serial thread: Set Characteristics ended with error %d");
    LogFtdiStatus(device.ResetDevice(), "Serial thread: Reset device ended with error %d");
    LogFtdiStatus(device.Purge(FT_PURGE_RX), "Serial thread: Purge device ended with error %d");
    LogFtdiStatus(device.ResetDevice(), "Serial thread: Reset device ended with error %d");
    LogFtdiStatus(device.SetTimeouts(kFtdiTimeoutMs, kFtdiTimeoutMs), "SetTimeouts ended with error %d");
    std::this_thread::sleep_for(kFtdiSettle);
    LogMessage("Serial thread: Device %s open ok", line.d2xxName.c_str());
    return true;
}

void OpenComPinpad(const LineSettings& line) {
    LogMessage("%s", LineSettingsText(line).c_str());
    const std::uint8_t stopBits = StopBitCode(line.stopBits);
    const std::uint8_t parity = ParityCode(line.parity);
    MarkLinkState(0);
    LogMessage("Port number = %d", line.port);
    CSerialPort& port = PinpadSerialPort();
    port.Open(line.port, line.baudRate, parity, line.dataBits, stopBits);
    LogMessage("SerialThread after opening port");
    MarkLinkState(1);

    std::uint32_t modemStatus = 0;
    port.GetModemStatus(modemStatus);
    Dcb dcb;
    port.GetState(dcb);
    dcb.BaudRate = line.baudRate;
    port.SetState(dcb);
    std::uint32_t errors = 0;
    port.ClearError(errors);
    // A short break on the line.
    port.SetBreak();
    port.ClearBreak();
    ComStat status;
    port.ClearError(errors, status);
    port.BytesWaiting();
    CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 40000;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 1000;
    port.SetTimeouts(timeouts);
    port.Setup(kQueueSize, kQueueSize);
    CommConfig config;
    port.GetConfig(config);
    config.dcb.BaudRate = line.baudRate;
    port.SetConfig(config);

    port.GetTimeouts(timeouts);
    char text[300];
    std::snprintf(text, sizeof text,
                  "Read interval = %d\nRead Total Timeout constant = %d\nReadTotalTimeoutMultiplier = %d\n"
                  "WriteTotalTimeoutConstant=%d\nWriteTotalTimeoutMultiplier=%d",
                  static_cast<int>(timeouts.ReadIntervalTimeout), static_cast<int>(timeouts.ReadTotalTimeoutConstant),
                  static_cast<int>(timeouts.ReadTotalTimeoutMultiplier),
                  static_cast<int>(timeouts.WriteTotalTimeoutConstant),
                  static_cast<int>(timeouts.WriteTotalTimeoutMultiplier));
    LogMessage("%s", text);
}

// The desktop's Configuration button is off while a request is being handled.
void EnableConfigurationButton(bool enable) {
    if (IsDesktopProgram() && IsStopRequested() == 0) Ui().EnableConfigurationButton(enable);
}

void ServePinpad() {
    std::array<std::uint8_t, kPacketBufferSize> request;
    std::array<std::uint8_t, kPacketBufferSize> reply;
    CommLoops = 0;
    for (;;) {
        LogDetail("Looping %d", ++CommLoops);
        if (IsStopRequested() != 0) {
            LogMessage("EXIT main THREAD 2");
            return;
        }
        request.fill(0);
        const int received = TransferPacket(kReceivePacket, request.data(), static_cast<int>(request.size()));
        if (IsStopRequested() != 0) {
            LogMessage("EXIT main THREAD 2");
            std::this_thread::sleep_for(kStopPause);
            return;
        }
        if (received <= 0) continue;

        EnableConfigurationButton(false);
        std::size_t replyLength = 0;
        if (ProcessPacket(request.data(), static_cast<std::size_t>(received), reply.data(), reply.size(),
                          replyLength) != 0) {
            EnableConfigurationButton(true);
            LogMessage("Processing packet failed, no reply sending");
            continue;
        }
        if (IsStopRequested() != 0) {
            LogMessage("EXIT main THREAD 4");
            return;
        }
        TransferPacket(kSendPacket, reply.data(), static_cast<int>(replyLength));
        if (IsStopRequested() != 0) {
            LogMessage("EXIT main THREAD 5");
            return;
        }
        EnableConfigurationButton(true);
    }
}

// 0 after the loop ended or a serial exception; 1 when the FTDI device did not open.
int OpenAndServe(const LineSettings& line) {
    try {
        if (D2xxMode == 0) {
            CommConfig defaults;
            CSerialPort::GetDefaultConfig(line.port, defaults);  // a missing port throws here
        }
        LogMessage("SerialThread before opening port");
        if (D2xxMode == 1) {
            if (!OpenFtdiPinpad(line)) return 1;
        } else {
            OpenComPinpad(line);
        }
        ServePinpad();
        // The thread that replaced a given-up one owns the port now.
        if (!IsAbandonedSerialThread()) ClosePinpadPort();
    } catch (const CSerialException& error) {
        char text[4096];
        error.GetErrorText(text, sizeof text);
        LogMessage("Error: Serial exception %s", text);
    }
    return 0;
}

int SerialThreadBody() {
    ApplyStartupConfiguration();
    MarkLinkState(0);
    ResetSocketsStarted();
    D2xxMode = 0;
    const LineSettings line = ReadLineSettings();
    if (!line.d2xxName.empty()) D2xxMode = 1;

    LogMessage("SerialThread started running");
    LogDetail("%s", LineSettingsText(line).c_str());
    LogMessage(D2xxMode == 1 ? "D2XXMode Selected" : "Real / Virtual COM Mode Selected");

    if (OpenAndServe(line) != 0) return 0;  // FTDI open failed: no further line
    MarkLinkState(0);
    LogMessage("Exiting the SERIAL THREAD 2");
    return 0;
}

}  // namespace

int SerialThread() {
    EnterSerialGeneration();
    return RunSerialThreadBody(SerialThreadBody);
}
