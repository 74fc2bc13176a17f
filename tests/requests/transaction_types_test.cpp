#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "requests/transaction.h"

namespace {

class AllowedTransactionsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetTransactionState(); }
};

struct Entry {
    std::uint16_t code;
    std::string name;
};

std::vector<Entry> Entries() {
    std::vector<Entry> entries;
    for (int i = 0; i < AllowedTransactionCount(); ++i) {
        entries.push_back({AllowedTransactionCode(i), AllowedTransactionName(i)});
    }
    return entries;
}

}  // namespace

TEST(TransactionTypeTable, NameOfACode) {
    struct Case {
        std::uint16_t code;
        const char* name;
    };
    const Case cases[] = {
        {0x8810, "Sale"},
        {0x8870, "Deferred sale"},  // listed after Cancellation
        {0x8890, "Cancellation"},
        {0x8894, "Cancellation of sale after reservation"},
        {0x8812, ""},
        {0x0000, ""},
    };
    for (const Case& c : cases) {
        std::string name = "stale";
        EXPECT_EQ(TransactionTypeName(c.code, name), std::strlen(c.name)) << std::hex << c.code;
        EXPECT_EQ(name, c.name) << std::hex << c.code;
    }
}

TEST(TransactionTypeTable, CodeOfAName) {
    struct Case {
        const char* name;
        std::uint16_t code;
    };
    const Case cases[] = {
        {"Sale", 0x8810},
        {"sale", 0},
        {"Sale ", 0},
        {"Sal", 0},
        {"", 0},
        {"Cancellation", 0x8890},
        {"Cancellation of sale", 0x8891},
        {"Cancellation of sale after reservation", 0x8894},
        {"Cancellation of sale after reserv", 0x8894},  // the name as an allowed entry holds it
        {"Cancellation of sale after reser", 0},
        {"Cancellation of sale after reservX", 0},
        {"Cancellation of sale after reservation!", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(TransactionTypeCode(c.name), c.code) << '"' << c.name << '"';
}

TEST_F(AllowedTransactionsTest, DuplicatesAndUnknownCodesStay) {
    const std::uint16_t codes[] = {0x8860, 0x8860, 0x1234, 0x8810};
    SetAllowedTransactions(codes, 4);
    const std::vector<Entry> entries = Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].code, 0x8860);
    EXPECT_EQ(entries[0].name, "Refund");
    EXPECT_EQ(entries[1].name, "Refund");
    EXPECT_EQ(entries[2].code, 0x1234);
    EXPECT_EQ(entries[2].name, "");
    EXPECT_EQ(entries[3].name, "Sale");
}

TEST_F(AllowedTransactionsTest, RawTableLayout) {
    const std::uint16_t codes[] = {0x8894, 0x8810};
    SetAllowedTransactions(codes, 2);
    const AllowedTransactionTable table = GetAllowedTransactions();
    EXPECT_EQ(table.count, 2);

    std::array<std::uint8_t, kAllowedTableSize> expected{};
    expected[0] = 0x94;
    expected[1] = 0x88;
    std::memcpy(expected.data() + 2, "Cancellation of sale after reserv", 33);  // NUL at byte 35
    expected[36] = 0x10;
    expected[37] = 0x88;
    std::memcpy(expected.data() + 38, "Sale", 4);
    EXPECT_EQ(table.entries, expected);
}

TEST_F(AllowedTransactionsTest, LongNameLeadsBackToItsCode) {
    const std::uint16_t codes[] = {0x8894};
    SetAllowedTransactions(codes, 1);
    EXPECT_EQ(AllowedTransactionName(0).size(), kAllowedNameSize - 1);
    EXPECT_EQ(TransactionTypeCode(AllowedTransactionName(0)), 0x8894);
}

TEST_F(AllowedTransactionsTest, SeventeenCodesKeepTheFirstSixteen) {
    std::vector<std::uint16_t> codes;
    for (std::uint16_t i = 0; i < 17; ++i) codes.push_back(static_cast<std::uint16_t>(0x9000 + i));
    SetAllowedTransactions(codes.data(), 17);
    EXPECT_EQ(AllowedTransactionCount(), 16);
    EXPECT_EQ(AllowedTransactionCode(15), 0x900F);
    EXPECT_EQ(AllowedTransactionCode(16), 0);
}

TEST_F(AllowedTransactionsTest, CountOfZeroOrLessEmptiesTheList) {
    const std::uint16_t codes[] = {0x8810, 0x8820};
    for (int count : {0, -1}) {
        SetAllowedTransactions(codes, 2);
        SetAllowedTransactions(codes, count);
        EXPECT_EQ(AllowedTransactionCount(), 0) << count;
        EXPECT_EQ(GetAllowedTransactions().entries, (std::array<std::uint8_t, kAllowedTableSize>{})) << count;
    }
    SetAllowedTransactions(codes, 2);
    ClearAllowedTransactions();
    EXPECT_EQ(AllowedTransactionCount(), 0);
    EXPECT_EQ(AllowedTransactionName(0), "");
}

TEST_F(AllowedTransactionsTest, ShorterListLeavesNoOldEntriesBehind) {
    const std::uint16_t many[] = {0x8810, 0x8820, 0x8830};
    const std::uint16_t few[] = {0x8860};
    SetAllowedTransactions(many, 3);
    SetAllowedTransactions(few, 1);
    const AllowedTransactionTable table = GetAllowedTransactions();
    EXPECT_EQ(table.count, 1);
    EXPECT_TRUE(std::all_of(table.entries.begin() + kAllowedEntrySize, table.entries.end(),
                            [](std::uint8_t b) { return b == 0; }));
}
