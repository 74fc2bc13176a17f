#pragma once
// One remote-control request in, one reply out: the framing around the message catalogue.
// No sockets here, so every message can be tried on plain byte arrays.

#include <cstddef>
#include <cstdint>

#include "remote/rc_protocol.h"

// Writes N = payloadLength + 1 big-endian, the code and the payload; returns the total length
// (5 when payloadLength is 0 or less). message must hold payloadLength + 5 bytes.
std::size_t BuildRcReply(std::uint8_t* message, std::uint8_t code, const std::uint8_t* payload,
                         int payloadLength);

// 0 handled (replyLength = bytes in reply), -1 rejected (no reply). reply must hold
// kRcBufferSize bytes.
int HandleRcMessage(const std::uint8_t* request, std::size_t length, std::uint8_t* reply,
                    std::size_t& replyLength);
