#include "process_packet.h"

#include <cstring>

#include "config/log.h"
#include "link/frame.h"
#include "output/relay_requests.h"
#include "output/ticket_requests.h"
#include "requests/request_handlers.h"

namespace {

// The output handlers say "send nothing" with any non-zero value; here that is a failure.
int Answered(int handlerResult) { return handlerResult == 0 ? 0 : -1; }

}  // namespace

int ProcessPacket(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply, std::size_t capacity,
                  std::size_t& replyLength) {
    std::memset(reply, 0, capacity);
    replyLength = 0;
    if (length > 0) LogDetail("Process Packet %c", packet[0]);
    if (VerifyPacket(packet, length) != 0) {
        LogMessage("Error: Verify packet failed");
        return -1;
    }

    const RequestFields request(packet, length);
    ReplyBuilder builder(reply, capacity, replyLength);
    switch (packet[0]) {
        case 'A': return HandleQueryTransactionStart(request, builder);
        case 'B': return HandleGetAmount(request, builder);
        case 'C': return Answered(HandleConnectRequest(packet, length, reply, capacity, replyLength));
        case 'D': return Answered(HandleDisconnectRequest(packet, length, reply, capacity, replyLength));
        case 'E': return Answered(HandleSendRequest(packet, length, reply, capacity, replyLength));
        case 'F': return Answered(HandleReceiveRequest(packet, length, reply, capacity, replyLength));
        case 'G': return HandleShowText(request, builder);
        case 'I': return Answered(HandlePrinterEndRequest(packet, length, reply, capacity, replyLength));
        case 'M':
            HandleSmsRequest(packet, length, reply, capacity, replyLength);
            return 0;  // never answered, and that is no failure
        case 'N': return HandlePinpadLogLine(request, builder);
        case 'R': return HandleReset(request, builder);
        case 'S': return HandleAllowedTransInfo(request, builder);
        case 'T': return HandleCancelKey(request, builder);
        case 'U': return HandleTransactionResult(request, builder);
        default: return 0;  // 'P': accepted, nothing to do, no reply
    }
}
