#pragma once
// The pinpad's ticket requests: 'I' (Printer END, the finished ticket) and 'M' (a text
// for the customer's phone). Same shape as the relay handlers: a verified packet in,
// the reply packet built into reply; 0 = send the reply, non-zero = send nothing.

#include <cstddef>
#include <cstdint>

// Keeps and prints the ticket, then replies 'I' with no payload, whatever printing did.
// A packet too short to hold the ticket length is logged and gets no reply.
int HandlePrinterEndRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                            std::size_t replyCapacity, std::size_t& replyLength);

// Sends the text to CurrentGsmNumber once, then forgets the number. Never replies.
int HandleSmsRequest(const std::uint8_t* packet, std::size_t length, std::uint8_t* reply,
                     std::size_t replyCapacity, std::size_t& replyLength);
