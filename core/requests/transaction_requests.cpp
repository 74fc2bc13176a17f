// A, S and U: the transaction hand-over between the cash register and the pinpad.

#include <algorithm>

#include "common/program.h"
#include "common/ui_hook.h"
#include "config/log.h"
#include "requests/request_handlers.h"
#include "requests/transaction.h"

namespace {

constexpr std::size_t kCountOffset = 5;
constexpr std::size_t kCodesOffset = 6;

void ShowTransactionButton() {
    if (IsDesktopProgram()) Ui().EnableTransactionButton(AllowedTransactionCount() > 0);
}

}  // namespace

int HandleQueryTransactionStart(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** Query_transaction_start ****** ");
    ClearCurrentGsmNumber();
    std::uint16_t typeCode = 0;
    std::int32_t amount = 0;
    std::string reference;
    if (TakePendingTransaction(typeCode, amount, reference) != 0) {
        LogDetail("No pending transaction");
        const std::uint8_t nothing[2] = {0, 0};
        reply.Build(request.Type(), nothing, sizeof nothing);
    } else {
        LogMessage("*** Pending transaction ***");
        LogMessage("Now transid = %04X, amount = %d", static_cast<unsigned>(typeCode), amount);
        LogMessage("Merchant reference = %s, Client GSM number = %s", reference.c_str(),
                   GetCurrentGsmNumber().c_str());
        LogMessage("**************************************");
        const TransactionBlock block = MakeTransactionBlock(typeCode, amount, reference);
        reply.Build(request.Type(), block.data(), block.size());
    }
    ShowTransactionButton();
    return 0;
}

int HandleAllowedTransInfo(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** AllowedTransInfo ****** ");
    if (!request.Has(kCountOffset, 1)) return RefuseShortRequest(request, kCountOffset);
    // The int32 at offset 1 means nothing to the host.
    const int declared = static_cast<std::int8_t>(request.Byte(kCountOffset));
    const int present = static_cast<int>(request.BytesFrom(kCodesOffset) / 2);
    const int count = std::min({declared, present, static_cast<int>(kMaxAllowedTransactions)});
    if (count < declared) {
        LogMessage("Warning: AllowedTransInfo count %d cut to %d", declared, count);
    }
    std::uint16_t codes[kMaxAllowedTransactions] = {};
    for (int i = 0; i < count; ++i) codes[i] = request.Uint16(kCodesOffset + 2 * static_cast<std::size_t>(i));
    SetAllowedTransactions(codes, count);
    ShowTransactionButton();
    reply.BuildInt32(request.Type(), 0);
    return 0;
}

int HandleTransactionResult(const RequestFields& request, ReplyBuilder& reply) {
    LogDetail(" ****** Transaction result informing ****** ");
    // A cut block could still carry the signature and pass for a whole result.
    if (!request.Has(1, kTransactionBlockSize)) return RefuseShortRequest(request, kTransactionBlockSize);
    if (!IsDesktopProgram()) ClearPendingTransaction();
    StoreTransactionResult(request.At(1));
    reply.Build(request.Type(), nullptr, 0);
    return 0;
}
