// Encoding and decoding of the largest packet the link carries.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "link/frame.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Payload { Random, AllDle };

// A packet of the full 16,000 bytes: type 'I', payload, CRC.
Bytes MakePacket(Payload kind) {
    Bytes payload(kPacketBufferSize - 3, DLE);
    if (kind == Payload::Random) {
        std::mt19937 random(7);
        for (auto& byte : payload) byte = static_cast<std::uint8_t>(random());
    }
    Bytes packet(kPacketBufferSize);
    std::size_t length = 0;
    BuildPacket('I', payload.data(), payload.size(), packet.data(), length);
    packet.resize(length);
    return packet;
}

// The receiver's rules applied to a whole frame: DLE de-doubling, the LRC, then the packet
// check. Returns the packet length, or 0 for a frame that does not decode.
std::size_t DecodeFrame(const Bytes& frame, std::uint8_t* packet, std::size_t capacity) {
    if (frame.size() < 5 || frame[0] != DLE || frame[1] != STX) return 0;
    std::uint8_t lrc = 0;
    std::size_t length = 0;
    for (std::size_t i = 2; i + 1 < frame.size(); ++i) {
        std::uint8_t byte = frame[i];
        lrc ^= byte;
        if (byte == DLE) {
            const std::uint8_t next = frame[++i];
            lrc ^= next;
            if (next == ETX) {
                if (i + 2 != frame.size() || lrc != frame[i + 1]) return 0;
                return VerifyPacket(packet, length) == 0 ? length : 0;
            }
            if (next != DLE) return 0;
        }
        if (length == capacity) return 0;
        packet[length++] = byte;
    }
    return 0;
}

void BM_EncodeFrame(benchmark::State& state) {
    const Bytes packet = MakePacket(static_cast<Payload>(state.range(0)));
    Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeFrame(packet.data(), packet.size(), frame.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
    state.SetLabel(state.range(0) == 0 ? "random payload" : "every byte DLE");
}
BENCHMARK(BM_EncodeFrame)->Arg(static_cast<int>(Payload::Random))->Arg(static_cast<int>(Payload::AllDle));

void BM_DecodeFrame(benchmark::State& state) {
    const Bytes packet = MakePacket(static_cast<Payload>(state.range(0)));
    Bytes frame(EncodedFrameLength(packet.data(), packet.size()));
    EncodeFrame(packet.data(), packet.size(), frame.data());
    Bytes decoded(kPacketBufferSize);
    if (DecodeFrame(frame, decoded.data(), decoded.size()) != packet.size()) {
        state.SkipWithError("frame does not decode");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeFrame(frame, decoded.data(), decoded.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
    state.SetLabel(state.range(0) == 0 ? "random payload" : "every byte DLE");
}
BENCHMARK(BM_DecodeFrame)->Arg(static_cast<int>(Payload::Random))->Arg(static_cast<int>(Payload::AllDle));

void BM_ComputeCrc16(benchmark::State& state) {
    const Bytes packet = MakePacket(Payload::Random);
    for (auto _ : state) benchmark::DoNotOptimize(ComputeCrc16(packet.data(), packet.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_ComputeCrc16);

}  // namespace
