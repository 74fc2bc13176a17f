#include <algorithm>
#include <cstring>

#include "transaction.h"

namespace {

AllowedTransactionTable allowedTransactions{};  // guarded by TransactionLock()

std::uint8_t* Entry(AllowedTransactionTable& table, std::size_t index) {
    return table.entries.data() + index * kAllowedEntrySize;
}

const std::uint8_t* Entry(const AllowedTransactionTable& table, std::size_t index) {
    return table.entries.data() + index * kAllowedEntrySize;
}

bool InRange(const AllowedTransactionTable& table, int index) { return index >= 0 && index < table.count; }

}  // namespace

void SetAllowedTransactions(const std::uint16_t* codes, int count) {
    // Built aside and stored whole, so no reader sees a half-built list.
    AllowedTransactionTable table{};
    // The table has room for 16 entries; further codes are dropped.
    const int kept = std::clamp(count, 0, static_cast<int>(kMaxAllowedTransactions));
    std::string name;
    for (int i = 0; i < kept; ++i) {
        std::uint8_t* entry = Entry(table, static_cast<std::size_t>(i));
        entry[0] = static_cast<std::uint8_t>(codes[i] & 0xFF);
        entry[1] = static_cast<std::uint8_t>(codes[i] >> 8);
        TransactionTypeName(codes[i], name);
        std::memcpy(entry + 2, name.data(), std::min(name.size(), kAllowedNameSize - 1));
    }
    table.count = kept;
    std::lock_guard<std::mutex> guard(TransactionLock());
    allowedTransactions = table;
}

void ClearAllowedTransactions() {
    std::lock_guard<std::mutex> guard(TransactionLock());
    allowedTransactions = AllowedTransactionTable{};
}

int AllowedTransactionCount() {
    std::lock_guard<std::mutex> guard(TransactionLock());
    return allowedTransactions.count;
}

AllowedTransactionTable GetAllowedTransactions() {
    std::lock_guard<std::mutex> guard(TransactionLock());
    return allowedTransactions;
}

std::uint16_t AllowedTransactionCode(int index) {
    const AllowedTransactionTable table = GetAllowedTransactions();
    if (!InRange(table, index)) return 0;
    const std::uint8_t* entry = Entry(table, static_cast<std::size_t>(index));
    return static_cast<std::uint16_t>(entry[0] | (entry[1] << 8));
}

std::string AllowedTransactionName(int index) {
    const AllowedTransactionTable table = GetAllowedTransactions();
    if (!InRange(table, index)) return std::string();
    const char* name = reinterpret_cast<const char*>(Entry(table, static_cast<std::size_t>(index)) + 2);
    return std::string(name, std::find(name, name + kAllowedNameSize, '\0'));
}
