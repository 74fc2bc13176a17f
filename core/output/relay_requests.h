#pragma once
// The pinpad's relay requests: 'C' connect, 'D' disconnect, 'E' send, 'F' receive.
//
// Each handler takes a verified packet (type letter, payload, two CRC bytes) and builds
// the reply packet with BuildPacket into reply. Returns 0 when the reply is to be sent,
// non-zero when nothing is to be sent (a reply buffer too small for any answer).
// Requests too short for their fixed fields are answered with result -1.

#include <cstddef>
#include <cstdint>

int HandleConnectRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                         std::size_t replyCapacity, std::size_t& replyLength);
int HandleDisconnectRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                            std::size_t replyCapacity, std::size_t& replyLength);
int HandleSendRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                      std::size_t replyCapacity, std::size_t& replyLength);
int HandleReceiveRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                         std::size_t replyCapacity, std::size_t& replyLength);

// Most bytes one 'F' reply carries behind its result: the dispatcher's work area holds
// 8,192 payload bytes in the desktop program and 4 more in the service.
std::size_t MaxReceivePayload(std::size_t replyCapacity);
