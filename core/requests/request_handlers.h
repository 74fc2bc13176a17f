#pragma once
// One handler per request letter, called by ProcessPacket with a verified packet.
// 0 = handled (the reply, if the request has one, is built); -1 = too short to carry out.

#include "requests/request_fields.h"

int HandleQueryTransactionStart(const RequestFields& request, ReplyBuilder& reply);  // A
int HandleGetAmount(const RequestFields& request, ReplyBuilder& reply);              // B
int HandleShowText(const RequestFields& request, ReplyBuilder& reply);               // G
int HandlePinpadLogLine(const RequestFields& request, ReplyBuilder& reply);          // N
int HandleReset(const RequestFields& request, ReplyBuilder& reply);                  // R
int HandleAllowedTransInfo(const RequestFields& request, ReplyBuilder& reply);       // S
int HandleCancelKey(const RequestFields& request, ReplyBuilder& reply);              // T
int HandleTransactionResult(const RequestFields& request, ReplyBuilder& reply);      // U

// Logs a request too short for its fixed fields; returns -1 (not answered).
int RefuseShortRequest(const RequestFields& request, std::size_t needed);
// Logs a text that ran to the end of the packet without its NUL.
void NoteUnterminatedText(const RequestFields& request);
