#include "windows_print.h"

#include <memory>
#include <optional>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/log.h"
#include "output/system_print_device.h"

namespace {

constexpr const char* kMessageCaption = "Termbridge";

PrintDevice* deviceForTests = nullptr;
std::unique_ptr<PrintDevice> systemDevice;  // lives from a begin to its end
PrintDevice* jobDevice = nullptr;
std::optional<TicketLayout> jobLayout;

// Only the desktop program has a user to tell; the box waits for that user.
void ShowBox(const char* text) {
    if (IsDesktopProgram()) Ui().ShowMessage(text, kMessageCaption, MessageIcon::Information);
}

void AbortJob() {
    jobLayout.reset();
    jobDevice = nullptr;
    systemDevice.reset();
}

}  // namespace

void SetPrintDeviceForTests(PrintDevice* device) { deviceForTests = device; }

int BeginWindowsPrint() {
    if (deviceForTests != nullptr) {
        jobDevice = deviceForTests;
    } else {
        systemDevice = MakeSystemPrintDevice();
        jobDevice = systemDevice.get();
    }
    jobLayout.emplace(*jobDevice);

    switch (jobDevice->BeginDocument(kPrintJobName)) {
        case DocumentStart::Started:
            return 0;
        case DocumentStart::NoDefaultPrinter:
            ShowBox("**NO DEFAULT PRINTER FOUND, PRINTING ABORTED**");
            LogMessage("Error during printing - no default printer installed");
            break;
        case DocumentStart::JobNotStarted:
            ShowBox("**PRINTER <StartDoc> FUNCTION FAILED, PRINTING ABORTED**\n");
            LogMessage("Error during printing - no default printer installed - 2");
            break;
    }
    AbortJob();
    return -1;
}

void SetWindowsPrintSize(TicketSize size) {
    LogMessage(size == TicketSize::Big ? "Setting SIZE BIG" : "Setting SIZE NORMAL");
    if (jobLayout) jobLayout->SetSize(size);
}

void PrintWindowsLine(const char* text) {
    if (jobLayout && text != nullptr) jobLayout->PrintLine(text);
}

void EndWindowsPrint() {
    if (jobDevice != nullptr) jobDevice->EndDocument();
    AbortJob();
}
