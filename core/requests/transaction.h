#pragma once
// The hand-over of one transaction from the cash register to the pinpad and of its
// result back, and the transaction-type table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

inline constexpr std::size_t kTransactionBlockSize = 360;
inline constexpr std::size_t kGsmNumberSize = 64;
inline constexpr std::size_t kReferenceSize = 64;
inline constexpr std::size_t kMaxAllowedTransactions = 16;
inline constexpr std::size_t kAllowedEntrySize = 36;
inline constexpr std::size_t kAllowedNameSize = 34;
inline constexpr std::size_t kAllowedTableSize = kMaxAllowedTransactions * kAllowedEntrySize;  // 576

using TransactionBlock = std::array<std::uint8_t, kTransactionBlockSize>;

// The block the host sends the pinpad for a taken transaction.
TransactionBlock MakeTransactionBlock(std::uint16_t typeCode, std::int32_t amount,
                                      const std::string& reference);
// A block counts as filled when it starts with the signature "13993".
bool IsFilledTransactionBlock(const std::uint8_t* block);

// Guards PendingTransaction and the whole-block copies of TransactionResult,
// CurrentGsmNumber and AllowedTransactions; never taken while LogLock is held.
std::mutex& TransactionLock();

// PendingTransaction, under TransactionLock. 0 stored, -1 refused (refuseIfPending and one pending).
int SetPendingTransaction(std::uint16_t typeCode, std::int32_t amount, const std::string& gsmNumber,
                          const std::string& reference, bool refuseIfPending);
// 0 taken (the GSM number moves to CurrentGsmNumber), -1 nothing pending (type and amount 0).
int TakePendingTransaction(std::uint16_t& typeCode, std::int32_t& amount, std::string& reference);
void ClearPendingTransaction();
bool IsTransactionPending();

// TransactionResult.
void StoreTransactionResult(const std::uint8_t* block);
void ClearTransactionResult();
bool TakeTransactionResult(TransactionBlock& out);

// CurrentGsmNumber: the GSM number of the transaction the pinpad took last.
std::string GetCurrentGsmNumber();
void ClearCurrentGsmNumber();

// TransactionTypeTable lookups: first match in table order. The name of an unknown code is
// empty; the code of an unknown name is 0. Names compare exactly (case-sensitive); a name
// cut to the 33 characters of an allowed-list entry also finds its code.
std::size_t TransactionTypeName(std::uint16_t code, std::string& name);
std::uint16_t TransactionTypeCode(const std::string& name);

// AllowedTransactions: 16 entries of 36 bytes (uint16 code, 34-byte name) and a count.
struct AllowedTransactionTable {
    std::array<std::uint8_t, kAllowedTableSize> entries;
    std::int32_t count;
};
// Rebuilds the list from the codes in order; unknown codes get an empty name, duplicates
// stay, a count of 0 or less empties it, codes beyond the 16th are dropped.
void SetAllowedTransactions(const std::uint16_t* codes, int count);
void ClearAllowedTransactions();
int AllowedTransactionCount();
AllowedTransactionTable GetAllowedTransactions();
// Code and name of entry i (0-based); 0 and the empty text when out of range. A name
// longer than its field is cut, and TransactionTypeCode still maps the cut name back.
std::uint16_t AllowedTransactionCode(int index);
std::string AllowedTransactionName(int index);

// Back to the start state, for tests.
void ResetTransactionState();
