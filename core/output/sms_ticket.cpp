#include "sms_ticket.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "config/log.h"

namespace {

struct CurlFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// The body is of no interest: stop at its first byte, the answer has arrived by then.
std::size_t StopAtBody(char*, std::size_t, std::size_t, void*) { return 0; }

// True when the gateway sent a status line, whatever came after it.
bool GatewayAnswered(const char* url) {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, CurlFree> request(curl_easy_init());
    if (!request) return false;
    CURL* handle = request.get();
    curl_easy_setopt(handle, CURLOPT_URL, url);
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kSmsConnectWaitMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, kSmsRequestWaitMs);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, StopAtBody);
    curl_easy_perform(handle);

    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status > 0;
}

}  // namespace

std::string SmsGatewayHost() {
    const char* overridden = std::getenv("TERMBRIDGE_SMS_GATEWAY");
    return overridden != nullptr && *overridden != '\0' ? overridden : kDefaultSmsGateway;
}

int SendSmsTicket(const std::string& number, std::string& text, const std::string& userName,
                  const std::string& password) {
    std::replace(text.begin(), text.end(), ' ', '+');

    char url[kSmsUrlBufferSize];
    const int length = std::snprintf(url, sizeof url, "http://%s/sendsms.php?USER=%s&PASS=%s&TO=%s&MSG=%s",
                                     SmsGatewayHost().c_str(), userName.c_str(), password.c_str(),
                                     number.c_str(), text.c_str());
    LogMessage("Sending SMS ticket to number %s", number.c_str());
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof url) {
        LogMessage("Error: SMS request of %d characters is too long, not sent", length);
        return -1;
    }
    LogMessage("Full http: %s", url);

    if (!GatewayAnswered(url)) {
        LogMessage("Error: OpenURL doesn't work");
        return -1;
    }
    LogMessage("SMS ticket should have been sent");
    return 0;
}
