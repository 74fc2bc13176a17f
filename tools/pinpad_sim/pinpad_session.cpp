#include "pinpad_session.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

constexpr std::int32_t kReceiveMaximum = 1024;
constexpr std::int32_t kClearDisplay = 0xFF00;
constexpr std::int32_t kClearAndShow = 0x0100;

// Raised inside a session when the line fails; carries the exit code.
struct SessionAbort {
    int exitCode;
    std::string error;
};

std::string Hex16(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

class Session {
public:
    Session(PinpadLink& link, const SessionOptions& options, const ProgressSink& progress,
            const std::atomic<bool>* stop)
        : link_(link), options_(options), progress_(progress), stop_(stop) {}

    void Run(SessionResult& result) {
        Announce();
        for (int number = 1; options_.sales == 0 || number <= options_.sales; ++number) {
            const OfferedTransaction offer = WaitForTransaction(number);
            result.sales.push_back(Sell(number, offer));
        }
        Say("done: " + std::to_string(result.sales.size()) + " sale(s) served");
    }

private:
    Bytes Ask(std::uint8_t type, const Bytes& payload) {
        ExchangeResult exchange = link_.Exchange(type, payload);
        if (exchange.status == ExchangeStatus::Stopped) throw SessionAbort{kExitStopped, "stopped"};
        if (exchange.status != ExchangeStatus::Ok) {
            throw SessionAbort{kExitLink, std::string("request ") + static_cast<char>(type) + ": " +
                                              ExchangeStatusText(exchange.status)};
        }
        return std::move(exchange.reply);
    }

    void Say(const std::string& line) {
        if (progress_) progress_(line);
    }

    bool Stopped() const { return stop_ != nullptr && stop_->load(); }

    void Announce() {
        Ask('S', AllowedTypesPayload(options_.allowedTypes));
        std::string types;
        for (std::uint16_t code : options_.allowedTypes) {
            if (!types.empty()) types += ',';
            types += Hex16(code);
        }
        Say("announced allowed types " + types);
        const Bytes status = Ask('R', {});
        Say("host status byte " + (status.empty() ? std::string("missing") : Hex16(status[0]).substr(2)));
        Ask('T', {});
        Ask('N', TextPayload("pinpad simulator ready"));
        Ask('G', ShowTextPayload(2, kClearAndShow, "WELCOME"));
    }

    OfferedTransaction WaitForTransaction(int number) {
        Say("sale " + std::to_string(number) + ": waiting for a transaction");
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            if (std::optional<OfferedTransaction> offer = ParseTransactionOffer(Ask('A', {}))) return *offer;
            if (options_.transactionWait.count() > 0 &&
                std::chrono::steady_clock::now() - start >= options_.transactionWait) {
                throw SessionAbort{kExitNoTransaction, "no transaction arrived"};
            }
            Pause(options_.pollInterval);
        }
    }

    void Pause(std::chrono::milliseconds length) {
        const auto end = std::chrono::steady_clock::now() + length;
        while (std::chrono::steady_clock::now() < end) {
            if (Stopped()) throw SessionAbort{kExitStopped, "stopped"};
            std::this_thread::sleep_for(std::min(length, std::chrono::milliseconds(20)));
        }
    }

    SaleOutcome Sell(int number, const OfferedTransaction& offer) {
        const std::string prefix = "sale " + std::to_string(number) + ": ";
        SaleOutcome sale;
        sale.transaction = offer;
        Say(prefix + "transaction " + Hex16(offer.type) + " amount " + std::to_string(offer.amount) +
            " reference " + offer.reference);
        Ask('G', ShowTextPayload(3, 0, "AMOUNT " + FormatAmount(offer.amount)));

        sale.socket = ReadInt32(Ask('C', ConnectPayload(options_.paymentHost, options_.paymentPort,
                                                        options_.receiveTimeoutBcd)), 0);
        Say(prefix + "connect to " + options_.paymentHost + ":" + std::to_string(options_.paymentPort) +
            " gave " + std::to_string(sale.socket));
        if (sale.socket >= 0) {
            sale.bytesSent = ReadInt32(Ask('E', SendPayload(sale.socket, AuthorisationRequest())), 0);
            const Bytes received = Ask('F', ReceivePayload(sale.socket, kReceiveMaximum));
            const std::int32_t count = ReadInt32(received, 0);
            if (count > 0 && received.size() >= 4 + static_cast<std::size_t>(count)) {
                sale.hostReply.assign(received.begin() + 4, received.begin() + 4 + count);
            }
            Ask('D', SocketPayload(sale.socket));
            Say(prefix + "sent " + std::to_string(sale.bytesSent) + " bytes, host answered " +
                std::to_string(count) + " bytes");
        }
        sale.approved = sale.bytesSent == static_cast<std::int32_t>(AuthorisationRequest().size()) &&
                        !sale.hostReply.empty();

        Ask('U', ResultBlock(offer, sale.approved));
        Ask('I', TicketPayload(TicketRecords(offer, sale.approved)));
        Ask('M', TextPayload(SmsText(offer, sale.approved)));
        Ask('N', TextPayload("sale " + std::string(sale.approved ? "approved" : "declined")));
        Ask('G', ShowTextPayload(0, kClearDisplay, ""));
        Say(prefix + (sale.approved ? "approved" : "declined"));
        return sale;
    }

    PinpadLink& link_;
    const SessionOptions& options_;
    const ProgressSink& progress_;
    const std::atomic<bool>* stop_;
};

}  // namespace

SessionResult RunPinpadSession(PinpadLink& link, const SessionOptions& options, const ProgressSink& progress,
                               const std::atomic<bool>* stop) {
    SessionResult result;
    try {
        Session(link, options, progress, stop).Run(result);
    } catch (const SessionAbort& abort) {
        result.exitCode = abort.exitCode;
        result.error = abort.error;
        if (progress) progress("error: " + abort.error);
    }
    return result;
}
