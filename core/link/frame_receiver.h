#pragma once
// The receiving half of the link framing: a state machine fed one byte at a time. It stores the
// de-doubled data part in the caller's buffer and says when a frame ended and how; it does no
// I/O and logs nothing, so every answer (ACK, NAK, none) is the engine's.

#include <cstddef>
#include <cstdint>

enum class FrameEvent {
    None,         // byte taken, no frame ended
    Eot,          // EOT between frames: the pinpad gave up
    Overflow,     // the data part does not fit the buffer
    SingleDle,    // DLE followed by a byte other than DLE or ETX: frame dropped
    LrcMismatch,  // frame complete, LRC wrong
    FrameEnded,   // frame complete, LRC right; the packet is in the buffer
};

struct FrameStep {
    FrameEvent event = FrameEvent::None;
    std::size_t length = 0;  // bytes of the data part, for LrcMismatch and FrameEnded
};

class FrameReceiver {
public:
    FrameReceiver(std::uint8_t* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    // After every event other than None the receiver is back in Idle, ready for the next frame.
    FrameStep Feed(std::uint8_t byte);
    void Reset();

private:
    enum class State {
        Idle,          // looking for DLE; EOT ends the exchange
        AfterDle,      // DLE seen outside a frame; STX starts one
        Data,          // inside the data part
        AfterDataDle,  // DLE inside the data part: doubled DLE, end of data or an error
        Lrc,           // the next byte is the LRC
    };

    FrameStep Finish(FrameEvent event);

    std::uint8_t* buffer_;
    std::size_t capacity_;
    State state_ = State::Idle;
    std::size_t count_ = 0;
    std::uint8_t lrc_ = 0;
};
