#include "frame_receiver.h"

#include "link/frame.h"

void FrameReceiver::Reset() {
    state_ = State::Idle;
    count_ = 0;
    lrc_ = 0;
}

FrameStep FrameReceiver::Finish(FrameEvent event) {
    const bool complete = event == FrameEvent::FrameEnded || event == FrameEvent::LrcMismatch;
    const FrameStep step{event, complete ? count_ : 0};
    Reset();
    return step;
}

FrameStep FrameReceiver::Feed(std::uint8_t byte) {
    switch (state_) {
        case State::Idle:
            if (byte == EOT) return Finish(FrameEvent::Eot);
            if (byte == DLE) state_ = State::AfterDle;
            return {};
        case State::AfterDle:
            // The byte after a stray DLE is not looked at again: DLE DLE STX starts nothing.
            state_ = byte == STX ? State::Data : State::Idle;
            return {};
        case State::Data:
            // The DLE of DLE ETX is stored too, so a data part of exactly the capacity
            // overflows: the largest packet is one byte less.
            if (count_ == capacity_) return Finish(FrameEvent::Overflow);
            buffer_[count_++] = byte;
            lrc_ ^= byte;
            if (byte == DLE) state_ = State::AfterDataDle;
            return {};
        case State::AfterDataDle:
            lrc_ ^= byte;
            if (byte == ETX) {
                --count_;  // the stored DLE opened DLE ETX
                state_ = State::Lrc;
                return {};
            }
            if (byte == DLE) {
                state_ = State::Data;  // the stored DLE stands for the data byte 0x10
                return {};
            }
            return Finish(FrameEvent::SingleDle);
        case State::Lrc:
            return Finish(byte == lrc_ ? FrameEvent::FrameEnded : FrameEvent::LrcMismatch);
    }
    return {};
}
