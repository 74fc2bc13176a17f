#include "ticket_requests.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "config/config_file.h"
#include "config/log.h"
#include "link/frame.h"
#include "link/serial_generation.h"
#include "output/little_endian.h"
#include "output/printer_channel.h"
#include "output/sms_ticket.h"
#include "output/ticket_print.h"
#include "requests/transaction.h"

namespace {

constexpr std::size_t kPacketOverhead = 3;  // letter and CRC
constexpr std::size_t kTicketLengthField = 4;
constexpr int kNoReply = 1;

std::size_t PayloadLength(std::size_t length) {
    return length > kPacketOverhead ? length - kPacketOverhead : 0;
}

// A text field of the configuration, never read past its end.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

}  // namespace

int HandlePrinterEndRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                            std::size_t replyCapacity, std::size_t& replyLength) {
    replyLength = 0;
    LogMessage("Printer END");
    if (replyCapacity < kPacketOverhead) return kNoReply;
    const std::size_t payload = PayloadLength(length);
    if (payload < kTicketLengthField) {
        LogMessage("Error: Printer END request too short (%d bytes)", static_cast<int>(length));
        return kNoReply;
    }
    // The length field is not trusted beyond the bytes that actually came.
    const auto declared = static_cast<std::uint32_t>(ReadInt32Le(packet + 1));
    const std::size_t received = payload - kTicketLengthField;
    const std::size_t ticketLength = std::min<std::size_t>(declared, received);
    if (declared > received) {
        LogMessage("Warning: ticket length %u beyond the %d bytes received, cut", declared,
                   static_cast<int>(received));
    }

    GetPrinterChannel();
    PrintTicket(packet + 1 + kTicketLengthField, ticketLength);
    BuildPacket('I', nullptr, 0, reply, replyLength);
    return 0;
}

int HandleSmsRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* /*reply*/,
                     std::size_t /*replyCapacity*/, std::size_t& replyLength) {
    replyLength = 0;
    const char* start = reinterpret_cast<const char*>(packet + 1);
    std::string text(start, strnlen(start, PayloadLength(length)));

    const std::string number = GetCurrentGsmNumber();
    if (number.empty() || ReadConfiguration() != 0) return kNoReply;
    const HostConfig config = GetHostConfig();
    SendSmsTicket(number, text, FieldText(config.gsmUserName), FieldText(config.gsmPassword));
    // One message per transaction, whatever became of this one. A serial thread given up on
    // while the gateway answered no longer owns the number.
    if (!IsAbandonedSerialThread()) ClearCurrentGsmNumber();
    return kNoReply;
}
