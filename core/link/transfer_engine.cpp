#include "transfer_engine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <thread>

#include "config/log.h"
#include "link/app_exit.h"
#include "link/frame.h"
#include "link/frame_receiver.h"
#include "link/pinpad_device.h"
#include "link/stop_request.h"

using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kReadTimeoutMs = 1000;
constexpr auto kEmptyReadPause = 7ms;
constexpr auto kAnswerPause = 150ms;
constexpr std::size_t kWriteChunk = 128;
constexpr auto kAfterFramePause = 10ms;
constexpr int kReadsPerWaitCycle = 10;
constexpr int kSendAttempts = 4;

void ExitIfStopRequested(const char* exitLine) {
    if (IsStopRequested() != 0) {
        LogMessage("%s", exitLine);
        App_ExitThread(0);
    }
}

[[noreturn]] void ExitOnDeviceFailure(const char* exitLine) {
    LogMessage("%s", exitLine);
    App_ExitThread(0);
}

// The pinpad needs the pause before it listens for our answer.
void Answer(std::uint8_t control) {
    std::this_thread::sleep_for(kAnswerPause);
    WritePinpad(&control, 1);
}

enum class Reply { Ack, Nak, Eot, Silence };

// One wait cycle after another until the pinpad answers with a control byte or a whole cycle
// stays silent; anything else it sends is thrown away.
Reply WaitForReply() {
    for (;;) {
        ExitIfStopRequested("EXIT THREAD 2");
        std::optional<std::uint8_t> byte;
        for (int read = 0; read < kReadsPerWaitCycle && !byte; ++read) {
            ExitIfStopRequested("EXIT THREAD m2");
            std::uint8_t c = 0;
            const int got = ReadPinpadByte(c);
            if (got < 0) ExitOnDeviceFailure("EXIT THREAD DUE TO ERROR X2");
            if (got > 0) byte = c;
        }
        if (!byte) return Reply::Silence;
        switch (*byte) {
            case ACK: return Reply::Ack;
            case NAK: return Reply::Nak;
            case EOT: return Reply::Eot;
            default:
                LogMessage("WARNING: JUNK character, throwing out and waiting again for ACK %02X = [%c]",
                           static_cast<unsigned>(*byte), static_cast<char>(*byte));
        }
    }
}

// In chunks, so that a stop request is seen during a long write too.
void WriteFrame(const std::uint8_t* frame, std::size_t length) {
    for (std::size_t sent = 0; sent < length; sent += kWriteChunk) {
        WritePinpad(frame + sent, std::min(kWriteChunk, length - sent));
        ExitIfStopRequested("EXIT THREAD 1");
    }
}

int SendPacket(const std::uint8_t* packet, std::size_t length) {
    const std::size_t frameLength = EncodedFrameLength(packet, length);
    if (frameLength > kFrameWorkAreaSize) {
        LogMessage("Error: Frame of %zu bytes does not fit the %zu-byte work area, not sent",
                   frameLength, kFrameWorkAreaSize);
        return 0;
    }
    std::array<std::uint8_t, kFrameWorkAreaSize> frame{};
    EncodeFrame(packet, length, frame.data());

    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (attempt > 0) LogMessage("WARNING: SENDING ON RETRY");
        WriteFrame(frame.data(), frameLength);
        std::this_thread::sleep_for(kAfterFramePause);
        SetPinpadReadTimeout(kReadTimeoutMs);
        const Reply reply = WaitForReply();
        if (reply == Reply::Ack) return static_cast<int>(frameLength);
        if (reply == Reply::Eot) {
            LogMessage("WARNING: Received EOT");
            break;
        }
        LogMessage(reply == Reply::Nak ? "WARNING: Received NAK"
                                       : "WARNING: ACK / Nothing arrived in timeout, retransmit");
    }
    LogMessage("WARNING: No reply from host - didn't receive ACK");
    return 0;
}

// One byte from the pinpad, or nothing after the read time-out. Sees the stop request between
// reads; the FTDI device also after every read, since its failures end the thread.
std::optional<std::uint8_t> ReceiveByte() {
    ExitIfStopRequested("EXIT THREAD 3");
    std::uint8_t byte = 0;
    const int got = ReadPinpadByte(byte);
    if (D2xxMode.load() == 1) {
        ExitIfStopRequested("EXIT THREAD 4");
        if (got < 0) ExitOnDeviceFailure("EXIT THREAD DUE TO ERROR X3");
    } else if (got <= 0) {
        ExitIfStopRequested("EXIT THREAD 4");
    }
    if (got <= 0) {
        std::this_thread::sleep_for(kEmptyReadPause);
        return std::nullopt;
    }
    return byte;
}

int ReceivePacket(std::uint8_t* buffer, std::size_t capacity) {
    FrameReceiver receiver(buffer, capacity);
    SetPinpadReadTimeout(kReadTimeoutMs);
    for (;;) {
        const std::optional<std::uint8_t> byte = ReceiveByte();
        if (!byte) continue;
        const FrameStep step = receiver.Feed(*byte);
        switch (step.event) {
            case FrameEvent::None:
                break;
            case FrameEvent::Eot:
                LogMessage("WARNING: EOT received, abort");
                LogMessage("WARNING: No reply from host - didn't receive anything");
                return 0;
            case FrameEvent::Overflow:
                LogMessage("WARNING: Buffer overflow");
                LogMessage("WARNING: No reply from host - didn't receive anything");
                return 0;
            case FrameEvent::SingleDle:
                LogMessage("WARNING: Single DLE - error");
                break;
            case FrameEvent::LrcMismatch:
                LogMessage("WARNING: LRC doesn't match - error\n");
                Answer(NAK);
                break;
            case FrameEvent::FrameEnded:
                // An unknown type letter (-2) is acknowledged; the dispatcher rejects it.
                if (VerifyPacket(buffer, step.length) == -1) {
                    LogMessage("WARNING: VerifyPacket CRC failed, sending NAK");
                    Answer(NAK);
                    break;
                }
                Answer(ACK);
                return static_cast<int>(step.length);
        }
    }
}

}  // namespace

int TransferPacket(int direction, std::uint8_t* buffer, int length) {
    switch (direction) {
        case kSendPacket:
            return length > 0 ? SendPacket(buffer, static_cast<std::size_t>(length)) : 0;
        case kReceivePacket:
            return ReceivePacket(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
        default:
            LogMessage("Error: Wrong parameter input");
            return 0;
    }
}
