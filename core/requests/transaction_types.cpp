#include <array>
#include <string_view>

#include "transaction.h"

namespace {

struct TransactionType {
    std::uint16_t code;
    std::string_view name;
};

// Lookups take the first match, so the order is part of the table.
constexpr std::array<TransactionType, 14> kTransactionTypeTable{{
    {0x8810, "Sale"},
    {0x8811, "Sale after referral"},
    {0x8820, "Cash advance"},
    {0x8822, "Cash advance after referral"},
    {0x8830, "Reservation"},
    {0x8843, "Sale after reservation"},
    {0x8850, "Card validity"},
    {0x8860, "Refund"},
    {0x8890, "Cancellation"},
    {0x8870, "Deferred sale"},
    {0x8891, "Cancellation of sale"},
    {0x8892, "Cancellation of cash advance"},
    {0x8893, "Cancellation of reservation"},
    {0x8894, "Cancellation of sale after reservation"},
}};

}  // namespace

std::size_t TransactionTypeName(std::uint16_t code, std::string& name) {
    name.clear();
    for (const TransactionType& type : kTransactionTypeTable) {
        if (type.code == code) {
            name = type.name;
            break;
        }
    }
    return name.size();
}

std::uint16_t TransactionTypeCode(const std::string& name) {
    for (const TransactionType& type : kTransactionTypeTable) {
        if (type.name == name) return type.code;
    }
    // An allowed-list entry holds a long name cut to its field; it must still lead back
    // to its code.
    if (name.size() != kAllowedNameSize - 1) return 0;
    for (const TransactionType& type : kTransactionTypeTable) {
        if (type.name.size() > name.size() && type.name.substr(0, name.size()) == name) return type.code;
    }
    return 0;
}
