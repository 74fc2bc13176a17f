#include "transaction.h"

#include <algorithm>
#include <cstring>

namespace {

// Text fields of fixed size: at most size - 1 characters, then zeros.
template <std::size_t N>
void StoreText(std::array<char, N>& field, const std::string& text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

template <std::size_t N>
std::string TextOf(const std::array<char, N>& field) {
    return std::string(field.data(), std::find(field.begin(), field.end(), '\0'));
}

struct Pending {
    std::uint16_t typeCode = 0;
    std::int32_t amount = 0;  // 0 = nothing pending
    std::array<char, kGsmNumberSize> gsmNumber{};
    std::array<char, kReferenceSize> reference{};
};

std::mutex transactionLock;
// TransactionLock also guards the whole-block copies of the result and the GSM number,
// so that no reader sees half of a block that the serial thread is writing.
Pending pending;                                       // guarded by transactionLock
TransactionBlock transactionResult{};                  // guarded by transactionLock
std::array<char, kGsmNumberSize> currentGsmNumber{};  // guarded by transactionLock

}  // namespace

std::mutex& TransactionLock() { return transactionLock; }

int SetPendingTransaction(std::uint16_t typeCode, std::int32_t amount, const std::string& gsmNumber,
                          const std::string& reference, bool refuseIfPending) {
    std::lock_guard<std::mutex> guard(transactionLock);
    if (refuseIfPending && pending.amount != 0) return -1;
    pending.typeCode = typeCode;
    pending.amount = amount;
    StoreText(pending.gsmNumber, gsmNumber);
    StoreText(pending.reference, reference);
    return 0;
}

int TakePendingTransaction(std::uint16_t& typeCode, std::int32_t& amount, std::string& reference) {
    std::lock_guard<std::mutex> guard(transactionLock);
    if (pending.amount == 0) {
        typeCode = 0;
        amount = 0;
        return -1;
    }
    typeCode = pending.typeCode;
    amount = pending.amount;
    reference = TextOf(pending.reference);
    currentGsmNumber = pending.gsmNumber;
    pending = Pending{};
    return 0;
}

void ClearPendingTransaction() {
    std::lock_guard<std::mutex> guard(transactionLock);
    pending = Pending{};
}

bool IsTransactionPending() {
    std::lock_guard<std::mutex> guard(transactionLock);
    return pending.amount != 0;
}

void StoreTransactionResult(const std::uint8_t* block) {
    std::lock_guard<std::mutex> guard(transactionLock);
    std::memcpy(transactionResult.data(), block, kTransactionBlockSize);
}

void ClearTransactionResult() {
    std::lock_guard<std::mutex> guard(transactionLock);
    transactionResult.fill(0);
}

bool TakeTransactionResult(TransactionBlock& out) {
    std::lock_guard<std::mutex> guard(transactionLock);
    if (!IsFilledTransactionBlock(transactionResult.data())) return false;
    out = transactionResult;
    transactionResult.fill(0);
    return true;
}

std::string GetCurrentGsmNumber() {
    std::lock_guard<std::mutex> guard(transactionLock);
    return TextOf(currentGsmNumber);
}

void ClearCurrentGsmNumber() {
    std::lock_guard<std::mutex> guard(transactionLock);
    currentGsmNumber.fill('\0');
}

void ResetTransactionState() {
    {
        std::lock_guard<std::mutex> guard(transactionLock);
        pending = Pending{};
        transactionResult.fill(0);
        currentGsmNumber.fill('\0');
    }
    ClearAllowedTransactions();
}
