#include "rc_catalogue.h"

#include "common/program.h"
#include "remote/rc_protocol.h"

void HandleRcCode(std::uint8_t code, RcPayload payload, RcReply& reply) {
    switch (code) {
        case MESSAGE_HELLO: HelloMessage(reply); break;
        case MESSAGE_START_TRANS: StartTransMessage(payload, reply); break;
        case MESSAGE_POLL_TRANS_RESULT: PollTransResultMessage(reply); break;
        case MESSAGE_QUERY_COMM_THREAD: QueryCommThreadMessage(reply); break;
        case MESSAGE_STOP_COMM_THREAD: StopCommThreadMessage(reply); break;
        case MESSAGE_START_COMM_THREAD: StartCommThreadMessage(reply); break;
        case MESSAGE_GET_LAST_TICKET: GetLastTicketMessage(reply); break;
        case MESSAGE_SEND_CONFIGURATION: SendConfigurationMessage(payload, reply); break;
        case MESSAGE_GET_SCREEN_LAYOUT: GetScreenLayoutMessage(reply); break;
        case MESSAGE_GET_ALLOWED_TRANS_TAB:
            if (!IsDesktopProgram()) GetAllowedTransTabMessage(reply);
            break;
        default: break;  // answered without payload
    }
}
