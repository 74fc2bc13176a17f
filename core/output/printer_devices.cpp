#include "printer_devices.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "config/log.h"
#include "devices/devices.h"
#include "devices/serial_port_shutdown.h"

namespace {

constexpr std::uint32_t kPrinterBaud = 19200;
constexpr std::uint32_t kPrinterQueueSize = 10000;
// Reads wait up to 40 s, writes up to 1 s.
constexpr CommTimeouts kPrinterTimeouts{0, 0, 40000, 0, 1000};
constexpr std::uint32_t kD2xxWaitMs = 10000;
// The device settles after its resets before anyone talks to it.
constexpr auto kD2xxSettle = std::chrono::milliseconds(150);

void LogSerialException(const CSerialException& error) {
    char text[4096];
    error.GetErrorText(text, sizeof text);
    LogMessage("Error: Serial exception %s", text);
}

std::string DeviceName(const HostConfig& config) {
    return std::string(config.printerD2xxDeviceName,
                       strnlen(config.printerD2xxDeviceName, sizeof config.printerD2xxDeviceName));
}

// Logs the step that failed with its status; true when the step went well.
bool Succeeded(FT_STATUS status, const char* failureFormat) {
    if (status == FT_OK) return true;
    LogMessage(failureFormat, static_cast<int>(status));
    return false;
}

}  // namespace

int ConnectComPrinter(const HostConfig& config) {
    const int port = config.printerComPrnPort;
    LogMessage("Trying to open COM port printer at %d", port);
    CSerialPort& printer = PrinterSerialPort();
    try {
        CommConfig commConfig;
        CSerialPort::GetDefaultConfig(port, commConfig);
        printer.Open(port, kPrinterBaud, kNoParity, 8, kOneStopBit);
        LogMessage("Printer COM port %d open", port);

        std::uint32_t modemStatus = 0;
        printer.GetModemStatus(modemStatus);
        Dcb dcb;
        printer.GetState(dcb);
        dcb.BaudRate = kPrinterBaud;
        printer.SetState(dcb);

        std::uint32_t errors = 0;
        ComStat status;
        printer.ClearError(errors);
        printer.SetBreak();
        printer.ClearBreak();
        printer.ClearError(errors, status);
        printer.BytesWaiting();

        printer.SetTimeouts(kPrinterTimeouts);
        printer.Setup(kPrinterQueueSize, kPrinterQueueSize);
        printer.GetConfig(commConfig);
        commConfig.dcb.BaudRate = kPrinterBaud;
        printer.SetConfig(commConfig);
        CommTimeouts timeouts;
        printer.GetTimeouts(timeouts);
        LogMessage("Port %d OPEN", port);
        return 0;
    } catch (const CSerialException& error) {
        LogMessage("Error opening printer COM port");
        LogSerialException(error);
        // A port we could not set up is not kept: it is exclusive while held.
        printer.Close();
        return -1;
    }
}

int DisconnectComPrinter() {
    CSerialPort& printer = PrinterSerialPort();
    try {
        ShutDownSerialPort(printer);
        return 0;
    } catch (const CSerialException& error) {
        LogMessage("Error closing printer COM port");
        LogSerialException(error);
        printer.Close();
        return -1;
    }
}

int ConnectD2xxPrinter(const HostConfig& config) {
    const std::string name = DeviceName(config);
    LogMessage("Trying to open D2XX device %s", name.c_str());
    CD2xxDevice& printer = PrinterD2xx();
    printer.Close();
    if (printer.OpenEx(name.c_str()) != FT_OK) {
        LogMessage("Error: open D2XX device %s FAILED", name.c_str());
        return -1;
    }
    LogMessage("Device %s open ok", name.c_str());
    const bool ready =
        Succeeded(printer.SetBaudRate(kPrinterBaud), "Set Comm port Params ended with error %d") &&
        Succeeded(printer.SetDataCharacteristics(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE),
                  "Set Characteristics ended with error %d") &&
        Succeeded(printer.ResetDevice(), "Reset device ended with error %d") &&
        Succeeded(printer.Purge(FT_PURGE_RX), "Purge device ended with error %d") &&
        Succeeded(printer.ResetDevice(), "Reset device ended with error %d") &&
        Succeeded(printer.SetTimeouts(kD2xxWaitMs, kD2xxWaitMs), "SetTimeouts ended with error %d");
    if (!ready) return -1;
    std::this_thread::sleep_for(kD2xxSettle);
    LogMessage("open D2XX device %s", name.c_str());
    return 0;
}

int DisconnectD2xxPrinter() {
    PrinterD2xx().Close();
    return 0;
}
