#include "devices/serial_exception.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

TEST(SerialException, GetErrorTextGivesTheSystemText) {
    const CSerialException error(ENOENT);
    char text[4096];
    unsigned helpContext = 77;
    EXPECT_TRUE(error.GetErrorText(text, sizeof text, &helpContext));
    EXPECT_STREQ(text, "No such file or directory");
    EXPECT_EQ(helpContext, 0u);
}

TEST(SerialException, GetErrorTextCutsToTheBufferIncludingTheZero) {
    const CSerialException error(ENOENT);
    char text[16];
    std::fill(std::begin(text), std::end(text), 'x');
    EXPECT_TRUE(error.GetErrorText(text, 10));
    EXPECT_EQ(std::string(text), "No such f");
    EXPECT_EQ(text[10], 'x') << "nothing written past the given size";
}

TEST(SerialException, GetErrorTextWithoutSystemTextIsFalseAndEmpty) {
    const CSerialException error(99999);
    char text[32] = "previous";
    unsigned helpContext = 5;
    EXPECT_FALSE(error.GetErrorText(text, sizeof text, &helpContext));
    EXPECT_STREQ(text, "");
    EXPECT_EQ(helpContext, 0u);
}

TEST(SerialException, GetErrorTextWithNoRoomStoresNothing) {
    const CSerialException error(ENOENT);
    char text[4] = "abc";
    EXPECT_FALSE(error.GetErrorText(text, 0));
    EXPECT_STREQ(text, "abc");
}

TEST(SerialException, ThrowWithZeroTakesTheLastSystemError) {
    errno = EACCES;
    try {
        ThrowSerialException(0);
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.Error(), static_cast<std::uint32_t>(EACCES));
        return;
    }
    FAIL() << "nothing thrown";
}

TEST(SerialException, ThrowKeepsAGivenCode) {
    errno = EACCES;
    EXPECT_THROW(
        {
            try {
                ThrowSerialException(EBUSY);
            } catch (const CSerialException& e) {
                EXPECT_EQ(e.Error(), static_cast<std::uint32_t>(EBUSY));
                throw;
            }
        },
        CSerialException);
}
