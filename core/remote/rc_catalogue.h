#pragma once
// The remote-control messages: each takes the request payload and fills the reply payload,
// working on the shared state of the link, the transaction record and the configuration.

#include <cstddef>
#include <cstdint>
#include <span>

#include "remote/rc_reply.h"

using RcPayload = std::span<const std::uint8_t>;

// Runs the message for the code; an unknown code leaves the reply empty.
void HandleRcCode(std::uint8_t code, RcPayload payload, RcReply& reply);

void HelloMessage(RcReply& reply);
void StartTransMessage(RcPayload payload, RcReply& reply);
void PollTransResultMessage(RcReply& reply);
void QueryCommThreadMessage(RcReply& reply);
void StopCommThreadMessage(RcReply& reply);
void StartCommThreadMessage(RcReply& reply);
void GetLastTicketMessage(RcReply& reply);
void SendConfigurationMessage(RcPayload payload, RcReply& reply);
void GetScreenLayoutMessage(RcReply& reply);
void GetAllowedTransTabMessage(RcReply& reply);
