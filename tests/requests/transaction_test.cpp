#include "requests/transaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "support/test_env.h"

namespace {

struct Taken {
    int result;
    std::uint16_t typeCode;
    std::int32_t amount;
    std::string reference;
};

Taken Take() {
    Taken taken{0, 0xFFFF, -1, "untouched"};
    taken.result = TakePendingTransaction(taken.typeCode, taken.amount, taken.reference);
    return taken;
}

TransactionBlock FilledBlock(std::uint8_t fill) {
    TransactionBlock block;
    block.fill(fill);
    std::memcpy(block.data(), "13993", 5);
    return block;
}

class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override { ResetTransactionState(); }
};

}  // namespace

TEST_F(TransactionTest, SecondTransactionWhilePending) {
    struct Case {
        const char* name;
        ProgramKind kind;
        bool refuseIfPending;  // what the start-transaction message of this program asks for
        int secondResult;
        std::uint16_t takenType;
        std::int32_t takenAmount;
        const char* takenGsm;
        const char* takenReference;
    };
    const Case cases[] = {
        {"desktop refuses it, the pinpad gets the first", ProgramKind::Desktop, true, -1, 0x8810, 1250, "0611",
         "ref-1"},
        {"service overwrites, the pinpad gets only the second", ProgramKind::Service, false, 0, 0x8860, -300, "",
         "ref-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTransactionState();
        SetProgramKind(c.kind);
        ASSERT_EQ(SetPendingTransaction(0x8810, 1250, "0611", "ref-1", c.refuseIfPending), 0);
        EXPECT_EQ(SetPendingTransaction(0x8860, -300, "", "ref-2", c.refuseIfPending), c.secondResult);

        const Taken taken = Take();
        EXPECT_EQ(taken.result, 0);
        EXPECT_EQ(taken.typeCode, c.takenType);
        EXPECT_EQ(taken.amount, c.takenAmount);
        EXPECT_EQ(taken.reference, c.takenReference);
        EXPECT_EQ(GetCurrentGsmNumber(), c.takenGsm);
        EXPECT_FALSE(IsTransactionPending());

        const Taken again = Take();
        EXPECT_EQ(again.result, -1);
        EXPECT_EQ(again.typeCode, 0);
        EXPECT_EQ(again.amount, 0);
        EXPECT_EQ(again.reference, "untouched");
        EXPECT_EQ(GetCurrentGsmNumber(), c.takenGsm);  // only a take changes it
    }
}

TEST_F(TransactionTest, AmountZeroIsStoredButNeverHandedOver) {
    ASSERT_EQ(SetPendingTransaction(0x8810, 0, "0611", "ref", true), 0);
    EXPECT_FALSE(IsTransactionPending());
    const Taken taken = Take();
    EXPECT_EQ(taken.result, -1);
    EXPECT_EQ(taken.typeCode, 0);
    EXPECT_EQ(taken.amount, 0);
    EXPECT_EQ(GetCurrentGsmNumber(), "");
    // Nothing is pending, so even a refusing caller may store the next one.
    EXPECT_EQ(SetPendingTransaction(0x8820, 5, "", "", true), 0);
}

TEST_F(TransactionTest, NegativeAmountIsPendingAndPassedUnchanged) {
    ASSERT_EQ(SetPendingTransaction(0x1234, -2147483647 - 1, "", "", false), 0);
    EXPECT_TRUE(IsTransactionPending());
    const Taken taken = Take();
    EXPECT_EQ(taken.result, 0);
    EXPECT_EQ(taken.typeCode, 0x1234);  // codes outside the table pass too
    EXPECT_EQ(taken.amount, -2147483647 - 1);
}

TEST_F(TransactionTest, TextsAreCutTo63CharactersAndClearedByTheTake) {
    ASSERT_EQ(SetPendingTransaction(0x8810, 1, std::string(80, '7'), std::string(80, 'r'), false), 0);
    const Taken taken = Take();
    EXPECT_EQ(taken.reference, std::string(63, 'r'));
    EXPECT_EQ(GetCurrentGsmNumber(), std::string(63, '7'));

    // The next transaction without texts carries none of the old ones.
    ASSERT_EQ(SetPendingTransaction(0x8810, 1, "", "", false), 0);
    EXPECT_EQ(Take().reference, "");
    EXPECT_EQ(GetCurrentGsmNumber(), "");
}

TEST_F(TransactionTest, ClearRemovesAQueuedTransactionButNotTheGsmNumber) {
    ASSERT_EQ(SetPendingTransaction(0x8810, 10, "0611", "a", false), 0);
    Take();
    ASSERT_EQ(SetPendingTransaction(0x8860, 20, "0622", "b", false), 0);
    ClearPendingTransaction();
    EXPECT_EQ(Take().result, -1);
    EXPECT_EQ(GetCurrentGsmNumber(), "0611");
    ClearCurrentGsmNumber();
    EXPECT_EQ(GetCurrentGsmNumber(), "");
}

TEST_F(TransactionTest, ResultIsReportedOnceAndOnlyWithItsSignature) {
    TransactionBlock out{};
    EXPECT_FALSE(TakeTransactionResult(out));

    TransactionBlock unsignedBlock{};
    unsignedBlock.fill(0x55);
    std::memcpy(unsignedBlock.data(), "13994", 5);
    StoreTransactionResult(unsignedBlock.data());
    EXPECT_FALSE(TakeTransactionResult(out));
    EXPECT_FALSE(TakeTransactionResult(out));  // kept, still unfinished

    const TransactionBlock filled = FilledBlock(0xA7);
    StoreTransactionResult(filled.data());
    ASSERT_TRUE(TakeTransactionResult(out));
    EXPECT_EQ(out, filled);
    EXPECT_FALSE(TakeTransactionResult(out));

    StoreTransactionResult(filled.data());
    ClearTransactionResult();
    EXPECT_FALSE(TakeTransactionResult(out));
}

TEST(TransactionBlock, LayoutForThePinpad) {
    const TransactionBlock block = MakeTransactionBlock(0x8894, -2, "REF-42");
    TransactionBlock expected{};
    const std::uint8_t head[] = {'1', '3', '9', '9', '3', 0, 0x00, 0x88, 0, 0, 0, 0,
                                 0xFE, 0xFF, 0xFF, 0xFF, 0x94, 0x88};
    std::copy(std::begin(head), std::end(head), expected.begin());
    std::memcpy(expected.data() + 114, "REF-42", 6);
    EXPECT_EQ(block, expected);
    EXPECT_TRUE(IsFilledTransactionBlock(block.data()));

    const TransactionBlock longReference = MakeTransactionBlock(0x8810, 1, std::string(300, 'x'));
    EXPECT_EQ(std::count(longReference.begin() + 114, longReference.end(), 'x'), 245);
    EXPECT_EQ(longReference.back(), 0);
}

TEST_F(TransactionTest, ResultBlockIsNeverSeenTorn) {
    // Each writer stores blocks whose bytes after the signature all hold one value; a copy
    // that mixes two stores, or a store and a clear, shows more than one value.
    std::atomic<bool> stop{false};
    auto writer = [&stop](std::uint8_t first) {
        for (std::uint8_t fill = first; !stop.load(); fill = static_cast<std::uint8_t>(fill + 2)) {
            const TransactionBlock block = FilledBlock(fill);
            StoreTransactionResult(block.data());
        }
    };
    std::thread odd(writer, 1), even(writer, 2);

    int taken = 0;
    int torn = 0;
    WaitFor([&] {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            TransactionBlock out{};
            if (!TakeTransactionResult(out)) continue;
            ++taken;
            if (std::any_of(out.begin() + 5, out.end(), [&](std::uint8_t b) { return b != out[5]; })) ++torn;
        }
        return taken >= 2000;
    }, std::chrono::seconds(30));
    stop.store(true);
    odd.join();
    even.join();
    // A loaded machine may collect fewer; what matters is that none of them was torn.
    EXPECT_GE(taken, 100);
    EXPECT_EQ(torn, 0);
}
