#pragma once
// The request dispatcher: checks each packet from the pinpad, carries out its request and
// builds the reply. Runs on the serial thread only.

#include <cstddef>
#include <cstdint>

// packet, length: the received packet with its CRC. reply, capacity: the reply buffer, zeroed
// here first. replyLength: the reply packet's length, 0 when the request gets no reply.
// 0 = handled (send the reply if replyLength is not 0); -1 = the packet failed verification or
// was too short to carry out; nothing is sent.
int ProcessPacket(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply, std::size_t capacity,
                  std::size_t& replyLength);
