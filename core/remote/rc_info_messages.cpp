// Messages that only report: the server's greeting, the pinpad's screen, the allowed types.

#include <cstring>
#include <string>

#include "common/program.h"
#include "config/log.h"
#include "remote/rc_catalogue.h"
#include "remote/rc_protocol.h"
#include "requests/screen_layout.h"
#include "requests/transaction.h"

void HelloMessage(RcReply& reply) {
    LogMessage("HELLO MESSAGE RECEIVED\n");
    reply.Text(std::string("OK SERVER ") + Program().versionText + " RUNNING");
}

void GetScreenLayoutMessage(RcReply& reply) {
    LogMessage("MESSAGE_GET_SCREEN_LAYOUT");
    // Only the service keeps the pinpad's screen; the desktop shows it in its window instead.
    const ScreenLayoutBytes layout = IsDesktopProgram() ? ScreenLayoutBytes{} : GetScreenLayout();
    reply.Int32(static_cast<std::int32_t>(layout.size()));
    reply.Bytes(layout.data(), layout.size());
}

void GetAllowedTransTabMessage(RcReply& reply) {
    LogMessage("MESSAGE_GET_ALLOWED_TRANS_TAB");
    const AllowedTransactionTable table = GetAllowedTransactions();
    if (table.count <= 0) LogMessage("No allowed transactions");
    for (std::int32_t i = 0; i < table.count && i < static_cast<std::int32_t>(kMaxAllowedTransactions); ++i) {
        const std::uint8_t* entry = table.entries.data() + i * kAllowedEntrySize;
        const unsigned code = entry[0] | (entry[1] << 8);
        const auto* name = reinterpret_cast<const char*>(entry + 2);
        LogMessage("%04X %s", code, std::string(name, strnlen(name, kAllowedNameSize)).c_str());
    }
    reply.Int32(static_cast<std::int32_t>(sizeof(table.count) + table.entries.size()));
    reply.Int32(table.count);
    reply.Bytes(table.entries.data(), table.entries.size());
}
