#include "printer_channel.h"

#include <atomic>
#include <cstring>

#include "common/program.h"
#include "config/config_file.h"
#include "config/log.h"
#include "output/printer_devices.h"
#include "output/remote_host.h"

namespace {

// The connected network printer, -1 when there is none.
std::atomic<int> printerSocket{-1};

// Nothing is ever received from the printer; the value only has to be a valid one.
constexpr std::uint8_t kPrinterReceiveTimeoutBcd = 0x10;

bool IsEmpty(const char* field) { return field[0] == '\0'; }

int ConnectEthernetPrinter(const HostConfig& config) {
    RemoteHostRequest request{};
    std::memcpy(request.hostName, config.printerIp, strnlen(config.printerIp, sizeof config.printerIp - 1));
    request.portHigh = static_cast<std::uint8_t>(config.printerPort / 256);
    request.portLow = static_cast<std::uint8_t>(config.printerPort % 256);
    request.timeoutBcd = kPrinterReceiveTimeoutBcd;
    LogMessage("Connecting Ethernet PRINTER at %s at %02X%02X", request.hostName, request.portHigh,
               request.portLow);
    const int handle = ConnectRemoteHost(request);
    if (handle < 0) {
        LogMessage("Error connecting the printer");
        printerSocket.store(-1);
        return -1;
    }
    LogMessage("Printer connected OK");
    printerSocket.store(handle);
    return handle;
}

// Kinds for which there is nothing to connect: no printer, the default printer, and in
// the service the cash register's own printer.
bool HasNothingToConnect(std::int32_t kind) {
    return kind == static_cast<std::int32_t>(PrinterKind::None) ||
           kind == static_cast<std::int32_t>(PrinterKind::WindowsDefault) ||
           (!IsDesktopProgram() && kind == static_cast<std::int32_t>(PrinterKind::ExternalEcr));
}

}  // namespace

PrinterChannel GetPrinterChannel() {
    ReadConfiguration();
    const HostConfig config = GetHostConfig();
    switch (static_cast<PrinterKind>(config.printerType)) {
        case PrinterKind::ComPort:
            if (config.printerComPrnPort > 0) {
                LogMessage("Printer CNF indicating COM PRINTER");
                return PrinterChannel::Com;
            }
            if (!IsEmpty(config.printerD2xxDeviceName)) {
                LogMessage("Printer CNF indicating D2XX PRINTER");
                return PrinterChannel::D2xx;
            }
            return PrinterChannel::None;
        case PrinterKind::Ethernet:
            if (!IsEmpty(config.printerIp)) {
                LogMessage("Printer CNF indicating ETHERNET PRINTER");
                return PrinterChannel::Ethernet;
            }
            return PrinterChannel::None;
        default:
            return PrinterChannel::None;
    }
}

int PrinterConnect(PrinterChannel channel) {
    const HostConfig config = GetHostConfig();
    if (HasNothingToConnect(config.printerType)) return -1;
    switch (channel) {
        case PrinterChannel::Ethernet:
            return ConnectEthernetPrinter(config);
        case PrinterChannel::Com:
            return ConnectComPrinter(config);
        case PrinterChannel::D2xx:
            return ConnectD2xxPrinter(config);
        case PrinterChannel::None:
            break;
    }
    return -1;
}

int PrinterDisconnect(PrinterChannel channel) {
    switch (channel) {
        case PrinterChannel::Ethernet: {
            const int result = DisconnectRemoteHost(printerSocket.exchange(-1));
            LogMessage("PrinterDisconnect returns %d", result);
            return result;
        }
        case PrinterChannel::Com:
            return DisconnectComPrinter();
        case PrinterChannel::D2xx:
            return DisconnectD2xxPrinter();
        case PrinterChannel::None:
            break;
    }
    return 0;
}
