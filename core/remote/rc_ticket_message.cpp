// MESSAGE_GET_LAST_TICKET: the record stream of the last ticket, as the pinpad sent it.

#include "config/log.h"
#include "output/last_ticket.h"
#include "remote/rc_catalogue.h"

void GetLastTicketMessage(RcReply& reply) {
    LogMessage("MESSAGE_GET_LAST_TICKET MESSAGE RECEIVED");
    const std::vector<std::uint8_t> ticket = GetLastTicket();
    LogDetail("Size of stored ticket = %d", static_cast<int>(ticket.size()));
    reply.Int32(static_cast<std::int32_t>(ticket.size()));
    reply.Bytes(ticket.data(), ticket.size());
}
