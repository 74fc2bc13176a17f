#include "termios_dcb_posix.h"

#include <cerrno>
#include <iterator>
#include <optional>

#include "devices/serial_exception.h"

namespace {

[[noreturn]] void Invalid() { ThrowSerialException(EINVAL); }

struct BaudCode {
    std::uint32_t rate;
    speed_t code;
};

constexpr BaudCode kBaudCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedCode(std::uint32_t rate) {
    for (const auto& entry : kBaudCodes) {
        if (entry.rate == rate) return entry.code;
    }
    return std::nullopt;
}

// 0 for a speed outside the table.
std::uint32_t SpeedRate(speed_t code) {
    for (const auto& entry : kBaudCodes) {
        if (entry.code == code) return entry.rate;
    }
    return 0;
}

std::uint8_t ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5: return 5;
        case CS6: return 6;
        case CS7: return 7;
        default: return 8;
    }
}

tcflag_t CsizeOf(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        case 8: return CS8;
        default: Invalid();
    }
}

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

std::uint8_t ParityOf(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) return kNoParity;
    const bool odd = (cflag & PARODD) != 0;
    if (kStickParity != 0 && (cflag & kStickParity) != 0) return odd ? kMarkParity : kSpaceParity;
    return odd ? kOddParity : kEvenParity;
}

tcflag_t ParityFlags(std::uint8_t parity) {
    switch (parity) {
        case kNoParity: return 0;
        case kOddParity: return PARENB | PARODD;
        case kEvenParity: return PARENB;
        case kMarkParity:
        case kSpaceParity:
            if (kStickParity == 0) Invalid();
            return PARENB | kStickParity | (parity == kMarkParity ? PARODD : 0);
        default: Invalid();
    }
}

// One and a half stop bits exist only with 5 data bits, two only with more (as on Windows);
// POSIX writes both as CSTOPB.
bool StopBitsFit(std::uint8_t stopBits, std::uint8_t byteSize) {
    switch (stopBits) {
        case kOneStopBit: return true;
        case kOne5StopBits: return byteSize == 5;
        case kTwoStopBits: return byteSize != 5;
        default: return false;
    }
}

}  // namespace

void ApplyDcb(termios& settings, const Dcb& dcb) {
    const std::optional<speed_t> speed = SpeedCode(dcb.BaudRate);
    if (!speed || !StopBitsFit(dcb.StopBits, dcb.ByteSize)) Invalid();
    const tcflag_t size = CsizeOf(dcb.ByteSize);
    const tcflag_t parity = ParityFlags(dcb.Parity);
    if (cfsetispeed(&settings, *speed) != 0 || cfsetospeed(&settings, *speed) != 0) Invalid();
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | kStickParity | CSTOPB | CRTSCTS);
    settings.c_cflag |= size | parity;
    if (dcb.StopBits != kOneStopBit) settings.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow) settings.c_cflag |= CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF);
    if (dcb.fOutX) settings.c_iflag |= IXON;
    if (dcb.fInX) settings.c_iflag |= IXOFF;
}

Dcb DcbFromTermios(const termios& settings) {
    Dcb dcb;
    dcb.BaudRate = SpeedRate(cfgetospeed(&settings));
    dcb.ByteSize = ByteSizeOf(settings.c_cflag);
    dcb.Parity = ParityOf(settings.c_cflag);
    if ((settings.c_cflag & CSTOPB) == 0) dcb.StopBits = kOneStopBit;
    else dcb.StopBits = dcb.ByteSize == 5 ? kOne5StopBits : kTwoStopBits;
    dcb.fOutxCtsFlow = (settings.c_cflag & CRTSCTS) != 0;
    dcb.fOutX = (settings.c_iflag & IXON) != 0;
    dcb.fInX = (settings.c_iflag & IXOFF) != 0;
    return dcb;
}

std::uint32_t HighestBaudRate() { return kBaudCodes[std::size(kBaudCodes) - 1].rate; }

void MakeRaw(termios& settings) {
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    // With the port's O_NONBLOCK an empty queue reads as EAGAIN and a hang-up as end of file;
    // the waiting is ours (poll), as the time-outs say.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}
