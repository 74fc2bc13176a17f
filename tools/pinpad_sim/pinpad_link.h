#pragma once
// The pinpad's side of the link protocol: it sends one request frame, waits for the host's
// acknowledgement (sending again after a NAK or a silence), then receives the reply frame
// and acknowledges it. Faults can be played on purpose, by request number.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "pinpad_sim/pinpad_port.h"

using Bytes = std::vector<std::uint8_t>;

// Request numbers count from 1, the first request this link sends. Each fault hits the first
// transmission (or the first reply frame) of that request only, so the exchange recovers.
struct LinkFaults {
    std::set<int> badLrc;       // the request frame carries a wrong LRC
    std::set<int> badCrc;       // the request packet carries a wrong CRC
    std::set<int> nakReply;     // the reply frame is answered with NAK
    std::set<int> silentReply;  // the reply frame is left unanswered
};

struct LinkTimings {
    std::chrono::milliseconds ackTimeout{1500};
    int sendAttempts = 4;
    // Relay connects and receives, printing and the amount question all happen before the reply.
    std::chrono::milliseconds replyTimeout{60000};
    // How long to wait for the host to open its end of the line before a request; 0 = no limit.
    std::chrono::milliseconds peerTimeout{30000};
};

enum class ExchangeStatus {
    Ok,
    HostAbsent,  // nobody opened the other end of the line in time
    NoAck,       // every transmission went unacknowledged or was refused
    Eot,         // the host gave up the exchange
    NoReply,     // acknowledged, but no reply frame came in time
    Stopped,     // the caller's stop flag was raised
};
const char* ExchangeStatusText(ExchangeStatus status);

struct ExchangeResult {
    ExchangeStatus status = ExchangeStatus::Ok;
    Bytes reply;  // reply payload, without letter and CRC
};

struct LinkCounters {
    int requests = 0;
    int transmissions = 0;
    int naksReceived = 0;     // the host refused a request frame
    int repliesRefused = 0;   // reply frames we answered with NAK (damaged or on purpose)
    int repliesIgnored = 0;   // reply frames we left unanswered on purpose
    int strayReplies = 0;     // replies to some other request, acknowledged and dropped
};

// G, M and P get no reply from the host.
bool RequestHasReply(std::uint8_t type);

class PinpadLink {
public:
    explicit PinpadLink(PinpadPort& port, LinkFaults faults = {}, LinkTimings timings = {},
                        const std::atomic<bool>* stop = nullptr);

    // Sends one request and, for a type that gets one, waits for the reply.
    ExchangeResult Exchange(std::uint8_t type, const Bytes& payload);

    const LinkCounters& Counters() const { return counters_; }

private:
    ExchangeStatus SendRequest(std::uint8_t type, const Bytes& payload);
    ExchangeStatus ReceiveReply(std::uint8_t type, Bytes& payload);
    ExchangeStatus WaitForPeer();
    bool Stopped() const;
    // One byte within the time-out, in slices short enough to notice the stop flag.
    int ReadByte(std::chrono::milliseconds timeout);

    PinpadPort& port_;
    LinkFaults faults_;
    LinkTimings timings_;
    const std::atomic<bool>* stop_;
    LinkCounters counters_;
};
