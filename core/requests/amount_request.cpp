// B: the pinpad asks the cash register's user for an amount.

#include <chrono>
#include <thread>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/log.h"
#include "link/stop_request.h"
#include "requests/amount_answer.h"
#include "requests/request_handlers.h"

namespace {

constexpr auto kPollStep = std::chrono::milliseconds(100);
constexpr int kMaxWaitMs = 40000;
constexpr std::size_t kPromptOffset = 1;
constexpr std::size_t kPromptSize = 64;
constexpr std::size_t kTrailerSize = 3;

// The desktop's answer, or 0 after a cancel, a zero entry, the time-out or a stop request.
std::int32_t AskDesktopUser() {
    AmountAnswer.store(-1);
    Ui().RequestAmount();
    int waited = 0;
    while (AmountAnswer.load() == -1) {
        if (IsStopRequested() != 0) break;
        std::this_thread::sleep_for(kPollStep);
        waited += static_cast<int>(kPollStep.count());
        if (waited > kMaxWaitMs) break;
    }
    const std::int32_t answer = AmountAnswer.load();
    return answer > 0 ? answer : 0;
}

}  // namespace

int HandleGetAmount(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** Get_amount ******");
    // The prompt and the three bytes after it are not used, so a short request is still served.
    if (!request.Has(kPromptOffset, kPromptSize + kTrailerSize)) {
        LogMessage("Warning: Get_amount request short (%d payload bytes)", static_cast<int>(request.PayloadLength()));
    }
    const std::int32_t amount = IsDesktopProgram() ? AskDesktopUser() : 0;
    reply.BuildInt32(request.Type(), amount);
    return 0;
}
