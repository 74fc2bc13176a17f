#include "printer_test.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/host_config.h"
#include "config/log.h"
#include "output/printer_channel.h"
#include "output/printer_status.h"

namespace {

constexpr auto kBusyPoll = std::chrono::milliseconds(50);

std::atomic_flag testBusy = ATOMIC_FLAG_INIT;
std::atomic<int> testsRunning{0};

// Checking and taking the flag is one step, so two tests never both see it free.
void WaitForTurn() {
    while (testBusy.test_and_set()) std::this_thread::sleep_for(kBusyPoll);
}

void EndTurn() {
    LogMessage("Printer test thread ending");
    testBusy.clear();
}

bool KindIs(std::int32_t kind, PrinterKind expected) { return kind == static_cast<std::int32_t>(expected); }

void PublishAvailable() {
    PrinterOnEthernetAlive.store(1);
    SetHostStatusBits(kPrinterAvailableBit);
}

void PublishNotAvailable() {
    PrinterOnEthernetAlive.store(0);
    ClearHostStatusBits(kPrinterAvailableBit);
}

// Connects the printer the configuration names and closes it again at once.
bool ConnectsAndCloses() {
    const PrinterChannel channel = GetPrinterChannel();
    if (PrinterConnect(channel) < 0) return false;
    PrinterDisconnect(channel);
    return true;
}

void RunDesktopTest() {
    WaitForTurn();
    const std::int32_t kind = GetHostConfig().printerType;
    if (KindIs(kind, PrinterKind::WindowsDefault)) {
        LogMessage("Printer AVAILABLE");
        Ui().SetPrinterStatus("Default Windows printer", kDarkGreen);
        PublishAvailable();
        EndTurn();
        return;
    }
    if (KindIs(kind, PrinterKind::None)) {
        Ui().SetPrinterStatus("No printer configured", kDarkRed);
        ClearHostStatusBits(kPrinterAvailableBit);
    }
    Ui().SetPrinterStatus("Testing printer...", kDarkRed);
    LogMessage("Printer test thread starting");
    if (ConnectsAndCloses()) {
        Ui().SetPrinterStatus("Printer available", kDarkGreen);
        LogMessage("Printer AVAILABLE");
        PublishAvailable();
    } else {
        PrinterOnEthernetAlive.store(0);
        Ui().SetPrinterStatus("Printer NOT available", kDarkRed);
        LogMessage("Printer NOT AVAILABLE");
        ClearHostStatusBits(kPrinterAvailableBit);
    }
    EndTurn();
}

void RunServiceTest() {
    WaitForTurn();
    const std::int32_t kind = GetHostConfig().printerType;
    if (KindIs(kind, PrinterKind::WindowsDefault)) {
        PublishAvailable();
    } else if (KindIs(kind, PrinterKind::ExternalEcr)) {
        SetHostStatusBits(kExternalEcrBit);
        PublishAvailable();
    } else {
        if (KindIs(kind, PrinterKind::None)) ClearHostStatusBits(kPrinterAvailableBit | kExternalEcrBit);
        LogMessage("Printer test thread starting");
        const PrinterChannel channel = GetPrinterChannel();
        if (PrinterConnect(channel) < 0) {
            LogMessage("Printer NOT AVAILABLE");
            PublishNotAvailable();
        } else {
            PrinterDisconnect(channel);
            LogMessage("Printer AVAILABLE");
            PublishAvailable();
        }
    }
    EndTurn();
}

}  // namespace

int PrinterTestThread() {
    if (IsDesktopProgram()) {
        RunDesktopTest();
    } else {
        RunServiceTest();
    }
    return 0;
}

void StartPrinterTest(ThreadIdLine line) {
    testsRunning.fetch_add(1);
    std::thread test([] {
        PrinterTestThread();
        testsRunning.fetch_sub(1);
    });
    if (line == ThreadIdLine::Write) {
        LogMessage("Printer thread ID = %04X",
                   static_cast<unsigned>(std::hash<std::thread::id>{}(test.get_id()) & 0xFFFFFFFFu));
    }
    test.detach();
}

int PrinterTestsRunning() { return testsRunning.load(); }
