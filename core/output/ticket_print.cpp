#include "ticket_print.h"

#include "common/program.h"
#include "config/config_file.h"
#include "config/log.h"
#include "output/last_ticket.h"
#include "output/ticket_records.h"
#include "output/windows_print.h"

namespace {

class PrintingRecordHandler : public TicketRecordHandler {
public:
    void OnTextLine(const char* text) override { PrintWindowsLine(text); }
    void OnSize(TicketSize size) override { SetWindowsPrintSize(size); }
    void OnUnknownTag(std::uint8_t /*tag*/) override {
        LogMessage("Warning: Unrecognized tag from the copy file");
    }
};

bool CashRegisterPrints() {
    return !IsDesktopProgram() &&
           GetHostConfig().printerType == static_cast<std::int32_t>(PrinterKind::ExternalEcr);
}

}  // namespace

int PrintTicket(const std::uint8_t* stream, std::size_t length) {
    ReadConfiguration();
    const std::size_t stored = StoreLastTicket(stream, length);
    if (CashRegisterPrints()) {
        LogMessage("Printer type = external ECR printer, no printing currently, just backuping the ticket.");
        return 0;
    }
    // Tickets always go to the default printer, until the configuration is read again.
    ModifyHostConfig([](HostConfig& config) {
        config.printerType = static_cast<std::int32_t>(PrinterKind::WindowsDefault);
    });

    if (BeginWindowsPrint() != 0) return -1;
    SetWindowsPrintSize(TicketSize::Normal);
    PrintingRecordHandler handler;
    const std::size_t walked = WalkTicketRecords(stream, stored, handler);
    if (walked < stored) LogMessage("Warning: ticket record cut short at byte %d, dropped", static_cast<int>(walked));
    EndWindowsPrint();
    return 0;
}
