// N, R and T: the pinpad's log line and the status exchanges.

#include "config/log.h"
#include "output/printer_status.h"
#include "requests/request_handlers.h"

int HandlePinpadLogLine(const RequestFields& request, ReplyBuilder& reply) {
    bool terminated = true;
    const std::string text = request.Text(1, std::string::npos, terminated);
    if (!terminated) NoteUnterminatedText(request);
    LogPlain("Pinpad:%s", text.c_str());
    reply.BuildInt32(request.Type(), 0);
    return 0;
}

int HandleReset(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** Reset ****** ");
    const std::uint8_t status[5] = {HostStatusByte(), 0, 0, 0, 0};
    reply.Build(request.Type(), status, sizeof status);
    return 0;
}

int HandleCancelKey(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** CancellKeyProcessing ****** ");
    const std::uint8_t zero = 0;
    reply.Build(request.Type(), &zero, 1);
    return 0;
}

int RefuseShortRequest(const RequestFields& request, std::size_t needed) {
    LogMessage("Error: request %c too short (%d payload bytes, %d needed), no reply", request.Type(),
               static_cast<int>(request.PayloadLength()), static_cast<int>(needed));
    return -1;
}

void NoteUnterminatedText(const RequestFields& request) {
    LogMessage("Warning: text of request %c not terminated, taken up to the end of the packet", request.Type());
}
