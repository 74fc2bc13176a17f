#include "devices/termios_dcb_posix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "devices/serial_exception.h"

namespace {

std::uint32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CSerialException& e) {
        return e.Error();
    }
    return 0;
}

Dcb MakeDcb(std::uint32_t baud, std::uint8_t parity, std::uint8_t dataBits, std::uint8_t stopBits) {
    Dcb dcb;
    dcb.BaudRate = baud;
    dcb.Parity = parity;
    dcb.ByteSize = dataBits;
    dcb.StopBits = stopBits;
    return dcb;
}

termios RawSettings() {
    termios settings{};
    MakeRaw(settings);
    return settings;
}

}  // namespace

TEST(TermiosDcb, LineSettingsMapBothWays) {
    struct Row {
        const char* name;
        Dcb dcb;
        speed_t speed;
        tcflag_t cflags;  // CSIZE, parity and CSTOPB bits
    };
    const Row rows[] = {
        {"pinpad 115200 8N1", MakeDcb(115200, kNoParity, 8, kOneStopBit), B115200, CS8},
        {"printer 19200 7E2", MakeDcb(19200, kEvenParity, 7, kTwoStopBits), B19200,
         CS7 | PARENB | CSTOPB},
        {"9600 6O1", MakeDcb(9600, kOddParity, 6, kOneStopBit), B9600, CS6 | PARENB | PARODD},
        {"2400 8 mark 1", MakeDcb(2400, kMarkParity, 8, kOneStopBit), B2400,
         CS8 | PARENB | PARODD | CMSPAR},
        {"1200 5 space 1.5", MakeDcb(1200, kSpaceParity, 5, kOne5StopBits), B1200,
         CS5 | PARENB | CMSPAR | CSTOPB},
        {"4000000 8N1", MakeDcb(4000000, kNoParity, 8, kOneStopBit), B4000000, CS8},
    };
    constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        termios settings = RawSettings();
        settings.c_cflag |= PARENB | PARODD | CSTOPB | CRTSCTS;  // left over from earlier settings
        ApplyDcb(settings, row.dcb);
        EXPECT_EQ(cfgetospeed(&settings), row.speed);
        EXPECT_EQ(cfgetispeed(&settings), row.speed);
        EXPECT_EQ(settings.c_cflag & kLineBits, row.cflags);
        EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
        const Dcb back = DcbFromTermios(settings);
        EXPECT_EQ(back.BaudRate, row.dcb.BaudRate);
        EXPECT_EQ(back.Parity, row.dcb.Parity);
        EXPECT_EQ(back.ByteSize, row.dcb.ByteSize);
        EXPECT_EQ(back.StopBits, row.dcb.StopBits);
    }
}

TEST(TermiosDcb, FlowControlFlags) {
    termios settings = RawSettings();
    Dcb dcb = MakeDcb(9600, kNoParity, 8, kOneStopBit);
    dcb.fOutxCtsFlow = true;
    dcb.fOutX = true;
    dcb.fInX = true;
    ApplyDcb(settings, dcb);
    EXPECT_NE(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), IXON | IXOFF);
    const Dcb back = DcbFromTermios(settings);
    EXPECT_TRUE(back.fOutxCtsFlow && back.fOutX && back.fInX);

    ApplyDcb(settings, MakeDcb(9600, kNoParity, 8, kOneStopBit));
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
}

TEST(TermiosDcb, SettingsWithoutATerminalEquivalentAreInvalidAndChangeNothing) {
    struct Row {
        const char* name;
        Dcb dcb;
    };
    const Row rows[] = {
        {"baud rate without a line code", MakeDcb(12345, kNoParity, 8, kOneStopBit)},
        {"nine data bits", MakeDcb(9600, kNoParity, 9, kOneStopBit)},
        {"four data bits", MakeDcb(9600, kNoParity, 4, kOneStopBit)},
        {"parity code 5", MakeDcb(9600, 5, 8, kOneStopBit)},
        {"stop-bit code 3", MakeDcb(9600, kNoParity, 8, 3)},
        {"one and a half stop bits with 8 data bits", MakeDcb(9600, kNoParity, 8, kOne5StopBits)},
        {"two stop bits with 5 data bits", MakeDcb(9600, kNoParity, 5, kTwoStopBits)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        termios settings = RawSettings();
        cfsetospeed(&settings, B300);
        const termios before = settings;
        EXPECT_EQ(ErrorOf([&] { ApplyDcb(settings, row.dcb); }), static_cast<std::uint32_t>(EINVAL));
        EXPECT_EQ(settings.c_cflag, before.c_cflag);
        EXPECT_EQ(cfgetospeed(&settings), B300);
    }
}

TEST(TermiosDcb, RawModeTranslatesNothing) {
    termios settings{};
    settings.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    settings.c_iflag = ICRNL | IXON | IXOFF | ISTRIP;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CRTSCTS;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    MakeRaw(settings);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_iflag & (ICRNL | IXON | IXOFF | IXANY | ISTRIP | INLCR), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD | CRTSCTS), CLOCAL | CREAD);
    EXPECT_EQ(settings.c_cc[VMIN], 1) << "an empty queue must read as EAGAIN, not as a hang-up";
    EXPECT_EQ(settings.c_cc[VTIME], 0);
}
