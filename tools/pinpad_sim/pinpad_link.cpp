#include "pinpad_link.h"

#include <thread>

#include "link/frame.h"
#include "link/frame_receiver.h"

namespace {

constexpr auto kReadSlice = std::chrono::milliseconds(100);
constexpr auto kPeerStep = std::chrono::milliseconds(10);

Bytes MakePacket(std::uint8_t type, const Bytes& payload) {
    Bytes packet(payload.size() + 3);
    std::size_t length = 0;
    BuildPacket(type, payload.data(), payload.size(), packet.data(), length);
    return packet;
}

Bytes MakeFrame(const Bytes& packet) {
    Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
    EncodeFrame(packet.data(), packet.size(), frame.data());
    return frame;
}

bool CrcMatches(const Bytes& packet) {
    if (packet.size() < 3) return false;
    const std::size_t n = packet.size();
    return ComputeCrc16(packet.data(), n - 2) == static_cast<std::uint16_t>(packet[n - 2] | (packet[n - 1] << 8));
}

}  // namespace

const char* ExchangeStatusText(ExchangeStatus status) {
    switch (status) {
        case ExchangeStatus::Ok: return "ok";
        case ExchangeStatus::HostAbsent: return "the host did not open the line";
        case ExchangeStatus::NoAck: return "the host did not acknowledge the request";
        case ExchangeStatus::Eot: return "the host gave up the exchange (EOT)";
        case ExchangeStatus::NoReply: return "no reply from the host";
        case ExchangeStatus::Stopped: return "stopped";
    }
    return "?";
}

bool RequestHasReply(std::uint8_t type) { return type != 'G' && type != 'M' && type != 'P'; }

PinpadLink::PinpadLink(PinpadPort& port, LinkFaults faults, LinkTimings timings, const std::atomic<bool>* stop)
    : port_(port), faults_(std::move(faults)), timings_(timings), stop_(stop) {}

bool PinpadLink::Stopped() const { return stop_ != nullptr && stop_->load(); }

int PinpadLink::ReadByte(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (Stopped()) return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        const int byte = port_.ReadByte(std::min(left, kReadSlice));
        if (byte >= 0) return byte;
    }
}

ExchangeStatus PinpadLink::WaitForPeer() {
    const auto deadline = std::chrono::steady_clock::now() + timings_.peerTimeout;
    while (!port_.PeerPresent()) {
        if (Stopped()) return ExchangeStatus::Stopped;
        if (timings_.peerTimeout.count() > 0 && std::chrono::steady_clock::now() >= deadline) {
            return ExchangeStatus::HostAbsent;
        }
        std::this_thread::sleep_for(kPeerStep);
    }
    return ExchangeStatus::Ok;
}

ExchangeResult PinpadLink::Exchange(std::uint8_t type, const Bytes& payload) {
    ExchangeResult result;
    result.status = SendRequest(type, payload);
    if (result.status == ExchangeStatus::Ok && RequestHasReply(type)) {
        result.status = ReceiveReply(type, result.reply);
    }
    return result;
}

ExchangeStatus PinpadLink::SendRequest(std::uint8_t type, const Bytes& payload) {
    if (const ExchangeStatus peer = WaitForPeer(); peer != ExchangeStatus::Ok) return peer;
    const int number = ++counters_.requests;
    const Bytes packet = MakePacket(type, payload);
    const Bytes frame = MakeFrame(packet);

    Bytes firstFrame = frame;
    if (faults_.badCrc.count(number) != 0) {
        Bytes damaged = packet;
        damaged[damaged.size() - 2] ^= 0xFF;
        firstFrame = MakeFrame(damaged);
    }
    if (faults_.badLrc.count(number) != 0) firstFrame.back() ^= 0xFF;

    // A reply that came too late for an earlier exchange must not pass for this one's.
    port_.DiscardInput();
    for (int attempt = 1; attempt <= timings_.sendAttempts; ++attempt) {
        const Bytes& sent = attempt == 1 ? firstFrame : frame;
        if (!port_.Write(sent.data(), sent.size())) return ExchangeStatus::NoAck;
        ++counters_.transmissions;
        const auto deadline = std::chrono::steady_clock::now() + timings_.ackTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int byte = left.count() > 0 ? ReadByte(left) : -1;
            if (Stopped()) return ExchangeStatus::Stopped;
            if (byte < 0) break;  // silence: send again
            if (byte == ACK) return ExchangeStatus::Ok;
            if (byte == EOT) return ExchangeStatus::Eot;
            if (byte == NAK) {
                ++counters_.naksReceived;
                break;
            }
            // Anything else is line noise; keep waiting for the acknowledgement.
        }
    }
    return ExchangeStatus::NoAck;
}

ExchangeStatus PinpadLink::ReceiveReply(std::uint8_t type, Bytes& payload) {
    const int number = counters_.requests;
    bool faultPlayed = false;
    const auto deadline = std::chrono::steady_clock::now() + timings_.replyTimeout;
    Bytes buffer(kPacketBufferSize);
    FrameReceiver receiver(buffer.data(), buffer.size());
    auto answer = [this](std::uint8_t control) { port_.Write(&control, 1); };
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int byte = left.count() > 0 ? ReadByte(left) : -1;
        if (Stopped()) return ExchangeStatus::Stopped;
        if (byte < 0) return ExchangeStatus::NoReply;
        const FrameStep step = receiver.Feed(static_cast<std::uint8_t>(byte));
        switch (step.event) {
            case FrameEvent::None:
            case FrameEvent::Overflow:
            case FrameEvent::SingleDle:
                continue;
            case FrameEvent::Eot:
                return ExchangeStatus::Eot;
            case FrameEvent::LrcMismatch:
                ++counters_.repliesRefused;
                answer(NAK);
                continue;
            case FrameEvent::FrameEnded:
                break;
        }
        const Bytes packet(buffer.begin(), buffer.begin() + static_cast<long>(step.length));
        if (!CrcMatches(packet)) {
            ++counters_.repliesRefused;
            answer(NAK);
            continue;
        }
        if (!faultPlayed && faults_.nakReply.count(number) != 0) {
            faultPlayed = true;
            ++counters_.repliesRefused;
            answer(NAK);
            continue;
        }
        if (!faultPlayed && faults_.silentReply.count(number) != 0) {
            faultPlayed = true;  // the host sends the frame again after its own time-out
            ++counters_.repliesIgnored;
            continue;
        }
        answer(ACK);
        if (packet[0] != type) {
            ++counters_.strayReplies;
            continue;
        }
        payload.assign(packet.begin() + 1, packet.end() - 2);
        return ExchangeStatus::Ok;
    }
}
