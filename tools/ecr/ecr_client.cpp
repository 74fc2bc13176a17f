#include "ecr_client.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ecr_socket.h"

namespace ecr {

namespace {

std::int32_t Int32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::int32_t>(std::uint32_t{bytes[offset]} | (std::uint32_t{bytes[offset + 1]} << 8) |
                                     (std::uint32_t{bytes[offset + 2]} << 16) |
                                     (std::uint32_t{bytes[offset + 3]} << 24));
}

std::string AsText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

void CopyText(std::uint8_t* field, std::size_t size, const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

EcrStatus StatusOf(IoResult result, EcrStatus failed) {
    switch (result) {
        case IoResult::Done: return EcrStatus::Ok;
        case IoResult::Closed: return EcrStatus::Closed;
        case IoResult::Timeout: return EcrStatus::Timeout;
        case IoResult::Failed: break;
    }
    return failed;
}

}  // namespace

const char* EcrStatusText(EcrStatus status) {
    switch (status) {
        case EcrStatus::Ok: return "ok";
        case EcrStatus::ConnectFailed: return "cannot connect to the host";
        case EcrStatus::NotConnected: return "not connected";
        case EcrStatus::SendFailed: return "sending the request failed";
        case EcrStatus::Timeout: return "no reply within the time-out";
        case EcrStatus::Closed: return "the host closed the connection";
        case EcrStatus::BadReply: return "the reply does not answer the request";
    }
    return "unknown status";
}

std::array<std::uint8_t, kRcStartTransSize> EncodeSaleRequest(const SaleRequest& sale) {
    std::array<std::uint8_t, kRcStartTransSize> payload{};
    char field[16];
    std::snprintf(field, sizeof field, "%04X", static_cast<unsigned>(sale.typeCode));
    std::memcpy(payload.data(), field, kRcTypeFieldSize);
    std::snprintf(field, sizeof field, "%012ld", static_cast<long>(sale.amount));
    std::memcpy(payload.data() + kRcAmountOffset, field, kRcAmountFieldSize);
    CopyText(payload.data() + kRcGsmOffset, kRcGsmFieldSize, sale.gsmNumber);
    CopyText(payload.data() + kRcReferenceOffset, kRcReferenceFieldSize, sale.reference);
    return payload;
}

EcrClient::EcrClient(std::chrono::milliseconds timeout) : timeout_(timeout) {}

EcrClient::~EcrClient() { Close(); }

EcrStatus EcrClient::Connect(const std::string& host, std::uint16_t port) {
    Close();
    socket_ = ConnectTcp(host, port, std::chrono::steady_clock::now() + timeout_);
    return socket_ >= 0 ? EcrStatus::Ok : EcrStatus::ConnectFailed;
}

void EcrClient::Close() {
    if (socket_ >= 0) CloseTcp(socket_);
    socket_ = -1;
}

EcrStatus EcrClient::Fail(EcrStatus status) {
    // The stream may hold half a reply: nothing after it could be trusted.
    Close();
    return status;
}

EcrStatus EcrClient::Exchange(std::uint8_t code, std::span<const std::uint8_t> payload,
                              std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (socket_ < 0) return EcrStatus::NotConnected;
    if (payload.size() + kRcHeaderSize > kRcBufferSize) return EcrStatus::SendFailed;  // the host would drop us
    const Deadline deadline = std::chrono::steady_clock::now() + timeout_;

    std::vector<std::uint8_t> request(kRcHeaderSize + payload.size());
    WriteRcLength(request.data(), static_cast<std::uint32_t>(payload.size() + 1));
    request[kRcLengthFieldSize] = code;
    std::copy(payload.begin(), payload.end(), request.begin() + kRcHeaderSize);
    const IoResult sent = SendAll(socket_, request.data(), request.size(), deadline);
    if (sent != IoResult::Done) return Fail(StatusOf(sent, EcrStatus::SendFailed));

    std::uint8_t header[kRcHeaderSize];
    const IoResult head = ReceiveExactly(socket_, header, sizeof header, deadline);
    if (head != IoResult::Done) return Fail(StatusOf(head, EcrStatus::Closed));
    const std::uint32_t length = ReadRcLength(header);
    if (length == 0 || length > kRcBufferSize || header[kRcLengthFieldSize] != code) {
        return Fail(EcrStatus::BadReply);
    }
    reply.resize(length - 1);
    const IoResult body = ReceiveExactly(socket_, reply.data(), reply.size(), deadline);
    if (body != IoResult::Done) return Fail(StatusOf(body, EcrStatus::Closed));
    return EcrStatus::Ok;
}

EcrStatus EcrClient::Hello(std::string& serverText) {
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_HELLO, {}, reply);
    serverText = AsText(reply);
    return status;
}

EcrStatus EcrClient::StartTransaction(const SaleRequest& sale, StartAnswer& answer) {
    const auto payload = EncodeSaleRequest(sale);
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_START_TRANS, payload, reply);
    answer.text = AsText(reply);
    answer.accepted = status == EcrStatus::Ok && answer.text == "OK ACCEPTED";
    return status;
}

EcrStatus EcrClient::PollResult(PollAnswer& answer) {
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_POLL_TRANS_RESULT, {}, reply);
    if (status != EcrStatus::Ok) return status;
    answer.finished = reply.size() == 2 + kRcResultBlockSize && reply[0] == 'O' && reply[1] == 'K';
    if (answer.finished) {
        std::copy(reply.begin() + 2, reply.end(), answer.result.begin());
        answer.waitText.clear();
    } else {
        answer.waitText = AsText(reply);
    }
    return status;
}

EcrStatus EcrClient::QueryLink(LinkStatus& link) {
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_QUERY_COMM_THREAD, {}, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.size() < 12) return Fail(EcrStatus::BadReply);
    link.serialPortInitialized = Int32At(reply, 0);
    link.printerOnEthernetAlive = Int32At(reply, 4);
    link.commLoops = Int32At(reply, 8);
    return status;
}

namespace {

EcrStatus StatusByte(EcrClient& client, std::uint8_t code, std::uint8_t& value) {
    std::vector<std::uint8_t> reply;
    const EcrStatus status = client.Exchange(code, {}, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.empty()) return EcrStatus::BadReply;
    value = reply[0];
    return status;
}

}  // namespace

EcrStatus EcrClient::StopLink(std::uint8_t& status) { return StatusByte(*this, MESSAGE_STOP_COMM_THREAD, status); }

EcrStatus EcrClient::StartLink(std::uint8_t& status) { return StatusByte(*this, MESSAGE_START_COMM_THREAD, status); }

EcrStatus EcrClient::GetLastTicket(std::vector<std::uint8_t>& records) {
    std::vector<std::uint8_t> reply;
    records.clear();
    const EcrStatus status = Exchange(MESSAGE_GET_LAST_TICKET, {}, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.size() < 4) return Fail(EcrStatus::BadReply);
    const std::int32_t size = Int32At(reply, 0);
    if (size < 0 || static_cast<std::size_t>(size) != reply.size() - 4) return Fail(EcrStatus::BadReply);
    records.assign(reply.begin() + 4, reply.end());
    return status;
}

EcrStatus EcrClient::GetConfiguration(std::uint8_t& result, ConfigBlock& block) {
    const std::uint8_t request[] = {kRcConfigGet};
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_SEND_CONFIGURATION, request, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.empty()) return Fail(EcrStatus::BadReply);
    result = reply[0];
    if (result != 0) return status;
    if (reply.size() != 1 + block.size()) return Fail(EcrStatus::BadReply);
    std::copy(reply.begin() + 1, reply.end(), block.begin());
    return status;
}

EcrStatus EcrClient::SetConfiguration(const ConfigBlock& block, std::uint8_t& result) {
    std::vector<std::uint8_t> request{kRcConfigSet};
    request.insert(request.end(), block.begin(), block.end());
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_SEND_CONFIGURATION, request, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.empty()) return Fail(EcrStatus::BadReply);
    result = reply[0];
    return status;
}

EcrStatus EcrClient::GetScreenLayout(ScreenLayout& layout) {
    std::vector<std::uint8_t> reply;
    const EcrStatus status = Exchange(MESSAGE_GET_SCREEN_LAYOUT, {}, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.size() != 4 + layout.size() || Int32At(reply, 0) != static_cast<std::int32_t>(layout.size())) {
        return Fail(EcrStatus::BadReply);
    }
    std::copy(reply.begin() + 4, reply.end(), layout.begin());
    return status;
}

EcrStatus EcrClient::GetAllowedTransactions(std::vector<AllowedType>& types) {
    constexpr std::size_t kEntrySize = 36;
    constexpr std::size_t kNameSize = 34;
    std::vector<std::uint8_t> reply;
    types.clear();
    const EcrStatus status = Exchange(MESSAGE_GET_ALLOWED_TRANS_TAB, {}, reply);
    if (status != EcrStatus::Ok) return status;
    if (reply.size() != 8 + kRcAllowedTableSize) return Fail(EcrStatus::BadReply);
    const std::int32_t count = std::clamp(Int32At(reply, 4), 0, static_cast<std::int32_t>(kRcAllowedTableSize / kEntrySize));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = reply.data() + 8 + static_cast<std::size_t>(i) * kEntrySize;
        const auto* name = reinterpret_cast<const char*>(entry + 2);
        types.push_back({static_cast<std::uint16_t>(entry[0] | (entry[1] << 8)), std::string(name, strnlen(name, kNameSize))});
    }
    return status;
}

}  // namespace ecr
