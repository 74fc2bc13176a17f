#pragma once
// A ticket text sent to the customer's phone through the web SMS gateway: one HTTP GET.

#include <cstddef>
#include <string>

// The gateway host when TERMBRIDGE_SMS_GATEWAY (host[:port]) does not name another.
inline constexpr const char* kDefaultSmsGateway = "sms.corvanta.com";
// The request URL, its NUL included, must fit this buffer.
inline constexpr std::size_t kSmsUrlBufferSize = 4096;
// Longest wait for the gateway: connecting, and the whole request.
inline constexpr long kSmsConnectWaitMs = 10'000;
inline constexpr long kSmsRequestWaitMs = 30'000;

std::string SmsGatewayHost();

// Turns every space of text into "+" (nothing else is encoded), then asks the gateway.
// 0 = the gateway answered, whatever its status; -1 = no answer, or the URL too long.
int SendSmsTicket(const std::string& number, std::string& text, const std::string& userName,
                  const std::string& password);
