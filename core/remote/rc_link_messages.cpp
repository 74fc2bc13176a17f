// Messages that watch and control the pinpad link.

#include <mutex>
#include <system_error>
#include <thread>

#include "config/config_file.h"
#include "config/log.h"
#include "link/link_state.h"
#include "link/monitoring.h"
#include "output/printer_status.h"
#include "output/printer_test.h"
#include "remote/link_hold.h"
#include "remote/rc_catalogue.h"
#include "remote/rc_protocol.h"

namespace {

// Two clients asking at once must not both find the link down and start two serial threads.
std::mutex linkStartLock;

void StopLinkWorker() {
    LogMessage("Started COM Port Stopping");
    StopMonitoring();
    CommStopping.store(0);
    LogMessage("COM Port Stopping finished");
}

}  // namespace

void QueryCommThreadMessage(RcReply& reply) {
    LogMessage("QUERY COMM THREAD MESSAGE RECEIVED");
    const int initialized = SerialPortInitialized.load();
    const int printerAlive = PrinterOnEthernetAlive.load();
    const int loops = CommLoops.load();
    LogDetail("SerialPortIntialized = %d", initialized);
    LogDetail("PrinterOnEthernetAlive = %d", printerAlive);
    LogDetail("CommLoops = %d", loops);
    reply.Int32(initialized);
    reply.Int32(printerAlive);
    reply.Int32(loops);
}

void StopCommThreadMessage(RcReply& reply) {
    LogMessage("MESSAGE_STOP_COMM_THREAD MESSAGE RECEIVED");
    InsideConfigDialog.store(1);
    // Claimed here, before the reply: a second stop right behind this one must see it.
    int idle = 0;
    if (!CommStopping.compare_exchange_strong(idle, 1)) {
        reply.Byte(kRcLinkStopping);
        return;
    }
    try {
        std::thread(StopLinkWorker).detach();
    } catch (const std::system_error&) {
        CommStopping.store(0);
        LogMessage("Error: COM Port Stopping not started");
        reply.Byte(kRcLinkStopping);
        return;
    }
    reply.Byte(kRcLinkOk);
}

void StartCommThreadMessage(RcReply& reply) {
    LogMessage("MESSAGE_START_COMM_THREAD MESSAGE RECEIVED");
    std::lock_guard<std::mutex> guard(linkStartLock);
    std::uint8_t status = kRcLinkOk;
    if (CommStopping.load() == 1) {
        LogMessage("Info: Start of serial thread impossible, just shutting down");
        status = kRcLinkStopping;
    } else if (SerialPortInitialized.load() == 1 || IsSerialThreadAlive()) {
        LogMessage("Info: Start of serial thread impossible, already started and working");
        status = kRcLinkRunning;
    } else {
        ApplyStartupConfiguration();
        StartPrinterTest();
        StartMonitoring(false);
    }
    InsideConfigDialog.store(0);
    reply.Byte(status);
}
