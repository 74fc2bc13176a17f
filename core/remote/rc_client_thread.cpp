// One connected cash register: receive a whole request, answer it, repeat.

#include <vector>

#include "common/program.h"
#include "config/log.h"
#include "remote/rc_clients.h"
#include "remote/rc_message.h"
#include "remote/rc_server.h"

namespace {

enum class Receipt { Complete, Failed, BadLength };

// Gathers the segments of one request until its announced length is in. A length field
// of 0 or one that could never fit the buffer ends the connection: without it the
// buffer would fill and the stream would lose its message boundaries.
Receipt ReceiveRequest(RcSocket socket, std::vector<std::uint8_t>& buffer, std::size_t& received) {
    LogMessage("Receiving\n");
    received = 0;
    std::size_t expected = 0;  // unknown until the length field is in
    while (RcRunning.load() == 1) {
        const long count = RcReceive(socket, buffer.data() + received, buffer.size() - received);
        if (count <= 0) {
            LogMessage("Socket %d - Client closed connection", socket);
            LogMessage("Error: Socket %d - Read either nothing or timeout, retval = %d\n", socket, -1);
            return Receipt::Failed;
        }
        LogMessage("Socket %d - Received Len: %d", socket, static_cast<int>(count));
        received += static_cast<std::size_t>(count);
        if (expected == 0 && received >= kRcLengthFieldSize) {
            const std::uint32_t length = ReadRcLength(buffer.data());
            if (length == 0) {
                LogMessage("Error: Socket %d - Message without code, connection closed", socket);
                return Receipt::BadLength;
            }
            if (std::uint64_t{length} + kRcLengthFieldSize > buffer.size()) {
                LogMessage("Error: Socket %d - Message length %u does not fit the receive buffer, connection closed",
                           socket, length);
                return Receipt::BadLength;
            }
            expected = length + kRcLengthFieldSize;
        }
        if (expected != 0 && received >= expected) {
            LogDetail("Message received completely. Length = %d, expected len = %d\n", static_cast<int>(received),
                      static_cast<int>(expected));
            break;
        }
    }
    return Receipt::Complete;
}

// false when the connection has to end.
bool AnswerRequest(RcSocket socket, const std::vector<std::uint8_t>& request, std::size_t received,
                   std::vector<std::uint8_t>& reply) {
    const bool desktop = IsDesktopProgram();
    LogDetail(desktop ? "Received message from ECR DLL (%d bytes):\n"
                      : "Received message from Remote Controll DLL (%d bytes):\n",
              static_cast<int>(received));
    if (!desktop) LogMessage("PROCESSING REQUEST FROM RC LIBRARY AT SOCKET %d", socket);

    std::size_t replyLength = 0;
    if (HandleRcMessage(request.data(), received, reply.data(), replyLength) != 0 || replyLength == 0) {
        return true;
    }
    LogDetail(desktop ? "Data to send to the ECR is %d bytes\n" : "Data to send to the RC library is %d bytes\n",
              static_cast<int>(replyLength));
    const long sent = RcSend(socket, reply.data(), replyLength);
    if (sent < 0) {
        LogMessage("error: send has returned error\n");
        return false;
    }
    if (static_cast<std::size_t>(sent) < replyLength) {
        LogMessage("error: send send less than had to %d < %d\n", static_cast<int>(sent),
                   static_cast<int>(replyLength));
        return false;
    }
    return true;
}

}  // namespace

void RcClientThread(RcSocket socket) {
    if (!IsDesktopProgram()) LogMessage("Termbridge Product internal version %s", Program().versionText);
    LogMessage("*** Starting Client Comm thread on socket %d ***", socket);
    if (RcSetReceiveTimeout(socket, kRcClientTimeoutMs) != 0) {
        LogMessage("Error: setsockopt");
    } else {
        LogMessage("Set the client timout for %d mili seconds, after that period, if nothing comes, the thread is "
                   "closed automatically",
                   kRcClientTimeoutMs);
    }
    RcSetNoDelay(socket);

    std::vector<std::uint8_t> request(kRcBufferSize);
    std::vector<std::uint8_t> reply(kRcBufferSize);
    while (RcRunning.load() == 1) {
        std::size_t received = 0;
        const Receipt receipt = ReceiveRequest(socket, request, received);
        if (receipt == Receipt::BadLength) break;
        if (receipt == Receipt::Failed || received == 0) {
            LogMessage("Overall message length is <= 0\n");
            break;
        }
        if (!AnswerRequest(socket, request, received, reply)) break;
    }
    LogMessage("*** ENDING Client Comm thread on socket %d ***", socket);
    ReleaseRcClient(socket);
}
