#pragma once
// The cash register's side of the host's remote-control port: connect, then one blocking
// call per message. Each call sends one request and waits, within the client's time-out,
// for its reply; a failed call closes the connection, so the next one must Connect again.

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "remote/rc_protocol.h"

namespace ecr {

enum class EcrStatus {
    Ok = 0,
    ConnectFailed,  // no host at that address and port within the time-out
    NotConnected,
    SendFailed,
    Timeout,        // no whole reply within the time-out
    Closed,         // the host closed the connection
    BadReply,       // a reply that does not answer the request
};
const char* EcrStatusText(EcrStatus status);

struct SaleRequest {
    std::uint16_t typeCode = 0x8810;  // "Sale"
    std::int32_t amount = 0;          // in the currency's smallest unit, as the pinpad takes it
    std::string reference;            // up to 63 characters
    std::string gsmNumber;            // empty: no SMS ticket
};

struct StartAnswer {
    bool accepted = false;
    std::string text;  // "OK ACCEPTED" or the host's refusal
};

struct PollAnswer {
    bool finished = false;
    std::array<std::uint8_t, kRcResultBlockSize> result{};  // the pinpad's block, when finished
    std::string waitText;                                    // the host's text, when not
};

struct LinkStatus {
    std::int32_t serialPortInitialized = 0;   // 1 running, 0 down, -1 FTDI device not opened
    std::int32_t printerOnEthernetAlive = 0;  // 1 available, 0 not, -1 not tested yet
    std::int32_t commLoops = 0;               // grows while the link is alive
};

using ConfigBlock = std::array<std::uint8_t, kRcConfigBlockSize>;
using ScreenLayout = std::array<std::uint8_t, kRcScreenLayoutSize>;

struct AllowedType {
    std::uint16_t code = 0;
    std::string name;
};

class EcrClient {
public:
    explicit EcrClient(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~EcrClient();
    EcrClient(const EcrClient&) = delete;
    EcrClient& operator=(const EcrClient&) = delete;

    EcrStatus Connect(const std::string& host, std::uint16_t port = kRcDefaultPort);
    void Close();
    bool IsConnected() const { return socket_ >= 0; }
    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    EcrStatus Hello(std::string& serverText);
    EcrStatus StartTransaction(const SaleRequest& sale, StartAnswer& answer);
    EcrStatus PollResult(PollAnswer& answer);
    EcrStatus QueryLink(LinkStatus& status);
    // Status 0 = stop started, 1 = a stop is under way already.
    EcrStatus StopLink(std::uint8_t& status);
    // Status 0 = started, 1 = a stop is under way, 2 = the link runs already.
    EcrStatus StartLink(std::uint8_t& status);
    EcrStatus GetLastTicket(std::vector<std::uint8_t>& records);
    // Status 0 with the block, or 0xFF when the host could not read its file.
    EcrStatus GetConfiguration(std::uint8_t& status, ConfigBlock& block);
    // Status 0 = written, 0xFE = refused or not written.
    EcrStatus SetConfiguration(const ConfigBlock& block, std::uint8_t& status);
    EcrStatus GetScreenLayout(ScreenLayout& layout);
    // The service only; the desktop program does not know this message.
    EcrStatus GetAllowedTransactions(std::vector<AllowedType>& types);

    // Any request: the reply's payload.
    EcrStatus Exchange(std::uint8_t code, std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& reply);

private:
    EcrStatus Fail(EcrStatus status);

    std::chrono::milliseconds timeout_;
    int socket_ = -1;
};

// The 144-byte MESSAGE_START_TRANS payload: type as four hex digits, amount as twelve
// decimal characters, GSM number and reference NUL-padded.
std::array<std::uint8_t, kRcStartTransSize> EncodeSaleRequest(const SaleRequest& sale);

}  // namespace ecr
